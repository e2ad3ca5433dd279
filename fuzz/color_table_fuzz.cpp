// Fuzz target for the colour-table reader (TColorArray::ReadFromOpenTextFile) and for
// HexStrToColor.
//
// The first byte chooses AdjustSize (bit 0) and whether a second range is read after the
// first (bit 1); the rest is the file. Any file leaves an array of 1 to
// kColorArrayMaxLoadElems colours, never a crash; a refused range leaves every element as
// it was; what was read stores and loads back unchanged. Run with -rss_limit_mb: a file may
// ask for up to the load cap (128 MiB).
//
// HexStrToColor gets the same bytes as Windows-1252 text and is compared with a slow
// reading of its rules: blanks trimmed, one leading "$" dropped, blanks after it skipped,
// hexadecimal digits of either case up to the first other character, 32 bits kept.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string TempName(const char* tag) {
  return "/tmp/korvex_color_table_fuzz_" + std::to_string(getpid()) + tag;
}

krv::TColor SlowHexStrToColor(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  if (s.empty()) return 0;
  std::size_t pos = s[0] == u'$' ? 1 : 0;
  while (pos + 1 < s.size() && s[pos] == u' ') ++pos;
  std::uint64_t value = 0;
  for (; pos < s.size(); ++pos) {
    const char16_t c = s[pos];
    int d = -1;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
    if (d < 0) break;
    value = (value * 16 + static_cast<unsigned>(d)) % 0x100000000u;
  }
  return static_cast<krv::TColor>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const krv::String text = krv::FromAnsi(bytes);
  Check(krv::HexStrToColor(text) == SlowHexStrToColor(text));
  if (size == 0) return 0;

  const bool adjust = (data[0] & 1) != 0, twice = (data[0] & 2) != 0;
  const std::string in_name = TempName(".in"), out_name = TempName(".out");
  {
    std::ofstream out(in_name, std::ios::binary | std::ios::trunc);
    out << bytes.substr(1);
  }
  krv::TColorArray a, before;
  a.SetSize(3 + data[0] % 5);
  a.SetColorElem(1, 0x123456);
  before.Assign(&a);
  int events = 0;
  a.SetOnChange([&](krv::TObject*) { ++events; });
  krv::TextFile f;
  f.Assign(krv::ToUtf16(in_name));
  f.Reset();
  bool ok = a.ReadFromOpenTextFile(f, adjust);
  if (!ok) Check(a.IsEqual(&before) && events <= 1);  // refused: no element changed
  if (twice) ok = a.ReadFromOpenTextFile(f, adjust);
  f.Close();
  Check(a.Size() >= 1 && a.Size() <= krv::kColorArrayMaxLoadElems);
  Check(static_cast<std::size_t>(a.Size()) == a.Colors().size());
  // A short file can ask for a scale of millions (first = last near the cap); writing one
  // back costs seconds, so the round trip is kept to scales of usual size.
  if (ok && a.Size() <= (1 << 16)) {
    const krv::String out = krv::ToUtf16(out_name);
    Check(a.StoreOnFile(1, a.Size(), out));
    krv::TColorArray back;
    Check(back.LoadFromFile(out, true));
    Check(back.IsEqual(&a));
  }
  std::remove(in_name.c_str());
  std::remove(out_name.c_str());
  return 0;
}
