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

}  // namespace krv
KORVEX_API_END
