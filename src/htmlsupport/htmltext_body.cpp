// HTML page skeleton, body extraction and conversion of a body to plain text.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "htmltext_internal.h"
#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/casefold.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

constexpr std::size_t npos = String::npos;

bool IsHtmlSpace(Char c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// First position at or after `from` where `pattern` (lower case ASCII) stands, ignoring
// ASCII case; npos when there is none.
std::size_t FindNoCase(std::u16string_view text, std::u16string_view pattern, std::size_t from) {
  for (std::size_t i = from; i + pattern.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < pattern.size() && AsciiLower(text[i + k]) == pattern[k]) ++k;
    if (k == pattern.size()) return i;
  }
  return npos;
}

// First tag starting with `open` ("<body", "</head") at or after `from` whose name ends
// there (followed by `>`, `/`, white space or the end of the text); npos when there is none.
std::size_t FindTag(std::u16string_view text, std::u16string_view open, std::size_t from) {
  for (std::size_t pos = FindNoCase(text, open, from); pos != npos;
       pos = FindNoCase(text, open, pos + 1)) {
    const std::size_t after = pos + open.size();
    if (after == text.size() || text[after] == u'>' || text[after] == u'/' ||
        IsHtmlSpace(text[after]))
      return pos;
  }
  return npos;
}

// Position of the `>` that ends the tag whose text continues at `from`, skipping quoted
// attribute values (a quote right after `=` and white space); npos when the tag is not closed.
std::size_t TagEnd(std::u16string_view text, std::size_t from) {
  bool afterEquals = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const Char c = text[i];
    if (c == u'>') return i;
    if (afterEquals && (c == u'"' || c == u'\'')) {
      i = text.find(c, i + 1);
      if (i == npos) return npos;
      afterEquals = false;
    } else if (c == u'=') {
      afterEquals = true;
    } else if (!IsHtmlSpace(c)) {
      afterEquals = false;
    }
  }
  return npos;
}

// Position after the tag starting at `tag`, or the end of the text when it is not closed.
std::size_t AfterTag(std::u16string_view text, std::size_t tag) {
  const std::size_t gt = TagEnd(text, tag + 1);
  return gt == npos ? text.size() : gt + 1;
}

bool IsBlockName(std::u16string_view name) {
  static constexpr std::array<std::u16string_view, 31> kBlocks = {
      u"p",    u"div",  u"h1",      u"h2",      u"h3",         u"h4",     u"h5",    u"h6",
      u"li",   u"ul",   u"ol",      u"dl",      u"dt",         u"dd",     u"table", u"tr",
      u"pre",  u"hr",   u"section", u"article", u"header",     u"footer", u"nav",   u"aside",
      u"main", u"form", u"figure",  u"address", u"blockquote", u"body",   u"html"};
  return std::find(kBlocks.begin(), kBlocks.end(), name) != kBlocks.end();
}

// Elements whose contents are not readable text.
bool IsHiddenName(std::u16string_view name) {
  return name == u"script" || name == u"style" || name == u"head" || name == u"title";
}

// Collects readable text, folding white space and placing line breaks.
class TextBuilder {
 public:
  explicit TextBuilder(Char lineBreak) : lineBreak_(lineBreak) {}

  void Text(const String& raw) {
    for (Char c : ResolveHTMLEntities(raw)) Put(c);
  }
  void Put(Char c) {
    if (IsHtmlSpace(c)) {
      pendingSpace_ = !out_.empty() && !endsWithBreak_;
      return;
    }
    if (pendingBreak_ && !out_.empty() && !endsWithBreak_) {
      out_ += lineBreak_;
    } else if (pendingSpace_) {
      out_ += u' ';
    }
    pendingBreak_ = pendingSpace_ = false;
    endsWithBreak_ = false;
    out_ += c;
  }
  void LineBreak() {
    out_ += lineBreak_;
    pendingBreak_ = pendingSpace_ = false;
    endsWithBreak_ = true;
  }
  void BlockBoundary() { pendingBreak_ = true; }
  String Take() { return std::move(out_); }

 private:
  Char lineBreak_;
  String out_;
  bool pendingSpace_ = false;
  bool pendingBreak_ = false;
  bool endsWithBreak_ = false;
};

}  // namespace

String DefaultHTMLHead(const String& title, const String& charset, const String& language,
                       const String& stylesheet, bool openBody) {
  String s = u"<!DOCTYPE html>\r\n";
  s +=
      language.empty() ? u"<html>" : u"<html lang=\"" + MakeStringHTMLCompatible(language) + u"\">";
  s += u"\r\n<head>\r\n<meta charset=\"";
  s += charset.empty() ? u"windows-1252" : MakeStringHTMLCompatible(charset);
  s += u"\">\r\n<title>";
  s += title.empty() ? u"Untitled" : MakeStringHTMLCompatible(title);
  s += u"</title>\r\n";
  if (!stylesheet.empty())
    s += u"<link rel=\"stylesheet\" href=\"" + MakeStringHTMLCompatible(stylesheet) + u"\">\r\n";
  s += u"</head>\r\n";
  if (openBody) s += u"<body>\r\n";
  return s;
}

String DefaultHTMLFoot(bool closeBody) {
  return closeBody ? u"</body>\r\n</html>\r\n" : u"</html>\r\n";
}

String ExtractHTMLBody(const String& html) {
  std::size_t start = 0;
  if (const std::size_t body = FindTag(html, u"<body", 0); body != npos) {
    start = AfterTag(html, body);
  } else if (const std::size_t head = FindTag(html, u"</head", 0); head != npos) {
    start = AfterTag(html, head);
  }
  std::size_t end = FindTag(html, u"</body", start);
  if (end == npos) end = FindTag(html, u"</html", start);
  if (end == npos) end = html.size();
  return html.substr(start, end - start);
}

String ConvertHTMLBodyToText(const String& html, Char lineBreak) {
  const String body = ExtractHTMLBody(html);
  const std::u16string_view text = body;
  const std::size_t n = text.size();
  TextBuilder out(lineBreak);
  String run;
  std::size_t i = 0;
  while (i < n) {
    const Char c = text[i];
    const Char next = i + 1 < n ? text[i + 1] : u'\0';
    const bool closing = next == u'/';
    const std::size_t nameStart = i + (closing ? 2 : 1);
    const bool isTag = c == u'<' && nameStart < n && IsLetter(text[nameStart]);
    if (c != u'<' || (!isTag && next != u'!' && next != u'?')) {
      run += c;
      ++i;
      continue;
    }
    out.Text(run);
    run.clear();
    if (text.substr(i, 4) == u"<!--") {
      const std::size_t close = text.find(u"-->", i + 4);
      i = close == npos ? n : close + 3;
      continue;
    }
    if (!isTag) {  // <!DOCTYPE ...>, <?...?>
      const std::size_t gt = text.find(u'>', i);
      i = gt == npos ? n : gt + 1;
      continue;
    }
    std::size_t nameEnd = nameStart;
    while (nameEnd < n && IsDigitLetter(text[nameEnd])) ++nameEnd;
    String name(text.substr(nameStart, std::min<std::size_t>(nameEnd - nameStart, 16)));
    for (Char& ch : name) ch = AsciiLower(ch);
    i = AfterTag(text, nameEnd - 1);
    if (name == u"br") {
      out.LineBreak();
    } else if (IsBlockName(name)) {
      out.BlockBoundary();
    } else if (!closing && IsHiddenName(name)) {
      const std::size_t close = FindTag(text, u"</" + name, i);
      i = close == npos ? n : close;
    }
  }
  out.Text(run);
  return out.Take();
}

}  // namespace krv
