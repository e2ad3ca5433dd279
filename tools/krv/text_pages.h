// Text laid out in pages of fixed-width lines, for krv print.
//
// The text is cut into lines at LF (a CR before it belongs to the line end). Each character
// takes one column. A tab moves to the next multiple of 8 columns, or to the end of the line
// when that comes first; other control characters (U+0000..U+001F, U+007F) are shown as cat -v
// shows them,
// "^@".."^_" and "^?". A line longer than the page is wide goes on in the next line. A form
// feed ends the page: what follows starts the next page (a page with nothing on it is kept
// blank), except that a form feed at the very end adds no blank page. An empty text is one
// blank page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace krv::tool {

// Lines of code points, a page being at most `lines` of them.
using TextPage = std::vector<std::u32string>;

struct TextLayout {
  std::vector<TextPage> pages;
  bool too_long = false;  // more than max_pages would be needed; pages then stops there
};

// Lays text (UTF-16; an unpaired surrogate becomes U+FFFD) out on pages of `lines` lines of
// `columns` columns (both at least 1), at most max_pages pages.
TextLayout LayOutText(std::u16string_view text, std::size_t columns, std::size_t lines,
                      std::size_t max_pages);

}  // namespace krv::tool
