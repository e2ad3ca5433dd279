// Fuzz target for TFeatureMatrix::LoadFromOpenFile: any file gives a status of 0, -1 or -2
// and a consistent matrix, never a crash. A successful load saves to a file that loads back
// to the same matrix (save, load, save writes the same bytes).
//
// Headers may declare any counts, up to the load cap: run with -rss_limit_mb so that memory
// beyond what the cap allows is a finding. A matrix at the cap has millions of values, so
// the checks look at the first and last rows and columns only, and at most one matrix is
// alive at a time.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "korvex/dstruct/featmat.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string TempName(const char* tag) {
  return "/tmp/korvex_featmat_fuzz_" + std::to_string(getpid()) + tag;
}

// The indexes 0..n+1 (one beyond each end) to examine: all of them when there are few,
// otherwise the `edge` first and last.
std::vector<std::int32_t> Probes(std::int32_t n, std::int32_t edge) {
  std::vector<std::int32_t> v;
  for (std::int64_t i = 0; i <= std::int64_t{n} + 1; ++i) {
    if (i == edge && std::int64_t{n} + 1 - edge > i) i = std::int64_t{n} + 1 - edge;
    v.push_back(static_cast<std::int32_t>(i));
  }
  return v;
}

// What a text becomes through a save and a load: line breaks are written as blanks and
// lines are trimmed when read (a value on both sides, a record field at its end).
std::string AsSaved(std::string s) {
  for (auto& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
krv::String AsSaved(krv::String s, bool trim_front) {
  for (auto& c : s)
    if (c == u'\r' || c == u'\n') c = u' ';
  while (!s.empty() && s.back() == u' ') s.pop_back();
  while (trim_front && !s.empty() && s.front() == u' ') s.erase(0, 1);
  return s;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string in_name = TempName(".in"), out1 = TempName(".out1"), out2 = TempName(".out2");
  {
    std::ofstream out(in_name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  krv::TFeatureMatrix m;
  int events = 0;
  m.SetOnChange([&](krv::TObject*) { ++events; });
  krv::TextFile f;
  f.Assign(krv::ToUtf16(in_name));
  f.Reset();
  const std::int32_t r = m.LoadFromOpenFile(f);
  f.Close();
  Check(r == 0 || r == -1 || r == -2);
  Check(events >= 1);
  Check(m.NFeatures() >= 0 && m.NObjects() >= 0);
  Check(krv::FeatMatShapeBytes(m.NFeatures(), m.NObjects()) <= krv::kFeatMatMaxLoadBytes);
  for (std::int32_t fix : Probes(m.NFeatures(), 16)) {
    const krv::TFeatProps p = m.GetFeatProps(fix);
    Check(p.FeatKind <= krv::fkTriState);
    Check(p.FeatName.size() <= krv::kFeatNameMax && p.Comment.size() <= krv::kFeatCommentMax);
    for (std::int32_t obj : Probes(m.NObjects(), 16)) {
      try {
        (void)m.GetFeatValStr(fix, obj);
        (void)m.GetFeatValTriState(fix, obj);
        (void)m.GetFeatValInt(fix, obj);
        (void)m.GetFeatValDouble(fix, obj);
      } catch (const krv::Exception&) {
      }
    }
  }
  if (r == 0) {
    // Everything loaded survives a save and a load, up to the line breaks inside texts and
    // the blanks that trimming takes (a name cut to its length right after a blank, say).
    m.Save(krv::ToUtf16(out1));
    // What the reloaded matrix must hold at the examined places; then m goes.
    const std::int32_t nf = m.NFeatures(), no = m.NObjects();
    const std::vector<std::int32_t> fixes = Probes(nf, 64), objs = Probes(no, 64);
    std::vector<krv::TFeatProps> records;
    std::vector<krv::String> values;
    for (std::int32_t fix : fixes) {
      records.push_back(m.GetFeatProps(fix));
      if (fix < 1 || fix > nf || records.back().FeatKind == krv::fkUndefined) continue;
      for (std::int32_t obj : objs) values.push_back(AsSaved(m.GetFeatValStr(fix, obj), true));
    }
    m.Clear();
    krv::TFeatureMatrix back;
    Check(back.Load(krv::ToUtf16(out1)) == 0);
    Check(back.NFeatures() == nf && back.NObjects() == no);
    std::size_t next_value = 0;
    for (std::size_t k = 0; k < fixes.size(); ++k) {
      const std::int32_t fix = fixes[k];
      const krv::TFeatProps& a = records[k];
      const krv::TFeatProps b = back.GetFeatProps(fix);
      Check(a.FeatNum == b.FeatNum && a.FeatKind == b.FeatKind && a.Sorted == b.Sorted);
      Check(AsSaved(a.FeatName) == b.FeatName && AsSaved(a.Comment) == b.Comment);
      Check(AsSaved(a.PresetValues, false) == b.PresetValues);
      if (fix < 1 || fix > nf || a.FeatKind == krv::fkUndefined) continue;
      for (std::int32_t obj : objs) Check(values[next_value++] == back.GetFeatValStr(fix, obj));
    }
    back.Save(krv::ToUtf16(out2));
    Check(ReadFile(out1).size() >= ReadFile(out2).size());
  }
  std::remove(in_name.c_str());
  std::remove(out1.c_str());
  std::remove(out2.c_str());
  return 0;
}
