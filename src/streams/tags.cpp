// Tag scanning: the readers of streams, text files and strings, and the attribute scanner.
#include "korvex/streams/tags.h"

#include <algorithm>

#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"
#include "streams/internal/tag_scan.h"

namespace krv {
namespace detail {

ParsedTag ParseTag(const String& tag) {
  ParsedTag t;
  const std::size_t slash_gt = tag.find(u"/>");
  t.self_closing = slash_gt != String::npos;
  const std::size_t blank = tag.find(u' ');
  if (!t.self_closing) {
    String body = tag;
    if (!body.empty() && body.back() == u'>') body.pop_back();
    if (blank != String::npos) {
      t.attributes = StripLTBlanks(body.substr(blank + 1));
      body.resize(blank);
    }
    t.name = std::move(body);
  } else if (blank != String::npos && blank < slash_gt) {
    // "/>" ends the collected text, so the attributes run from the blank up to it.
    t.attributes = StripLTBlanks(tag.substr(blank + 1, slash_gt - blank - 1));
    t.name = tag.substr(0, blank);
  } else {
    t.name = tag.substr(0, slash_gt);
  }
  for (Char& c : t.name) c = AsciiLower(c);
  return t;
}

std::int32_t LookupTag(const TTagList& list, const String& name) {
  if (list.empty()) return -1;
  std::size_t i = 0;
  while (i + 1 < list.size() && list[i] != name) ++i;
  return static_cast<std::int32_t>(i);
}

}  // namespace detail

std::int32_t ReadNextTagInStream(TStream& stream, const TTagList& tagList, String& attributes,
                                 String& contents) {
  detail::StreamChars src(stream);
  return detail::ReadNextTag(src, tagList, attributes, contents);
}

std::int32_t ReadNextTagInTextFile(TextFile& file, const TTagList& tagList, String& attributes,
                                   String& contents) {
  detail::TextFileChars src(file);
  return detail::ReadNextTag(src, tagList, attributes, contents);
}

std::int32_t ReadNextTagInString(const String& text, std::int32_t& position,
                                 const TTagList& tagList, String& attributes, String& contents) {
  const std::size_t start =
      position < 1 ? 0 : std::min(static_cast<std::size_t>(position) - 1, text.size());
  detail::StringChars src(text, start);
  const std::int32_t index = detail::ReadNextTag(src, tagList, attributes, contents);
  position = static_cast<std::int32_t>(src.Index() + 1);
  return index;
}

std::int32_t DetectNextTagInString(const String& text, std::int32_t& tagStart, std::int32_t& tagEnd,
                                   const TTagList& tagList, String& tagName, bool& isEndTag) {
  const std::size_t limit = tagEnd <= 0 || static_cast<std::size_t>(tagEnd) > text.size()
                                ? text.size()
                                : static_cast<std::size_t>(tagEnd);
  std::size_t i = tagStart < 1 ? 0 : static_cast<std::size_t>(tagStart) - 1;
  tagStart = tagEnd = 0;
  tagName.clear();
  isEndTag = false;
  while (i < limit) {
    const std::size_t lt = text.find(u'<', i);
    if (lt == String::npos || lt >= limit) break;
    const std::size_t gt = text.find(u'>', lt + 1);
    if (gt == String::npos || gt >= limit) break;
    i = gt + 1;
    if (gt > lt + 1 && text[lt + 1] == u'!') continue;
    detail::ParsedTag t = detail::ParseTag(text.substr(lt + 1, gt - lt));
    isEndTag = !t.name.empty() && t.name.front() == u'/';
    tagName = isEndTag ? t.name.substr(1) : std::move(t.name);
    tagStart = static_cast<std::int32_t>(lt + 1);
    tagEnd = static_cast<std::int32_t>(gt + 1);
    return detail::LookupTag(tagList, tagName);
  }
  return -1;
}

bool ScanStreamForXMLTag(TStream& stream, const String& tagName, String& attributes,
                         String& contents) {
  attributes.clear();
  contents.clear();
  String wanted = tagName;
  for (Char& c : wanted) c = AsciiLower(c);
  detail::StreamChars src(stream);
  String tag;
  while (detail::FindTag(src, tag)) {
    detail::ParsedTag t = detail::ParseTag(tag);
    if (t.name != wanted) continue;
    attributes = std::move(t.attributes);
    if (detail::OpensElement(t)) detail::ReadContents(src, t.name, contents);
    return true;
  }
  return false;
}

bool NextXMLAttribPair(const String& attributes, std::size_t& pos, String& name, String& value) {
  enum State { kName, kAfterEq, kQuoted, kPlain };
  name.clear();
  value.clear();
  const std::size_t n = attributes.size();
  if (pos >= n) return false;
  State state = kName;
  while (pos < n) {
    const Char c = attributes[pos++];
    switch (state) {
      case kName:
        if (c == u'"') return false;
        if (c == u'=') {
          state = kAfterEq;
        } else {
          name.push_back(c);
        }
        break;
      case kAfterEq:
        if (c == u'"') {
          state = kQuoted;
        } else if (c == u'=') {
          return false;
        } else if (c != u' ') {
          state = kPlain;
          value.push_back(c);
        }
        break;
      case kQuoted:
        if (c == u'"') return true;
        value.push_back(c);
        break;
      case kPlain:
        if (c == u' ' || c == u'"') return true;
        if (c == u'=') return false;
        value.push_back(c);
        break;
    }
  }
  return true;  // the end of the text completes a pair in any state
}

String ScanForXMLAttrib(const String& attributes, const String& name) {
  String wanted = name;
  for (Char& c : wanted) c = AsciiLower(c);
  std::size_t pos = 0;
  String pair_name, value;
  while (NextXMLAttribPair(attributes, pos, pair_name, value)) {
    pair_name = StripLTBlanks(pair_name);
    for (Char& c : pair_name) c = AsciiLower(c);
    if (pair_name == wanted) return value;
  }
  return String();
}

}  // namespace krv
