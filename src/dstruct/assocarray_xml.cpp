// TAssocArray: the XML element on byte streams (format in assocarray.h) and
// AddXMLAttributes.
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "dstruct/internal/xml_text.h"
#include "korvex/dstruct/assocarray.h"
#include "korvex/streams/tags.h"
#include "korvex/streams/text_io.h"
#include "korvex/stringl/edit.h"

namespace krv {
namespace {

using detail::IntToText;
using detail::XmlCharset;

struct KindName {
  TVarType type;
  const char16_t* name;
};

constexpr std::array<KindName, 16> kKinds = {{
    {varEmpty, u"empty"},
    {varNull, u"null"},
    {varShortInt, u"shortint"},
    {varSmallint, u"smallint"},
    {varInteger, u"integer"},
    {varInt64, u"int64"},
    {varByte, u"byte"},
    {varWord, u"word"},
    {varLongWord, u"longword"},
    {varUInt64, u"uint64"},
    {varSingle, u"single"},
    {varDouble, u"double"},
    {varCurrency, u"currency"},
    {varDate, u"date"},
    {varBoolean, u"boolean"},
    {varUString, u"string"},
}};

String Ascii(const std::string& s) {
  return String(s.begin(), s.end());
}

bool ToAscii(const String& s, std::string& out) {
  out.clear();
  for (Char c : s) {
    if (c > 127) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

template <typename F, typename Bits>
String FloatText(F v) {
  if (std::isnan(v)) {
    Bits bits;
    std::memcpy(&bits, &v, sizeof bits);
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, bits, 16);
    return u"nan:" + Ascii(std::string(buf, end));
  }
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);  // shortest round trip
  return Ascii(std::string(buf, end));
}

template <typename F, typename Bits>
bool ParseFloat(const String& s, F& out) {
  std::string t;
  if (!ToAscii(s, t) || t.empty()) return false;
  if (t.rfind("nan:", 0) == 0) {
    Bits bits = 0;
    const char* first = t.data() + 4;
    const char* last = t.data() + t.size();
    auto [p, ec] = std::from_chars(first, last, bits, 16);
    if (first == last || ec != std::errc() || p != last) return false;
    std::memcpy(&out, &bits, sizeof bits);
    return std::isnan(out);
  }
  if (t == "inf" || t == "-inf") {
    out = t[0] == '-' ? -std::numeric_limits<F>::infinity() : std::numeric_limits<F>::infinity();
    return true;
  }
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'))
      return false;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && p == t.data() + t.size();
}

String CurrencyText(std::int64_t scaled) {
  const bool neg = scaled < 0;
  const std::uint64_t mag =
      neg ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  const std::string frac = std::to_string(mag % 10000);
  std::string out = neg ? "-" : "";
  out.append(std::to_string(mag / 10000)).append(".").append(4 - frac.size(), '0').append(frac);
  return Ascii(out);
}

bool ParseCurrency(const String& s, std::int64_t& out) {
  std::string t;
  if (!ToAscii(s, t)) return false;
  const bool neg = !t.empty() && t[0] == '-';
  const std::size_t start = neg ? 1 : 0;
  const std::size_t dot = t.find('.');
  if (dot == std::string::npos || dot == start || t.size() - dot - 1 != 4) return false;
  std::uint64_t whole = 0, frac = 0;
  auto r1 = std::from_chars(t.data() + start, t.data() + dot, whole);
  auto r2 = std::from_chars(t.data() + dot + 1, t.data() + t.size(), frac);
  if (r1.ec != std::errc() || r1.ptr != t.data() + dot || r2.ec != std::errc() ||
      r2.ptr != t.data() + t.size())
    return false;
  if (whole > (std::uint64_t{1} << 63) / 10000) return false;
  const std::uint64_t mag = whole * 10000 + frac;
  if (mag > (std::uint64_t{1} << 63) - (neg ? 0 : 1)) return false;
  out = neg ? static_cast<std::int64_t>(0 - mag) : static_cast<std::int64_t>(mag);
  return true;
}

// The value text of an entry (before escaping).
String ValueText(const Variant& v) {
  switch (v.VarType()) {
    case varEmpty:
    case varNull:
      return String();
    case varSingle:
      return FloatText<float, std::uint32_t>(v.RawSingle());
    case varDouble:
    case varDate:
      return FloatText<double, std::uint64_t>(v.RawDouble());
    case varCurrency:
      return CurrencyText(v.RawSigned());
    case varBoolean:
      return v.RawBoolean() ? u"true" : u"false";
    case varUString:
      return v.RawString();
    case varByte:
    case varWord:
    case varLongWord:
    case varUInt64:
      return Ascii(std::to_string(v.RawUnsigned()));
    default:
      return Ascii(std::to_string(v.RawSigned()));
  }
}

template <typename T>
bool ParseIntegral(const String& s, Variant& out) {
  std::string t;
  if (!ToAscii(s, t) || t.empty()) return false;
  T v{};
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || p != t.data() + t.size()) return false;
  out = Variant(v);
  return true;
}

bool ParseValue(TVarType type, const String& s, Variant& out) {
  switch (type) {
    case varEmpty:
      out = Variant();
      return s.empty();
    case varNull:
      out = Variant::Null();
      return s.empty();
    case varShortInt:
      return ParseIntegral<std::int8_t>(s, out);
    case varSmallint:
      return ParseIntegral<std::int16_t>(s, out);
    case varInteger:
      return ParseIntegral<std::int32_t>(s, out);
    case varInt64:
      return ParseIntegral<std::int64_t>(s, out);
    case varByte:
      return ParseIntegral<std::uint8_t>(s, out);
    case varWord:
      return ParseIntegral<std::uint16_t>(s, out);
    case varLongWord:
      return ParseIntegral<std::uint32_t>(s, out);
    case varUInt64:
      return ParseIntegral<std::uint64_t>(s, out);
    case varSingle: {
      float f = 0;
      if (!ParseFloat<float, std::uint32_t>(s, f)) return false;
      out = Variant(f);
      return true;
    }
    case varDouble:
    case varDate: {
      double d = 0;
      if (!ParseFloat<double, std::uint64_t>(s, d)) return false;
      out = type == varDate ? Variant(TDateTime{d}) : Variant(d);
      return true;
    }
    case varCurrency: {
      std::int64_t scaled = 0;
      if (!ParseCurrency(s, scaled)) return false;
      out = Variant(Currency{scaled});
      return true;
    }
    case varBoolean:
      if (s != u"true" && s != u"false") return false;
      out = Variant(s == u"true");
      return true;
    case varUString:
      out = Variant(s);
      return true;
  }
  return false;
}

const char16_t* KindWord(TVarType t) {
  for (const auto& k : kKinds)
    if (k.type == t) return k.name;
  return u"empty";
}

bool KindFromWord(const String& word, TVarType& t) {
  for (const auto& k : kKinds)
    if (word == k.name) {
      t = k.type;
      return true;
    }
  return false;
}

}  // namespace

void TAssocArray::WriteToXMLStream(TStream& OutStream, bool CreateHeader,
                                   const String& DataID) const {
  const String& id = DataID.empty() ? FDataID : DataID;
  if (CreateHeader) WriteLnStream(OutStream, u"<?xml version=\"1.0\"?>");
  WriteLnStream(OutStream, u"<!-- TAssocArray / Korvex -->");
  WriteLnStream(OutStream, u"<assocarray sig=\"KorvexLib\" vers=\"1.0\" id=\"" +
                               detail::XmlEscape(id, XmlCharset::kAscii) + u"\" ignorecase=" +
                               (FIgnoreCase ? u"1" : u"0") + u" granularity=" +
                               IntToText(FGranularity) + u" entries=" + IntToText(FNEntries) +
                               u">");
  for (std::int32_t i = 0; i < FNEntries; ++i) {
    const Variant& v = FDataArray[static_cast<std::size_t>(i)];
    WriteLnStream(
        OutStream,
        String(u"  <entry kind=") + KindWord(v.VarType()) + u" key=\"" +
            detail::XmlEscape(FKeyArray[static_cast<std::size_t>(i)], XmlCharset::kAscii) + u"\">" +
            detail::XmlEscape(ValueText(v), XmlCharset::kAscii) + u"</entry>");
  }
  WriteLnStream(OutStream, u"</assocarray>");
}

bool TAssocArray::ReadFromXMLStream(TStream& InStream, const String& DataID) {
  const String& wanted = DataID.empty() ? FDataID : DataID;
  String attributes;
  for (;;) {
    bool end = false;
    const String line = ReadLnStream(InStream, end, kLnModeLF);
    if (detail::MatchElementLine(line, u"<assocarray", wanted, attributes)) break;
    if (end) return false;
  }
  String id;
  std::int64_t ignore_case = 0, granularity = 0, entries = 0;
  if (!detail::XmlUnescape(ScanForXMLAttrib(attributes, u"id"), id) ||
      !detail::ParseXmlInt(ScanForXMLAttrib(attributes, u"ignorecase"), 0, 1, ignore_case) ||
      !detail::ParseXmlInt(ScanForXMLAttrib(attributes, u"granularity"), 1, 1 << 20, granularity) ||
      !detail::ParseXmlInt(ScanForXMLAttrib(attributes, u"entries"), 0,
                           std::numeric_limits<std::int32_t>::max(), entries))
    return false;

  enum Tag { kEntry, kEnd, kEmpty, kUnknown };
  // The last entry is one no tag can have: unknown names are told apart from the empty
  // name of the end of the input.
  const TTagList tags = {u"entry", u"/assocarray", u"", u"\x01"};
  std::vector<std::pair<String, Variant>> read;
  String contents;
  for (;;) {
    const std::int32_t tag = ReadNextTagInStream(InStream, tags, attributes, contents);
    if (tag == kEmpty) return false;  // the input ended before </assocarray>
    if (tag == kUnknown) continue;
    if (tag == kEnd) break;
    TVarType type;
    String key, text;
    Variant value;
    if (!KindFromWord(ScanForXMLAttrib(attributes, u"kind"), type) ||
        !detail::XmlUnescape(ScanForXMLAttrib(attributes, u"key"), key) ||
        !detail::XmlUnescape(contents, text) || !ParseValue(type, text, value) ||
        static_cast<std::int64_t>(read.size()) >= entries)
      return false;
    read.emplace_back(std::move(key), std::move(value));
  }
  if (static_cast<std::int64_t>(read.size()) != entries) return false;

  FIgnoreCase = ignore_case != 0;
  SetGranularity(static_cast<std::int32_t>(granularity));
  Clear();
  for (auto& [key, value] : read) Append(key, value);
  FDataID = id;
  return true;
}

std::int32_t TAssocArray::AddXMLAttributes(const String& Attributes) {
  // Pairs are read as the tag scanner reads them; a syntax error ends the list.
  std::int32_t added = 0;
  std::size_t pos = 0;
  String name, value;
  while (NextXMLAttribPair(Attributes, pos, name, value)) {
    name = StripLTBlanks(name);
    if (name.empty()) continue;  // no name (only blanks left, or "=value")
    Add(name, Variant(value));
    ++added;
  }
  return added;
}

}  // namespace krv
