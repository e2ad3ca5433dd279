// TCustomTextLabel's XML element: the line-by-line writer and the tag-by-tag reader (format
// and choices in korvex/base/labels.h).
#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "korvex/base/labels.h"
#include "korvex/base/xmlnames.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/casemap.h"
#include "korvex/stringl/edit.h"
#include "korvex/stringl/numscan.h"
#include "labels/internal/label_attrib.h"

namespace krv {
namespace detail {

bool FindLabelAttribute(std::u16string_view attributes, std::u16string_view wanted, String& value) {
  enum State { kName, kValueStart, kQuoted, kUnquoted };
  std::size_t pos = 0;
  while (pos < attributes.size()) {
    String name;
    value.clear();
    State state = kName;
    bool pair_done = false;
    for (; pos < attributes.size() && !pair_done; ++pos) {
      const Char c = attributes[pos];
      switch (state) {
        case kName:
          if (c == u'=') {
            state = kValueStart;
          } else if (c == u'"') {
            value.clear();
            return false;
          } else if (c != u' ') {
            name.push_back(UnicodeLower(c));
          }
          break;
        case kValueStart:
          if (c == u'"') {
            state = kQuoted;
          } else if (c == u'=') {
            value.clear();
            return false;
          } else if (c != u' ') {
            value.push_back(c);
            state = kUnquoted;
          }
          break;
        case kQuoted:
          if (c == u'"')
            pair_done = true;
          else
            value.push_back(c);
          break;
        case kUnquoted:
          if (c == u' ' || c == u'"') {
            pair_done = true;
          } else if (c == u'=') {
            value.clear();
            return false;
          } else {
            value.push_back(c);
          }
          break;
      }
    }
    if (name == wanted) return true;
  }
  value.clear();
  return false;
}

std::int32_t LabelIntValue(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - u'0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::uint32_t LabelHexValue(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  if (!text.empty() && text[0] == u'$') i = 1;
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const Char c = text[i];
    std::uint32_t digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      break;
    value = (value << 4) | digit;
  }
  return value;
}

}  // namespace detail

namespace {

// ---- Writing ------------------------------------------------------------------------------

String Ascii(std::string_view s) {
  return String(s.begin(), s.end());
}

String IntText(std::int32_t v) {
  return Ascii(std::to_string(v));
}

// "$" and 6 upper-case hexadecimal digits of the low 24 bits.
String HexColor(TColor c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  String s = u"$";
  for (int shift = 20; shift >= 0; shift -= 4) s.push_back(kDigits[(c >> shift) & 0xF]);
  return s;
}

// Exponent notation with 17 significant digits (enough to read back the same double),
// right-aligned in at least 12 characters, independent of the locale.
String CoordText(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16);
  std::string s(buf, r.ptr);
  for (char& c : s) c = static_cast<char>(AsciiUpper(c));
  if (s.size() < 12) s.insert(0, 12 - s.size(), ' ');
  return Ascii(s);
}

// The word of an enumeration value, empty for a value outside the table.
template <std::size_t N>
String EnumWord(const std::array<XmlWord, N>& table, unsigned ordinal) {
  return ordinal < N ? String(table[ordinal]) : String();
}

String StyleWords(TFontStyles styles) {
  String s;
  for (unsigned k = 0; k < xmlFontStyle.size(); ++k) {
    if (!styles.Contains(static_cast<TFontStyle>(k))) continue;
    if (!s.empty()) s.push_back(u' ');
    s += xmlFontStyle[k];
  }
  return s;
}

// ---- Reading ------------------------------------------------------------------------------
//
// The reader takes its characters from a Source: a TextFile, or a StreamChars over a stream.
// Both give Eof() and ReadChar().

// The characters of a byte stream, each byte one Windows-1252 character, read a block at a
// time; what was read beyond the last character taken is given back when the stream can
// seek.
class StreamChars {
 public:
  explicit StreamChars(TStream& in) : in_(in) {}
  ~StreamChars() {
    if (pos_ < len_) in_.Seek(-static_cast<std::int64_t>(len_ - pos_), soFromCurrent);
  }
  StreamChars(const StreamChars&) = delete;
  StreamChars& operator=(const StreamChars&) = delete;

  bool Eof() {
    if (pos_ == len_ && !at_end_) {
      len_ = in_.Read(buf_, sizeof buf_);
      pos_ = 0;
      at_end_ = len_ == 0;
    }
    return pos_ == len_;
  }
  Char ReadChar() { return Eof() ? Char{26} : AnsiToChar(buf_[pos_++]); }

 private:
  TStream& in_;
  unsigned char buf_[4096];
  std::size_t pos_ = 0, len_ = 0;
  bool at_end_ = false;
};

// Reads one line without its LF or CR LF. Keeps at most kTxtLblMaxTextChars characters;
// a longer line is consumed and reported through too_long.
template <class Source>
String ReadBoundedLine(Source& f, bool& too_long) {
  String line;
  too_long = false;
  while (!f.Eof()) {
    const Char c = f.ReadChar();
    if (c == u'\n') break;
    if (line.size() < kTxtLblMaxTextChars)
      line.push_back(c);
    else
      too_long = true;
  }
  if (!line.empty() && line.back() == u'\r') line.pop_back();
  return line;
}

// Whether a lower-cased line starts the element for the lower-cased id.
bool StartsElement(const String& line, const String& id) {
  if (line.find(u"<custtextlbl") == String::npos || line.find(u"korvexlib") == String::npos)
    return false;
  if (id.empty()) return true;
  const std::size_t at = line.find(u"id=\"");
  if (at == String::npos) return false;
  const std::size_t start = at + 4;
  const std::size_t end = line.find(u'"', start);
  const String found = end == String::npos ? String() : line.substr(start, end - start);
  return StripLTBlanks(found) == id;
}

// Reads up to and including the next `stop`. False at the end of the file or when more than
// kTxtLblMaxTextChars characters come first.
template <class Source>
bool ReadThrough(Source& f, Char stop, String* out) {
  std::size_t n = 0;
  while (!f.Eof()) {
    const Char c = f.ReadChar();
    if (out != nullptr) out->push_back(c);
    if (c == stop) return true;
    if (++n > kTxtLblMaxTextChars) return false;
  }
  return false;
}

template <class Source>
bool SkipPast(Source& f, Char stop) {
  while (!f.Eof())
    if (f.ReadChar() == stop) return true;
  return false;
}

String Attr(const String& attributes, std::u16string_view name) {
  String value;
  detail::FindLabelAttribute(attributes, name, value);
  return value;
}

// Reads lines up to the one that starts the element for the lower-cased id; false at the end
// of the input. Sets *other (when given) on passing another label element.
template <class Source>
bool FindElement(Source& in, const String& id, bool* other) {
  while (!in.Eof()) {
    bool too_long = false;
    const String line = ReadBoundedLine(in, too_long);
    if (too_long) continue;
    const String lower = UnicodeLowerCase(line);
    if (StartsElement(lower, id)) return true;
    if (other != nullptr && StartsElement(lower, String())) *other = true;
  }
  return false;
}

// Reads the tags of the element up to its closing tag, handing each to apply(name,
// attributes, content), which tells whether it was the closing tag. True when it was read.
template <class Source, class Apply>
bool ReadTags(Source& in, Apply apply) {
  while (SkipPast(in, u'<')) {
    String tag;
    if (!ReadThrough(in, u'>', &tag)) return false;
    String name, attributes, content;
    const std::size_t blank = tag.find(u' ');
    if (tag.find(u"/>") != String::npos) {
      const std::size_t end = tag.size() - 2;  // "/>" can only end the tag
      name = tag.substr(0, std::min(blank, end));
      if (blank < end) attributes = StripLTBlanks(tag.substr(blank + 1, end - blank - 1));
    } else {
      const std::size_t end = tag.size() - 1;
      name = tag.substr(0, std::min(blank, end));
      if (blank < end) attributes = StripLTBlanks(tag.substr(blank + 1, end - blank - 1));
      if (name.empty() || name[0] != u'/') {
        if (!ReadThrough(in, u'>', &content)) return false;
        content.resize(std::min(content.find(u"</"), content.size()));
      }
    }
    if (apply(UnicodeLowerCase(name), attributes, content)) return true;
  }
  return false;
}

}  // namespace

void TCustomTextLabel::WriteToOpenXMLFile(TextFile& OutFile, bool CreateHeader, const String& ID,
                                          std::int32_t Indent) const {
  const String p(static_cast<std::size_t>(std::clamp(Indent, 1, 255)), u' ');
  if (CreateHeader) OutFile.WriteLn(p + u"<?xml version=\"1.0\"?>");
  OutFile.WriteLn();
  OutFile.WriteLn(p + u"<!-- TCustomTextLabel / Korvex -->");
  OutFile.WriteLn(p + u"<custtextlbl sig=\"KorvexLib\" vers=\"1.0\" id=\"" + ID + u"\">");
  OutFile.WriteLn(p + u"  <posxy x=" + CoordText(FPosX) + u" y=" + CoordText(FPosY) + u" />");
  OutFile.WriteLn(p + u"  <caption>" + FCaption + u"</caption>");
  OutFile.WriteLn(p + u"  <colors brd=" + HexColor(FColorBrd) + u" bg=" + HexColor(FColorBkg) +
                  u" shdw=" + HexColor(FColorShadow) + u" />");
  OutFile.WriteLn(p + u"  <shadowofs dx=" + IntText(FXShadow) + u" dy=" + IntText(FYShadow) +
                  u" />");
  OutFile.WriteLn(p + u"  <layer val=" + IntText(FLayer) + u" />");
  OutFile.WriteLn(p + u"  <transparent val=" + (FTransPar ? u"1" : u"0") + u" />");
  OutFile.WriteLn(p + u"  <visible val=" + (FVisible ? u"1" : u"0") + u" />");
  OutFile.WriteLn(p + u"  <alignment horiz=" + EnumWord(xmlAlignment, FAlignment) + u" vert=" +
                  EnumWord(xmlVerticalAlignment, FVertAlign) + u" />");
  OutFile.WriteLn(p + u"  <attachmode val=" + EnumWord(xmlTxtLblAttachMode, FAttachDat) + u" />");
  OutFile.WriteLn(p + u"  <font name=\"" + FFont->Name() + u"\" size=" + IntText(FFont->Size()) +
                  u" color=" + HexColor(FFont->Color()) + u" style=\"" +
                  StyleWords(FFont->Style()) + u"\" />");
  OutFile.WriteLn(p + u"  <style val=" + EnumWord(xmlTxtLblMode, FMode) + u" />");
  OutFile.WriteLn(p + u"</custtextlbl>");
}

bool TCustomTextLabel::ReadFromOpenXMLFile(TextFile& InFile, const String& ID) {
  if (!FindElement(InFile, UnicodeLowerCase(ID), nullptr)) return false;
  const bool closed =
      ReadTags(InFile, [this](const String& name, const String& attributes, const String& content) {
        return ApplyXmlElement(name, attributes, content);
      });
  Changed();
  return closed;
}

bool TCustomTextLabel::ReadFromXMLStream(TStream& InStream, const String& ID, bool* other_labels) {
  if (other_labels != nullptr) *other_labels = false;
  StreamChars in(InStream);
  if (!FindElement(in, UnicodeLowerCase(ID), other_labels)) return false;
  const bool closed =
      ReadTags(in, [this](const String& name, const String& attributes, const String& content) {
        return ApplyXmlElement(name, attributes, content);
      });
  Changed();
  return closed;
}

bool TCustomTextLabel::ApplyXmlElement(const String& name, const String& attributes,
                                       const String& content) {
  using detail::LabelHexValue;
  using detail::LabelIntValue;
  if (name == u"/custtextlbl") return true;
  if (name == u"posxy") {
    std::int32_t pos = 1;
    FPosX = ScanStringFPNum(Attr(attributes, u"x"), true, 3, pos);
    pos = 1;
    FPosY = ScanStringFPNum(Attr(attributes, u"y"), true, 3, pos);
  } else if (name == u"colors") {
    FColorBrd = LabelHexValue(Attr(attributes, u"brd"));
    FColorBkg = LabelHexValue(Attr(attributes, u"bg"));
    FColorShadow = LabelHexValue(Attr(attributes, u"shdw"));
  } else if (name == u"shadowofs") {
    FXShadow = LabelIntValue(Attr(attributes, u"dx"));
    FYShadow = LabelIntValue(Attr(attributes, u"dy"));
  } else if (name == u"layer") {
    FLayer = LabelIntValue(Attr(attributes, u"val"));
  } else if (name == u"transparent") {
    FTransPar = LabelIntValue(Attr(attributes, u"val")) == 1;
  } else if (name == u"visible") {
    FVisible = LabelIntValue(Attr(attributes, u"val")) == 1;
  } else if (name == u"alignment") {
    const int h = FindXmlWord(xmlAlignment, Attr(attributes, u"horiz"));
    if (h >= 0) FAlignment = static_cast<TAlignment>(h);
    const int v = FindXmlWord(xmlVerticalAlignment, Attr(attributes, u"vert"));
    if (v >= 0) FVertAlign = static_cast<TVerticalAlignment>(v);
  } else if (name == u"caption") {
    FCaption = content;
  } else if (name == u"attachmode") {
    const int m = FindXmlWord(xmlTxtLblAttachMode, Attr(attributes, u"val"));
    if (m >= 0) FAttachDat = static_cast<TTxtLblAttachMode>(m);
  } else if (name == u"style") {
    const int m = FindXmlWord(xmlTxtLblMode, Attr(attributes, u"val"));
    if (m >= 0) FMode = static_cast<TTxtLblMode>(m);
  } else if (name == u"font") {
    String value;
    if (detail::FindLabelAttribute(attributes, u"name", value)) FFont->SetName(value);
    if (detail::FindLabelAttribute(attributes, u"size", value))
      FFont->SetSize(LabelIntValue(value));
    if (detail::FindLabelAttribute(attributes, u"color", value))
      FFont->SetColor(LabelHexValue(value));
    if (detail::FindLabelAttribute(attributes, u"style", value)) {
      TFontStyles styles;
      for (std::size_t at = 0; at < value.size();) {
        std::size_t end = value.find(u' ', at);
        if (end == String::npos) end = value.size();
        const int k = FindXmlWord(xmlFontStyle, std::u16string_view(value).substr(at, end - at));
        if (k >= 0) styles.Include(static_cast<TFontStyle>(k));
        at = end + 1;
      }
      FFont->SetStyle(styles);
    }
  }
  return false;
}

}  // namespace krv
