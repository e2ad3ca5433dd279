// ReadStreamUntil, ReadStreamUntilTagList and ExtractFromStream.
#include "korvex/streams/read_until.h"

#include <algorithm>

#include "korvex/streams/text_io.h"
#include "korvex/stringl/chars.h"
#include "streams/internal/byte_scan.h"
#include "streams/internal/tag_scan.h"

namespace krv {

String ReadStreamUntil(TStream& stream, const String& search, std::int32_t& status) {
  status = -1;
  String wanted = search;
  for (Char& c : wanted) c = AsciiLower(c);
  const std::int64_t start = stream.Position();
  if (wanted.empty()) {
    status = 0;
    return String();
  }
  constexpr std::size_t kBlock = 256;
  String text;
  String lowered;
  std::size_t searched = 0;  // occurrences starting before this index were ruled out
  std::size_t hit = String::npos;
  Byte block[kBlock];
  for (;;) {
    const std::size_t n = std::min(stream.Read(block, kBlock), kBlock);
    detail::AppendBytes(text, block, n);
    lowered.resize(text.size());
    for (std::size_t i = text.size() - n; i < text.size(); ++i) lowered[i] = AsciiLower(text[i]);
    hit = lowered.find(wanted, searched);
    if (hit != String::npos || n < kBlock) break;
    // Only a match overlapping the next block can still appear.
    if (lowered.size() >= wanted.size()) searched = lowered.size() - wanted.size() + 1;
  }
  if (hit == String::npos) return text;
  status = 0;
  text.resize(hit + wanted.size());
  stream.SetPosition(start + static_cast<std::int64_t>(text.size()));
  return text;
}

String ReadStreamUntilTagList(TStream& stream, const TTagList& tagList, std::int32_t& index) {
  index = -1;
  String text;
  detail::StreamChars src(stream);
  Char c;
  while (src.Next(c)) {
    if (c != u'<') {
      text.push_back(c);
      continue;
    }
    src.Sync();
    const std::int64_t lt_pos = stream.Position() - 1;
    String tag;
    while (src.Next(c)) {
      tag.push_back(c);
      if (c == u'>') break;
    }
    // Only a complete tag counts; one cut off by the end of the stream is text.
    const detail::ParsedTag t = detail::ParseTag(tag);
    const auto it = std::find(tagList.begin(), tagList.end(), t.name);
    if (!tag.empty() && tag.back() == u'>' && it != tagList.end()) {
      index = static_cast<std::int32_t>(it - tagList.begin());
      src.Sync();
      stream.SetPosition(lt_pos);
      return text;
    }
    text.push_back(u'<');
    text += tag;
  }
  return text;
}

std::int32_t ExtractFromStream(TStream& stream, TMemoryStream& dest, const TStringList& tagNames) {
  std::vector<String> wanted;
  for (const String& s : tagNames) {
    String w = s;
    for (Char& c : w) c = AsciiLower(c);
    wanted.push_back(std::move(w));
  }
  std::int32_t count = 0;
  detail::StreamChars src(stream);
  String tag;
  while (detail::FindTag(src, tag)) {
    const detail::ParsedTag t = detail::ParseTag(tag);
    if (t.name.empty() || t.name.front() == u'/' ||
        std::find(wanted.begin(), wanted.end(), t.name) == wanted.end()) {
      continue;
    }
    String contents;
    if (detail::OpensElement(t)) detail::ReadContents(src, t.name, contents);
    src.Sync();  // `dest` may be the stream itself
    WriteLnStream(dest, contents);
    ++count;
  }
  return count;
}

}  // namespace krv
