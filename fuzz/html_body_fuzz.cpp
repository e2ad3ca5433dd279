// Feeds arbitrary HTML to ExtractHTMLBody, ConvertHTMLBodyToText and CountWordsHTML.
// The body is a piece of the input; the text has no blank at either end, no two blanks in a
// row and no blank beside a line break; a word takes at least three characters of input
// (two of the word, one separator); counting piece by piece, cut after line feeds outside
// tags and carrying the tag flag, gives the count of the whole.
//
// Input: a byte of flags (bit 0: ignore numbers, bit 1: inside a tag at the start), the
// line-break choice (0: LF, otherwise tab; neither can be left in the text), then the text
// (see stringl_fuzz_input.h).
#include <cstdint>

#include "korvex/htmlsupport/htmltext.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  using fuzz::Check;
  if (size > (1u << 20)) return 0;
  fuzz::Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const Char lineBreak = in.Byte() == 0 ? u'\n' : u'\t';  // never left in text
  const String s = in.Text();

  const String body = ExtractHTMLBody(s);
  Check(body.size() <= s.size());
  if (s.size() <= 4096) Check(s.find(body) != String::npos);

  const String text = ConvertHTMLBodyToText(s, lineBreak);
  Check(text.empty() || (text.front() != u' ' && text.back() != u' '));
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == u' ') Check(text[i - 1] != u' ' && text[i - 1] != lineBreak);
    if (text[i] == lineBreak) Check(text[i - 1] != u' ');
  }

  const bool ignoreNumbers = flags & 1;
  bool inside = flags & 2;
  const std::int32_t whole = CountWordsHTML(s, ignoreNumbers, inside);
  Check(whole >= 0 && static_cast<std::size_t>(whole) * 3 <= s.size());
  bool pieceInside = flags & 2;
  bool tagState = pieceInside;
  std::int32_t sum = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'<') tagState = true;
    if (s[i] == u'>') tagState = false;
    if (s[i] == u'\n' && !tagState) {
      sum += CountWordsHTML(s.substr(start, i + 1 - start), ignoreNumbers, pieceInside);
      start = i + 1;
    }
  }
  sum += CountWordsHTML(s.substr(start), ignoreNumbers, pieceInside);
  Check(sum == whole && pieceInside == inside);
  return 0;
}
