// Reading a stream up to a search string or a tag, and pulling elements out of it. Stream
// bytes are characters of the same code; characters written are the low 8 bits of codes.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/types.h"
#include "korvex/streams/tags.h"

KORVEX_API_BEGIN
namespace krv {

// Reads 256-byte blocks until `search` occurs in the text read (ASCII case-insensitive) or
// a block comes back short. Found: status 0, the result is the text from the starting
// position up to and including the first occurrence, and the stream is set right after
// it. Not found: status -1, the result is the whole rest of the stream and the stream
// stands at its end. An empty search string is found at once (result "", stream unmoved).
String ReadStreamUntil(TStream& stream, const String& search, std::int32_t& status);

// Reads up to the next complete tag whose name (as the tag scanner reads it: lower case,
// closing tags with their slash) equals an entry of `tagList`. Found: `index` is that entry's
// index, the result is the text before the tag's `<`, and the stream is set back to that
// `<`, so ReadNextTagInStream reads the tag next. Not found: `index` is -1, the result is
// the rest of the stream (tags included) and the stream stands at its end.
String ReadStreamUntilTagList(TStream& stream, const TTagList& tagList, std::int32_t& index);

// Copies the contents of every element of `stream` (from its position to its end) named in
// `tagNames` (compared ignoring ASCII case) into `dest` at its position, each followed by
// CR LF; a self-closing listed tag gives an empty line and closing tags never count. Elements are
// read as ReadNextTagInStream reads them (contents end at the first matching end tag); elements of
// other names are passed over without reading their contents, so listed elements inside
// them are found. Returns the number of elements copied; the stream ends at its end.
std::int32_t ExtractFromStream(TStream& stream, TMemoryStream& dest, const TStringList& tagNames);

}  // namespace krv
KORVEX_API_END
