// URL percent-coding, HTTP paths, and HTML text: words, entities, page skeleton, body text.
//
// All functions are stateless, never raise, and take time linear in the length of their
// input. Text is UTF-16; a character's code is its code unit's value.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Replaces each of the 20 characters  blank ! * ' ( ) ; : @ & = + $ , / ? % # [ ]  by `%`
// and its code as two upper-case hex digits ("a b/c" -> "a%20b%2Fc"). Every other character,
// controls and codes above 127 included, is copied unchanged (no UTF-8 step).
String URLEncode(const String& text);

// Applies one decoding pass twice, the second to the result of the first, so text encoded
// twice comes out plain ("%2541" -> "A"). A pass replaces `%` followed by two hex digits by
// the character of that code (0..255) and copies everything else; `+` stays `+`.
// URLDecode(URLEncode(s)) == s exactly when s holds no `%` followed by two hex digits (the
// second pass would decode that); URLDecode(URLEncode(URLEncode(s))) == s for every s.
String URLDecode(const String& text);

// Host and directory of a URL: everything up to and including the first "http://" (any
// case) is removed, then everything after the last `/` ("http://h/docs/page.html" ->
// "h/docs/"). Text without `/` comes back as it is after the first step.
String ExtractHTTPPath(const String& url);

// Counts the words of HTML text outside tags. `<` enters a tag and `>` leaves it (the `>`
// itself is then read as text); characters inside a tag are skipped. A word is a run of at
// least two characters ended by a member of WordSeps; a run at the very end of the text is
// not counted. With `ignoreNumbers` a run starting with a digit is not counted.
// `insideTag` carries the tag state from one call to the next (count a document line by
// line); nothing else survives the call.
std::int32_t CountWordsHTML(const String& text, bool ignoreNumbers, bool& insideTag);

// --- Entities -------------------------------------------------------------------------
// The named entities known here are the Latin-1 ones of HTMLLat1Entities (codes 160..255,
// "&nbsp;" .. "&yuml;", case-sensitive as in HTML) and the four markup ones &amp; &lt; &gt;
// &quot;.

// The entity of `c` when it has one of the known names ("&eacute;" for 233, "&lt;" for `<`),
// otherwise `c` itself as a one-character string.
String AnsiToHTMLEntity(Char c);

// `text` made safe as HTML content and as a quoted attribute value (either quote): the
// four markup characters and all codes 160..255 become their named entities, the
// apostrophe becomes "&#39;" and CR becomes "&#13;" (a parser would otherwise fold CR LF
// into LF). Everything else is copied: other controls (which HTML does not allow in a
// document at all, and which a numeric reference cannot carry either), characters above
// 255 and unpaired surrogates. ResolveHTMLEntities(MakeStringHTMLCompatible(s)) == s.
String MakeStringHTMLCompatible(const String& text);

// Replaces character references: the known named entities, "&#NNN;" (decimal) and
// "&#xHH;" / "&#XHH;" (hex), each with its closing `;`. A numeric value becomes what an
// HTML5 parser makes of it: 0, surrogates D800..DFFF and values above 10FFFF become U+FFFD;
// 80..9F become the Windows-1252 character of that byte (&#150; is an en dash); values above
// FFFF become a surrogate pair; any other value its character. Unknown names and malformed
// references (no `;`, no digits, a bad digit) are left exactly as they stand.
String ResolveHTMLEntities(const String& text);

// The replacement of `entity` when it is exactly one reference ResolveHTMLEntities would
// replace ("&eacute;" -> "é", "&#x41;" -> "A"); otherwise `entity` unchanged. Undoes
// AnsiToHTMLEntity for every character.
String HTMLEntityToAnsi(const String& entity);

// --- Page skeleton ----------------------------------------------------------------------

// The start of an HTML5 page, lines ended by CR LF: the doctype, <html lang="language">
// (no lang attribute when `language` is empty), <head>, <meta charset="charset">
// ("windows-1252", the encoding the library writes HTML files in, when `charset` is
// empty), <title>title</title> ("Untitled" when `title` is empty, since HTML5 requires a
// title that is not empty), a <link rel="stylesheet" href="stylesheet"> when `stylesheet`
// is not empty, and </head>; then <body> when `openBody` is true. Every value passes
// through MakeStringHTMLCompatible.
String DefaultHTMLHead(const String& title, const String& charset, const String& language,
                       const String& stylesheet, bool openBody);

// The end of an HTML5 page: "</body>" when `closeBody` is true, then "</html>", each line
// ended by CR LF.
String DefaultHTMLFoot(bool closeBody);

// --- Body text --------------------------------------------------------------------------

// The text between the body start tag and the body end tag, unchanged. Tag names are found
// ignoring ASCII case; a start tag is "<body" followed by `>`, `/` or white space and ends
// at the first `>` outside a quoted attribute value. Without a body start tag the text
// starts after the first "</head>", or at the beginning when there is none either; without
// a body end tag it ends before the first "</html" that follows, or at the end of the text.
// Body-like text inside comments or scripts is not told apart.
String ExtractHTMLBody(const String& html);

// The readable text of ExtractHTMLBody(html), with `lineBreak` as the line separator.
// Tags, comments, <!...> and <?...?> declarations, and the contents of <script>, <style>,
// <head> and <title> are dropped; character references are resolved as ResolveHTMLEntities
// does (so &nbsp; stays U+00A0). Runs of white space (blank, tab, LF, CR, form feed) become
// one blank, with none at the start, the end or next to a line break. `lineBreak` is
// written once for every <br> (also at the start or end), and once between blocks: at the
// start or end of p, div, h1..h6, li, ul, ol, dl, dt, dd, table, tr, pre, hr, blockquote,
// section, article, header, footer, nav, aside, main, form, figure and address, but only
// between two pieces of text and never right after another break. White space in <pre> is
// folded too. Other tags are removed without a trace ("a<b>b</b>" gives "ab"). A `<` not
// followed by a letter, `/`+letter, `!` or `?` is text.
String ConvertHTMLBodyToText(const String& html, Char lineBreak);

}  // namespace krv
KORVEX_API_END
