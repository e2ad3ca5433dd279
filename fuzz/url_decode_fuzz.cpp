// Feeds arbitrary text to URLDecode, URLEncode and ExtractHTTPPath. Decoding never grows the
// text; encoding twice always decodes back; encoding once decodes back exactly when the text
// holds no escape of its own (which the second decoding pass would undo). The HTTP path is
// the start of the text after the first "http://" (or of the whole text), ending at its
// last `/`.
//
// Input: one text (see stringl_fuzz_input.h: 0xFF takes the next two bytes as a character).
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/casefold.h"
#include "korvex/stringl/chars.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  using fuzz::Check;
  if (size > (1u << 20)) return 0;
  fuzz::Input in(data, size);
  const String s = in.Text();

  Check(URLDecode(s).size() <= s.size());
  Check(URLDecode(URLEncode(URLEncode(s))) == s);
  bool holdsEscape = false;
  for (std::size_t i = 0; i + 2 < s.size() && !holdsEscape; ++i)
    holdsEscape = s[i] == u'%' && IsHexChar(s[i + 1]) && IsHexChar(s[i + 2]);
  Check((URLDecode(URLEncode(s)) == s) == !holdsEscape);

  const String path = ExtractHTTPPath(s);
  constexpr std::u16string_view kScheme = u"http://";
  const auto scheme = std::search(s.begin(), s.end(), kScheme.begin(), kScheme.end(),
                                  [](Char a, Char b) { return AsciiLower(a) == b; });
  const String rest = scheme == s.end() ? s : String(scheme + kScheme.size(), s.end());
  Check(rest.compare(0, path.size(), path) == 0);
  const std::size_t slash = rest.rfind(u'/');
  Check(path.size() == (slash == String::npos ? rest.size() : slash + 1));
  return 0;
}
