// A light, forgiving reader of XML-like tags in byte streams, text files and strings.
//
// A tag is the text between a `<` and the next `>`; tags whose text starts with `!`
// (comments, declarations) are skipped. The tag name is the text before the first blank
// (code 32), folded to lower case (ASCII); a closing tag keeps its slash (/item). A tag
// whose text contains "/>" is self-closing; its name is the text before the first blank, or
// before "/>" when there is none. The attribute text is everything after the first blank,
// without the closing `>` or "/>", stripped of leading and trailing blanks. There is no
// nesting, validation or entity decoding. A tag cut off by the end of the input keeps all
// the text read (there is no `>` to remove).
//
// Tag lists hold the known names in lower case and are compared as given. Lookup returns
// the index of the first equal entry, or the last index when none is equal (end a list
// with an entry no tag can have, such as "", to tell unknown tags apart; "" is also the
// name at the end of the input). An empty list gives -1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

using TTagList = std::vector<String>;

// Reads the next tag (stream bytes are characters of the same code) and returns its index
// in `tagList`. For an opening tag (a name that is not empty and starts neither with `/`
// nor with `?`: a processing instruction such as <?xml ...?> has no end tag) that is not
// self-closing, `contents` receives the text up to the first end tag of the
// same name (compared ignoring ASCII case); the input then stands after that end tag's `>`,
// or at its end when the end tag is missing (the contents are then the rest of the input).
// Otherwise the input stands after the tag's `>` and `contents` is empty.
// Example: list {label, text, font, ""} on `<label id="3"> <text>Hi</text> </label><font/>`
// gives 0 (attributes `id="3"`, contents ` <text>Hi</text> `), then 2, then 3.
std::int32_t ReadNextTagInStream(TStream& stream, const TTagList& tagList, String& attributes,
                                 String& contents);

// The same, reading characters from a text file open for input.
std::int32_t ReadNextTagInTextFile(TextFile& file, const TTagList& tagList, String& attributes,
                                   String& contents);

// The same, reading `text` from the 1-based `position` (below 1 counts as 1; past the end
// is the end of the input). `position` comes back at the first character not consumed
// (Length + 1 at the end).
std::int32_t ReadNextTagInString(const String& text, std::int32_t& position,
                                 const TTagList& tagList, String& attributes, String& contents);

// Finds the next complete tag in `text` without reading any contents. The search starts at
// the 1-based `tagStart` (below 1 counts as 1) and may use the characters up to `tagEnd`
// (0, negative or past the end: up to the end of the text). Tags starting with `!` are
// skipped. On success `tagStart` and `tagEnd` come back at the tag's `<` and `>`,
// `tagName` is its lower-cased name without a leading slash, `isEndTag` tells whether it
// had one, and the result is the lookup index of that bare name, so one list finds both
// the opening and the closing tags. Without a complete tag in range the result is -1,
// both positions 0, the name empty and `isEndTag` false.
std::int32_t DetectNextTagInString(const String& text, std::int32_t& tagStart, std::int32_t& tagEnd,
                                   const TTagList& tagList, String& tagName, bool& isEndTag);

// Reads tags until one named `tagName` (compared ignoring ASCII case; closing tags carry
// their slash, so "item" never matches </item>). Tags of other names are passed over
// without reading their contents, so a tag nested in another is found. Returns true with
// the tag's attributes and, for an opening tag, its contents (read as ReadNextTagInStream
// does); false at the end of the stream, with both strings empty.
bool ScanStreamForXMLTag(TStream& stream, const String& tagName, String& attributes,
                         String& contents);

// The value of the first attribute named `name` (ASCII case-insensitive) in attribute text
// such as `width="10" height=20`, or "" when there is none or the text has a syntax error
// before it. Pairs are read with a name / after = / quoted value / plain value machine: a
// `"` in a name, `=` right after `=`, or `=` in an unquoted value is a syntax error; blanks
// after `=` are skipped; a quoted value ends at the next `"`, a plain one at a blank or
// `"`. The end of the text completes a pair in any state (a name without `=` has the empty
// value). Names are compared after stripping blanks; values are returned unchanged.
String ScanForXMLAttrib(const String& attributes, const String& name);

// Reads the next pair of attribute text with the machine of ScanForXMLAttrib, starting at the
// 0-based index `pos` and leaving it after the pair. Returns false at the end of the text or
// at a syntax error; `name` comes back as written (blanks included), `value` unchanged.
bool NextXMLAttribPair(const String& attributes, std::size_t& pos, String& name, String& value);

}  // namespace krv
KORVEX_API_END
