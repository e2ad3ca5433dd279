// The tag scanner shared by the stream, text-file and string readers, written once over a
// character source with `bool Next(Char& c)` (false at the end of the input).
#pragma once

#include <cstdint>
#include <span>

#include "korvex/platform/stream.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"
#include "korvex/streams/tags.h"
#include "korvex/stringl/chars.h"

namespace krv::detail {

// Characters from a stream, one byte each. A stream that offers a buffer view is read from
// the view without a call per byte; the bytes taken are handed back to the stream when the
// view runs out, at Sync() and on destruction. Any other stream gets one Read per byte.
class StreamChars {
 public:
  explicit StreamChars(TStream& s) : s_(s) {}
  StreamChars(const StreamChars&) = delete;
  StreamChars& operator=(const StreamChars&) = delete;
  ~StreamChars() { Sync(); }

  bool Next(Char& c) {
    if (p_ == end_ && !Fill()) return false;
    c = *p_++;
    return true;
  }
  // Sets the stream's position right after the last character delivered and lets go of
  // the view; call it before using the stream directly.
  void Sync() {
    if (p_ != view_start_) s_.ConsumeBuffer(static_cast<std::size_t>(p_ - view_start_));
    view_start_ = p_ = end_ = nullptr;
  }

 private:
  bool Fill() {
    Sync();
    if (use_view_) {
      std::span<const Byte> view;
      if (s_.PeekBuffer(view)) {
        view_start_ = p_ = view.data();
        end_ = p_ + view.size();
        return p_ != end_;
      }
      use_view_ = false;
    }
    if (s_.Read(&byte_, 1) != 1) return false;
    // Not a view: the byte has been consumed already, so Sync has nothing to hand back.
    p_ = &byte_;
    end_ = view_start_ = p_ + 1;
    return true;
  }

  TStream& s_;
  bool use_view_ = true;
  Byte byte_ = 0;
  const Byte* view_start_ = nullptr;
  const Byte* p_ = nullptr;
  const Byte* end_ = nullptr;
};

class TextFileChars {
 public:
  explicit TextFileChars(TextFile& f) : f_(f) {}
  bool Next(Char& c) {
    if (f_.Eof()) return false;
    c = f_.ReadChar();
    return true;
  }

 private:
  TextFile& f_;
};

class StringChars {
 public:
  StringChars(const String& s, std::size_t index) : s_(s), i_(index) {}
  bool Next(Char& c) {
    if (i_ >= s_.size()) return false;
    c = s_[i_++];
    return true;
  }
  std::size_t Index() const { return i_; }

 private:
  const String& s_;
  std::size_t i_;
};

// A tag split into its parts.
struct ParsedTag {
  String name;  // lower-cased, closing tags keep their slash
  String attributes;
  bool self_closing = false;
};

// Splits the collected tag text (from after `<` up to and including `>`).
ParsedTag ParseTag(const String& tag);

// Index of `name` in `list` by the lookup rule (last index when absent, -1 when empty).
std::int32_t LookupTag(const TTagList& list, const String& name);

// True when the tag opens an element whose contents are read: not self-closing, and a name
// that is not empty, not a closing tag and not a processing instruction such as <?xml ...?>
// (which has no end tag, so reading contents would swallow the rest of the input).
inline bool OpensElement(const ParsedTag& t) {
  return !t.self_closing && !t.name.empty() && t.name.front() != u'/' && t.name.front() != u'?';
}

// Finds the next tag not starting with `!`: discards up to and including `<`, then collects
// up to and including `>`. Returns false when the input ended before a `<` (tag empty).
template <class Src>
bool FindTag(Src& src, String& tag) {
  for (;;) {
    tag.clear();
    Char c;
    bool opened = false;
    while (src.Next(c)) {
      if (c == u'<') {
        opened = true;
        break;
      }
    }
    if (!opened) return false;
    while (src.Next(c)) {
      tag.push_back(c);
      if (c == u'>') break;
    }
    if (tag.empty() || tag.front() != u'!') return true;
  }
}

// Reads characters into `contents` until "</name>" (ASCII case-insensitive) has been read,
// then cuts it off; at the end of the input `contents` holds everything read.
template <class Src>
void ReadContents(Src& src, const String& name, String& contents) {
  const String end_tag = u"</" + name + u">";
  const std::size_t m = end_tag.size();
  Char c;
  while (src.Next(c)) {
    contents.push_back(c);
    // Every occurrence of the end tag ends in `>`, so testing the tail at each `>` finds
    // the first one exactly when it completes.
    if (c != u'>' || contents.size() < m) continue;
    const Char* tail = contents.data() + contents.size() - m;
    std::size_t i = 0;
    while (i < m && AsciiLower(tail[i]) == end_tag[i]) ++i;
    if (i == m) {
      contents.resize(contents.size() - m);
      return;
    }
  }
}

template <class Src>
std::int32_t ReadNextTag(Src& src, const TTagList& list, String& attributes, String& contents) {
  attributes.clear();
  contents.clear();
  String tag;
  FindTag(src, tag);
  ParsedTag t = ParseTag(tag);
  attributes = std::move(t.attributes);
  const std::int32_t index = LookupTag(list, t.name);
  if (OpensElement(t)) ReadContents(src, t.name, contents);
  return index;
}

}  // namespace krv::detail
