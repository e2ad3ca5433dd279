// Fuzz target for krv print's text layout (tools/krv/text_pages.h).
//
// The first three bytes pick the page (1 to 64 columns, 1 to 16 lines, 1 to 8 pages); the rest
// is UTF-16 text, two bytes a unit. Every layout keeps within its page and page count, shows
// no control character, and loses no printable character: until the page count runs out,
// the printable characters laid out are exactly those of the text, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tools/krv/text_pages.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Control(char32_t c) {
  return c < 0x20 || c == 0x7F;
}

// The characters a layout shows for the text's printable ones: surrogate pairs joined, a lone
// surrogate as U+FFFD.
std::u32string Printable(const std::u16string& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (!Control(c)) out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || size > (1u << 14)) return 0;
  const std::size_t columns = 1 + data[0] % 64, lines = 1 + data[1] % 16, pages = 1 + data[2] % 8;
  std::u16string text;
  for (std::size_t i = 3; i + 1 < size; i += 2)
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  const krv::tool::TextLayout layout = krv::tool::LayOutText(text, columns, lines, pages);
  Check(!layout.pages.empty() && layout.pages.size() <= pages);
  std::u32string shown;
  for (const krv::tool::TextPage& page : layout.pages) {
    Check(page.size() <= lines);
    for (const std::u32string& line : page) {
      Check(line.size() <= columns);
      for (char32_t c : line) {
        if (Control(c)) std::abort();
        shown += c;
      }
    }
  }
  // "^X" stands for a control character and blanks for tabs; what remains in order is the
  // text's own printable characters, all of them unless the pages ran out.
  const std::u32string want = Printable(text);
  std::size_t at = 0;
  for (std::size_t i = 0; i < shown.size() && at < want.size(); ++i)
    if (shown[i] == want[at]) ++at;
  if (!layout.too_long) Check(at == want.size());
  return 0;
}
