// The HTML text helpers with Python names. Each is linear in its input; on a text of
// kReleaseGil characters or more it runs without the GIL (the argument is already a copy).
#include <string>

#include "html_text.h"
#include "korvex/htmlsupport/htmltext.h"
#include "strings_text.h"

namespace korvex_py {
namespace {

constexpr std::size_t kReleaseGil = 64 * 1024;

using TextFn = krv::String (*)(const krv::String&);

// f as a Python function of one str that releases the GIL for a large one.
auto OnText(TextFn f) {
  return [f](const py::str& str) {
    const krv::String text = Utf16Of(str);
    if (text.size() < kReleaseGil) return StrOf(f(text));
    krv::String out;
    {
      py::gil_scoped_release release;
      out = f(text);
    }
    return StrOf(out);
  };
}

std::int64_t CountWords(const krv::String& text, bool ignore_numbers, bool& inside) {
  if (text.size() < kReleaseGil) return krv::CountWordsHTML(text, ignore_numbers, inside);
  py::gil_scoped_release release;
  return krv::CountWordsHTML(text, ignore_numbers, inside);
}

// The words of a str, or of the lines of an iterable counted one after another with the tag
// state carried from each line to the next.
std::int64_t CountHtmlWords(const py::object& text, bool ignore_numbers) {
  bool inside = false;
  if (py::isinstance<py::str>(text)) return CountWords(Utf16Of(text), ignore_numbers, inside);
  std::int64_t words = 0;
  for (const py::handle line : py::iter(text)) {
    if (!py::isinstance<py::str>(line))
      throw py::type_error(std::string("lines must be str, not ") + Py_TYPE(line.ptr())->tp_name);
    words += CountWords(Utf16Of(line), ignore_numbers, inside);
  }
  return words;
}

void BindUrls(py::module_& m) {
  m.def("url_encode", OnText(&krv::URLEncode), py::arg("text"),
        "Each of blank ! * ' ( ) ; : @ & = + $ , / ? % # [ ] as '%' and two upper-case hex "
        "digits ('a b/c' -> 'a%20b%2Fc'); every other character unchanged (no UTF-8 step).");
  m.def("url_decode", OnText(&krv::URLDecode), py::arg("text"),
        "Two decoding passes of '%' and two hex digits into the character of that code, the "
        "second over the result of the first ('%2541' -> 'A'); '+' stays '+'.");
  m.def("http_path", OnText(&krv::ExtractHTTPPath), py::arg("url"),
        "Host and directory of a URL: up to the first 'http://' removed, then all after the "
        "last '/' ('http://h/docs/page.html' -> 'h/docs/').");
  m.def("count_html_words", &CountHtmlWords, py::arg("text"), py::kw_only(),
        py::arg("ignore_numbers") = false,
        "The words of HTML text outside tags (runs of two or more characters ended by a word "
        "separator; a run at the very end is not counted), of a str or of the lines of an "
        "iterable such as an open file; ignore_numbers skips runs starting with a digit.");
}

void BindEntities(py::module_& m) {
  m.def(
      "html_entity",
      [](const py::str& c) { return StrOf(krv::AnsiToHTMLEntity(OneChar(c, "char"))); },
      py::arg("char"),
      "The named entity of a character ('&eacute;' for 'é', '&lt;' for '<'), else the "
      "character itself.");
  m.def("html_entity_text", OnText(&krv::HTMLEntityToAnsi), py::arg("entity"),
        "The text of exactly one character reference ('&eacute;' -> 'é', '&#x41;' -> 'A'); "
        "anything else unchanged.");
  m.def("html_escape", OnText(&krv::MakeStringHTMLCompatible), py::arg("text"),
        "text safe as HTML content and as a quoted attribute value: & < > \" and codes "
        "160..255 as named entities, ' as '&#39;', CR as '&#13;'; html_unescape undoes it.");
  m.def("html_unescape", OnText(&krv::ResolveHTMLEntities), py::arg("text"),
        "Known named entities and numeric references (each with its ';') replaced as an HTML5 "
        "parser replaces them; unknown and malformed ones left as they stand.");
}

void BindPages(py::module_& m) {
  m.def(
      "html_head",
      [](const py::str& title, const py::str& charset, const py::str& language,
         const py::str& stylesheet, bool open_body) {
        return StrOf(krv::DefaultHTMLHead(Utf16Of(title), Utf16Of(charset), Utf16Of(language),
                                          Utf16Of(stylesheet), open_body));
      },
      py::arg("title") = "", py::kw_only(), py::arg("charset") = "", py::arg("language") = "",
      py::arg("stylesheet") = "", py::arg("open_body") = true,
      "The start of an HTML5 page up to </head> (and <body> with open_body), CR LF lines: "
      "charset 'windows-1252' and title 'Untitled' when empty; values are escaped.");
  m.def("html_foot", &krv::DefaultHTMLFoot, py::kw_only(), py::arg("close_body") = true,
        "The end of an HTML5 page: '</body>' (with close_body) and '</html>', CR LF lines.");
  m.def("html_body", OnText(&krv::ExtractHTMLBody), py::arg("html"),
        "The text between the body start and end tags, unchanged (after </head>, or all of it, "
        "when there is no body tag).");
  m.def(
      "html_to_text",
      [](const py::str& str, const py::str& line_break) {
        const krv::Char br = OneChar(line_break, "line_break");
        const krv::String html = Utf16Of(str);
        if (html.size() < kReleaseGil) return StrOf(krv::ConvertHTMLBodyToText(html, br));
        krv::String out;
        {
          py::gil_scoped_release release;
          out = krv::ConvertHTMLBodyToText(html, br);
        }
        return StrOf(out);
      },
      py::arg("html"), py::arg("line_break") = "\n",
      "The readable text of the body: tags, comments, scripts and styles dropped, references "
      "resolved, white space folded, line_break for <br> and between blocks.");
}

}  // namespace

void BindHtmlText(py::module_& m) {
  BindUrls(m);
  BindEntities(m);
  BindPages(m);
}

}  // namespace korvex_py
