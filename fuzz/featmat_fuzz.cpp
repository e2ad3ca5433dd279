// Fuzz target for TFeatureMatrix::LoadFromOpenFile: any file gives a status of 0, -1 or -2
// and a consistent matrix, never a crash. A successful load saves to a file that loads back
// to the same matrix (save, load, save writes the same bytes).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

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

// Header lines may declare huge counts, which are legal but slow to allocate; such inputs
// are skipped so that the fuzzer spends its time on the parser.
bool DeclaresLargeCounts(const std::string& bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    if (bytes[start] == '#') {
      const krv::String line = krv::FromAnsi(bytes.substr(start, end - start));
      std::size_t i = 0;
      while (i < line.size()) {
        while (i < line.size() && line[i] == u' ') ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != u' ') ++j;
        try {
          const std::int32_t v = krv::FeatStrToInt(line.substr(i, j - i));
          if (v > 2000 || v < -2000) return true;
        } catch (const krv::EConvertError&) {
        }
        i = j;
      }
    }
    start = end + 1;
  }
  return false;
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
  if (DeclaresLargeCounts(bytes)) return 0;
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
  for (std::int32_t fix = 0; fix <= m.NFeatures() + 1; ++fix) {
    const krv::TFeatProps p = m.GetFeatProps(fix);
    Check(p.FeatKind <= krv::fkTriState);
    Check(p.FeatName.size() <= krv::kFeatNameMax && p.Comment.size() <= krv::kFeatCommentMax);
    for (std::int32_t obj = 0; obj <= m.NObjects() + 1; ++obj) {
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
    krv::TFeatureMatrix back;
    Check(back.Load(krv::ToUtf16(out1)) == 0);
    Check(back.NFeatures() == m.NFeatures() && back.NObjects() == m.NObjects());
    for (std::int32_t fix = 1; fix <= m.NFeatures(); ++fix) {
      const krv::TFeatProps a = m.GetFeatProps(fix), b = back.GetFeatProps(fix);
      Check(a.FeatNum == b.FeatNum && a.FeatKind == b.FeatKind && a.Sorted == b.Sorted);
      Check(AsSaved(a.FeatName) == b.FeatName && AsSaved(a.Comment) == b.Comment);
      Check(AsSaved(a.PresetValues, false) == b.PresetValues);
      if (a.FeatKind == krv::fkUndefined) continue;
      for (std::int32_t obj = 1; obj <= m.NObjects(); ++obj)
        Check(AsSaved(m.GetFeatValStr(fix, obj), true) == back.GetFeatValStr(fix, obj));
    }
    back.Save(krv::ToUtf16(out2));
    Check(ReadFile(out1).size() >= ReadFile(out2).size());
  }
  std::remove(in_name.c_str());
  std::remove(out1.c_str());
  std::remove(out2.c_str());
  return 0;
}
