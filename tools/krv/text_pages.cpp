// Pages of fixed-width lines for krv print.
#include "text_pages.h"

#include <algorithm>

namespace krv::tool {
namespace {

constexpr std::size_t kTabStop = 8;

class Layouter {
 public:
  Layouter(std::size_t columns, std::size_t lines, std::size_t max_pages)
      : columns_(std::max<std::size_t>(columns, 1)),
        lines_(std::max<std::size_t>(lines, 1)),
        max_pages_(max_pages + 1) {  // room for a blank page that Finish drops
    NewPage();
  }

  bool Full() const { return layout_.too_long; }

  void Put(char32_t c) {
    if (c == U'\n') return EndLine();
    if (c == U'\f') return FormFeed();
    if (c == U'\t') {
      do Cell(U' ');
      while (line_.size() % kTabStop != 0 && line_.size() < columns_);
      return;
    }
    if (c < 0x20 || c == 0x7F) {
      Cell(U'^');
      return Cell(c == 0x7F ? U'?' : c + 0x40);
    }
    Cell(c);
  }

  TextLayout Finish() {
    if (open_) EndLine();
    if (layout_.pages.size() > 1 && layout_.pages.back().empty() && after_form_feed_)
      layout_.pages.pop_back();
    if (layout_.pages.size() >= max_pages_) {
      layout_.too_long = true;
      layout_.pages.resize(max_pages_ - 1);
    }
    return std::move(layout_);
  }

 private:
  void NewPage() {
    if (layout_.pages.size() == max_pages_) {
      layout_.too_long = true;
      return;
    }
    layout_.pages.emplace_back();
  }
  void Cell(char32_t c) {
    if (line_.size() == columns_) EndLine();  // a long line goes on in the next one
    line_ += c;
    open_ = true;
  }
  void EndLine() {
    if (layout_.too_long) return;
    if (layout_.pages.back().size() == lines_) NewPage();
    if (layout_.too_long) return;
    layout_.pages.back().push_back(std::move(line_));
    line_.clear();
    open_ = false;
    after_form_feed_ = false;
  }
  void FormFeed() {
    if (open_) EndLine();
    if (layout_.too_long) return;
    NewPage();
    after_form_feed_ = true;
  }

  std::size_t columns_, lines_, max_pages_;
  TextLayout layout_;
  std::u32string line_;
  bool open_ = false;             // the line holds something (or was started)
  bool after_form_feed_ = false;  // nothing went on the page a form feed began
};

}  // namespace

TextLayout LayOutText(std::u16string_view text, std::size_t columns, std::size_t lines,
                      std::size_t max_pages) {
  Layouter layouter(columns, lines, std::max<std::size_t>(max_pages, 1));
  for (std::size_t i = 0; i < text.size() && !layouter.Full(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    } else if (c == U'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      continue;  // CR LF ends the line as LF does
    }
    layouter.Put(c);
  }
  return layouter.Finish();
}

}  // namespace krv::tool
