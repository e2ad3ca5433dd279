// Number lists in brackets, quoted names and delimited parameters.
#include "korvex/stringl/params.h"

#include <string>

#include "korvex/stringl/format.h"

namespace krv {
namespace {

void AppendAscii(String& out, const std::string& s) {
  out.append(s.begin(), s.end());
}

// "[" + each item followed by ',', "...," when cut, the last comma replaced by ']'.
template <class T, class Write>
String BracketList(std::span<const T> values, bool trailingComma, std::int32_t maxCount,
                   Write write) {
  std::size_t n = values.size();
  const bool cut = maxCount > 0 && static_cast<std::size_t>(maxCount) < n;
  if (cut) n = static_cast<std::size_t>(maxCount);
  String out(1, u'[');
  for (std::size_t i = 0; i < n; ++i) {
    write(out, values[i]);
    out += u',';
  }
  if (cut) out += u"...,";
  if (out.back() == u',') {
    out.back() = u']';
  } else {
    out += u']';
  }
  if (trailingComma) out += u',';
  return out;
}

void WriteInt(String& out, std::int32_t v) {
  AppendAscii(out, std::to_string(v));
}

}  // namespace

String CreateParList(const TIntArray& values, bool trailingComma, std::int32_t maxCount) {
  return BracketList(std::span<const std::int32_t>(values), trailingComma, maxCount, WriteInt);
}

String CreateParList(std::span<const std::int32_t> values, bool trailingComma) {
  return BracketList(values, trailingComma, 0, WriteInt);
}

String CreateParList(const TDoubleArray& values, bool trailingComma, std::int32_t maxCount,
                     std::int32_t sigDigits) {
  return BracketList(std::span<const double>(values), trailingComma, maxCount,
                     [&](String& out, double v) { out += AutoFormatData(v, sigDigits); });
}

String CreateParList(std::span<const double> values, bool trailingComma) {
  return BracketList(values, trailingComma, 0,
                     [](String& out, double v) { out += AutoFormatData(v, 3); });
}

void ParseQuotedName(Char ch, Char quote, String& name, TQuotedStrState& state) {
  const bool space = ch <= u' ';  // blank or control character
  switch (state) {
    case vsStart:
      if (ch == quote) {
        state = vs1stQuote;
      } else if (!space) {
        name += ch;
        state = vsNormal;
      }
      break;
    case vs1stQuote:
      if (ch == quote) {
        state = vsQuote;
      } else {
        name += ch;
      }
      break;
    case vsQuote:
      if (ch == quote) {  // doubled: one quote belongs to the name
        name += ch;
        state = vs1stQuote;
      } else {
        state = vsEnd;
      }
      break;
    case vsNormal:
      if (space) {
        state = vsEnd;
      } else {
        name += ch;
      }
      break;
    default:  // vsEnd and values outside the enumeration
      state = vsEnd;
      break;
  }
}

bool ExtractParam(const String& list, std::int32_t index, Char delimiter, Char quote,
                  String& value) {
  value.clear();
  const std::size_t n = list.size();
  if (index < 1 || list.find_first_not_of(u' ') == String::npos) return false;
  const bool quoting = quote != delimiter;
  std::size_t i = 0;
  for (std::int32_t field = 1;; ++field) {
    const bool wanted = field == index;
    String text;
    while (i < n && list[i] == u' ') ++i;
    if (quoting && i < n && list[i] == quote) {
      // Quoted: up to a lone quote, then skip to the delimiter.
      for (++i; i < n; ++i) {
        if (list[i] != quote) {
          if (wanted) text += list[i];
        } else if (i + 1 < n && list[i + 1] == quote) {
          if (wanted) text += quote;
          ++i;
        } else {
          ++i;
          break;
        }
      }
      while (i < n && list[i] != delimiter) ++i;
    } else {
      const std::size_t start = i;
      while (i < n && list[i] != delimiter) ++i;
      if (wanted) {
        text = list.substr(start, i - start);
        text.erase(text.find_last_not_of(u' ') + 1);
      }
    }
    if (wanted) {
      value = std::move(text);
      return true;
    }
    if (i >= n) return false;  // no further delimiter: no further parameter
    ++i;                       // past the delimiter
  }
}

}  // namespace krv
