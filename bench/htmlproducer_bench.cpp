// THtmlProducer::Convert on a 10 MiB template (10 Mi characters) with a special tag every 100
// characters, beside two peers measured in the same run:
//   the step-by-step reference conversion of the tests (one character at a time), and
//   a plain copy of the template (the floor any conversion has to pay).
// Bytes are counted as template characters, i.e. the size of the template file.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/htmlsupport/htmlproducer_reference.h"
#include "korvex/htmlsupport/htmlproducer.h"

namespace {

constexpr std::size_t kChars = 10u << 20;

const krv::String& Template() {
  static const krv::String text = [] {
    static const char16_t* const kTags[] = {u"<#date>", u"<#Title lang=en>", u"<#user  id=7 >",
                                            u"<#count>"};
    krv::String t;
    t.reserve(kChars + 100);
    for (std::size_t i = 0; t.size() < kChars; ++i) {
      const std::u16string_view tag = kTags[i % 4];
      for (std::size_t k = tag.size(); k < 100; ++k)
        t += static_cast<char16_t>(k % 13 == 0 ? u' ' : u'a' + (i + k) % 26);
      t += tag;
    }
    t.resize(kChars);
    return t;
  }();
  return text;
}

krv::TOnHTMLTagEvent Handler() {
  return [](krv::THtmlProducer*, krv::String name, krv::String, krv::String& r) {
    if (name == u"date")
      r = u"2020-01-01";
    else if (name == u"title")
      r = u"Report";
    else if (name == u"user")
      r = u"Ada";
    else
      r = u"42";
  };
}

void BM_Convert_Handler(benchmark::State& state) {
  krv::THtmlProducer p;
  p.SetTemplate(Template());
  p.SetOnHTMLTag(Handler());
  for (auto _ : state) benchmark::DoNotOptimize(p.Convert().data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChars));
}
BENCHMARK(BM_Convert_Handler)->Unit(benchmark::kMillisecond);

void BM_Convert_NoHandler(benchmark::State& state) {
  krv::THtmlProducer p;
  p.SetTemplate(Template());
  for (auto _ : state) benchmark::DoNotOptimize(p.Convert().data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChars));
}
BENCHMARK(BM_Convert_NoHandler)->Unit(benchmark::kMillisecond);

void BM_Peer_ReferenceConvert(benchmark::State& state) {
  krv::THtmlProducer p;
  const krv::TOnHTMLTagEvent h = Handler();
  krv::String out;
  for (auto _ : state) {
    krv::testing::ReferenceConvert(Template(), h, &p, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChars));
}
BENCHMARK(BM_Peer_ReferenceConvert)->Unit(benchmark::kMillisecond);

void BM_Peer_CopyTemplate(benchmark::State& state) {
  for (auto _ : state) {
    krv::String copy = Template();
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChars));
}
BENCHMARK(BM_Peer_CopyTemplate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
