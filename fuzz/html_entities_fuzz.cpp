// Feeds arbitrary text to ResolveHTMLEntities, HTMLEntityToAnsi and MakeStringHTMLCompatible.
// Resolving never grows the text and leaves text without `&` alone; escaping leaves no
// markup character or CR and resolves back to the original; HTMLEntityToAnsi gives back its
// input or one character (two code units for a reference above U+FFFF) and undoes
// AnsiToHTMLEntity.
//
// Input: one text (see stringl_fuzz_input.h: 0xFF takes the next two bytes as a character).
#include <cstdint>

#include "korvex/htmlsupport/htmltext.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  using fuzz::Check;
  if (size > (1u << 20)) return 0;
  fuzz::Input in(data, size);
  const String s = in.Text();

  const String resolved = ResolveHTMLEntities(s);
  Check(resolved.size() <= s.size());
  if (s.find(u'&') == String::npos) Check(resolved == s);

  const String escaped = MakeStringHTMLCompatible(s);
  Check(escaped.find_first_of(u"<>\"'\r") == String::npos);
  Check(ResolveHTMLEntities(escaped) == s);

  const String single = HTMLEntityToAnsi(s);
  Check(single == s || (single.size() <= 2 && ResolveHTMLEntities(s) == single));
  if (!s.empty()) Check(HTMLEntityToAnsi(AnsiToHTMLEntity(s[0])) == String(1, s[0]));
  return 0;
}
