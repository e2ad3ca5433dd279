// Stream routines beside their standard-library peers, measured in the same run:
//   ReadLnStream over a 100 MiB TFileStream   vs std::getline on std::ifstream, fgets
//   ReadNextTagInStream over 16 MiB of elements vs std::getline up to each '>'
//   StreamAsString from a 64 MiB memory stream vs a widening copy of the same bytes
//   WriteStringStream of a 64 MiB string       vs narrowing into std::string, ostream::write
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "korvex/streams/tags.h"
#include "korvex/streams/text_io.h"
#include "scratch.h"

namespace {

constexpr std::size_t kFileBytes = 100u << 20;
constexpr std::size_t kMemoryBytes = 64u << 20;
constexpr std::size_t kTagBytes = 16u << 20;

// A 100 MiB text file of CR LF lines of varying length, made once per run.
const std::string& TextFilePath() {
  static const std::string path = [] {
    const std::string p =
        (std::filesystem::temp_directory_path() / "korvex_streams_bench.txt").string();
    krv::bench::RemoveAtExit(p);
    std::ofstream out(p, std::ios::binary);
    std::string line;
    std::size_t written = 0;
    for (std::size_t i = 0; written < kFileBytes; ++i) {
      line.assign(20 + (i * 37) % 100, static_cast<char>('a' + i % 26));
      line += "\r\n";
      out.write(line.data(), static_cast<std::streamsize>(line.size()));
      written += line.size();
    }
    return p;
  }();
  return path;
}

std::int64_t FileSize() {
  return static_cast<std::int64_t>(std::filesystem::file_size(TextFilePath()));
}

void BM_ReadLnStream_TFileStream(benchmark::State& state) {
  const krv::String name = krv::ToUtf16(TextFilePath());
  std::size_t lines = 0;
  for (auto _ : state) {
    krv::TFileStream f(name, krv::fmOpenRead);
    bool eos = false;
    lines = 0;
    while (true) {
      krv::String line = krv::ReadLnStream(f, eos, 4);
      if (eos) break;
      benchmark::DoNotOptimize(line.data());
      ++lines;
    }
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_ReadLnStream_TFileStream)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Peer_Getline_Ifstream(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(TextFilePath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) benchmark::DoNotOptimize(line.data());
  }
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_Peer_Getline_Ifstream)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Peer_Fgets(benchmark::State& state) {
  char buf[4096];
  for (auto _ : state) {
    std::FILE* f = std::fopen(TextFilePath().c_str(), "rb");
    while (std::fgets(buf, sizeof buf, f)) benchmark::DoNotOptimize(buf);
    std::fclose(f);
  }
  state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_Peer_Fgets)->Unit(benchmark::kMillisecond)->Iterations(3);

// 16 MiB of elements such as <item id="7"> <name>text</name> </item>, made once per run.
krv::TMemoryStream& TagSource() {
  static krv::TMemoryStream* m = [] {
    auto* s = new krv::TMemoryStream;
    std::string item;
    for (std::size_t i = 0; s->Size() < static_cast<std::int64_t>(kTagBytes); ++i) {
      item = "<item id=\"" + std::to_string(i) + "\"> <name>" + std::string(5 + i % 40, 'x') +
             "</name> </item>\r\n";
      s->WriteBuffer(item.data(), item.size());
    }
    return s;
  }();
  return *m;
}

void BM_ReadNextTagInStream(benchmark::State& state) {
  krv::TMemoryStream& m = TagSource();
  const krv::TTagList list = {u"item", u"name", u""};
  krv::String attributes, contents;
  for (auto _ : state) {
    m.SetPosition(0);
    while (krv::ReadNextTagInStream(m, list, attributes, contents) == 0) {
      benchmark::DoNotOptimize(contents.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * m.Size());
}
BENCHMARK(BM_ReadNextTagInStream)->Unit(benchmark::kMillisecond);

// The standard library's delimiter reader over the same bytes, one piece per '>'.
void BM_Peer_GetlineToGt(benchmark::State& state) {
  krv::TMemoryStream& m = TagSource();
  const std::string bytes(reinterpret_cast<const char*>(m.Memory()),
                          static_cast<std::size_t>(m.Size()));
  for (auto _ : state) {
    std::istringstream in(bytes);
    std::string piece;
    while (std::getline(in, piece, '>')) benchmark::DoNotOptimize(piece.data());
  }
  state.SetBytesProcessed(state.iterations() * m.Size());
}
BENCHMARK(BM_Peer_GetlineToGt)->Unit(benchmark::kMillisecond);

krv::TMemoryStream& MemorySource() {
  static krv::TMemoryStream* m = [] {
    auto* s = new krv::TMemoryStream;
    s->SetSize(static_cast<std::int64_t>(kMemoryBytes));
    for (std::size_t i = 0; i < kMemoryBytes; ++i) s->Memory()[i] = static_cast<krv::Byte>(i * 7);
    return s;
  }();
  return *m;
}

void BM_StreamAsString(benchmark::State& state) {
  krv::TMemoryStream& m = MemorySource();
  for (auto _ : state) {
    m.SetPosition(0);
    krv::String s = krv::StreamAsString(m);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kMemoryBytes));
}
BENCHMARK(BM_StreamAsString)->Unit(benchmark::kMillisecond);

void BM_Peer_WideningCopy(benchmark::State& state) {
  krv::TMemoryStream& m = MemorySource();
  for (auto _ : state) {
    krv::String s(m.Memory(), m.Memory() + kMemoryBytes);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kMemoryBytes));
}
BENCHMARK(BM_Peer_WideningCopy)->Unit(benchmark::kMillisecond);

const krv::String& BigText() {
  static const krv::String text = [] {
    krv::String t(kMemoryBytes, u' ');
    for (std::size_t i = 0; i < kMemoryBytes; ++i) t[i] = static_cast<char16_t>(32 + i % 90);
    return t;
  }();
  return text;
}

void BM_WriteStringStream(benchmark::State& state) {
  const krv::String& text = BigText();
  krv::TMemoryStream m;
  m.SetSize(static_cast<std::int64_t>(kMemoryBytes));  // keep the capacity between runs
  for (auto _ : state) {
    m.SetSize(0);
    krv::WriteStringStream(m, text);
    benchmark::DoNotOptimize(m.Memory());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kMemoryBytes));
}
BENCHMARK(BM_WriteStringStream)->Unit(benchmark::kMillisecond);

void BM_Peer_NarrowingIntoString(benchmark::State& state) {
  const krv::String& text = BigText();
  std::string out;
  for (auto _ : state) {
    out.assign(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kMemoryBytes));
}
BENCHMARK(BM_Peer_NarrowingIntoString)->Unit(benchmark::kMillisecond);

void BM_Peer_OstringstreamWrite(benchmark::State& state) {
  const krv::String& text = BigText();
  std::string bytes(text.begin(), text.end());
  for (auto _ : state) {
    std::ostringstream os;
    os.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    benchmark::DoNotOptimize(os.tellp());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kMemoryBytes));
}
BENCHMARK(BM_Peer_OstringstreamWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
