// Feature values in typed columns (see features_columns.h).
#include "features_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <limits>
#include <system_error>
#include <thread>

#include "korvex/stringl/chars.h"

namespace korvex_py {
namespace {

bool EqualsFolded(const krv::String& s, std::u16string_view lower) {
  if (s.size() != lower.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (krv::AsciiLower(s[i]) != lower[i]) return false;
  return true;
}

// Converts the objects first..last - 1 of every feature, object by object (the order of the
// file's value lines), and records the first fault. StoreValue checks a text before
// converting it, so a conversion raises only for a text the check passes and the conversion
// refuses; that counts as a fault as well.
void ConvertSome(std::vector<ColumnSink>& sinks, std::size_t first, std::size_t last,
                 const TextSource& source, ConvertFault& fault) {
  krv::String text;
  std::size_t f = 0, o = first;
  try {
    for (; o < last; ++o)
      for (f = 0; f < sinks.size(); ++f) {
        source(f, o, text);
        if (!StoreValue(sinks[f], o, text)) {
          fault = {true, f, o};
          return;
        }
      }
  } catch (const std::exception&) {
    fault = {true, f, o};
  }
}

}  // namespace

bool StoreValue(ColumnSink& sink, std::size_t o, const krv::String& s) {
  switch (sink.kind) {
    case krv::fkDouble:
      if (s.empty()) {
        sink.real[o] = std::numeric_limits<double>::quiet_NaN();
        return true;
      }
      return krv::TryFeatStrToFloat(s, sink.real[o]);
    case krv::fkInteger:
      sink.missing[o] = s.empty();
      sink.integer[o] = 0;
      if (s.empty()) return true;
      if (!krv::IsValidFeatInteger(s)) return false;
      sink.integer[o] = krv::FeatStrToInt(s);
      return true;
    case krv::fkTriState:
      sink.missing[o] = s.empty();
      sink.truth[o] = 0;
      if (s.empty() || EqualsFolded(s, u"false")) return true;
      sink.truth[o] = 1;
      return EqualsFolded(s, u"true");
    case krv::fkString:
      (*sink.text)[o] = s;
      return true;
    default:
      return false;
  }
}

ConvertFault ConvertColumns(std::vector<ColumnSink>& sinks, std::size_t n_objects,
                            const TextSource& source) {
  const bool two = sinks.size() * n_objects >= 65536 && std::thread::hardware_concurrency() > 1;
  ConvertFault a, b;
  if (!two) {
    ConvertSome(sinks, 0, n_objects, source, a);
    return a;
  }
  const std::size_t half = n_objects / 2;
  std::thread other;
  try {
    other = std::thread([&] { ConvertSome(sinks, half, n_objects, source, b); });
  } catch (const std::system_error&) {
    ConvertSome(sinks, 0, n_objects, source, a);  // no second thread to be had
    return a;
  }
  ConvertSome(sinks, 0, half, source, a);
  other.join();
  return a.failed ? a : b;
}

bool DoubleText(double v, krv::String& out) {
  out.clear();
  if (std::isnan(v)) return true;
  if (std::isinf(v)) return false;
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  for (const char* p = buf; p < r.ptr; ++p) {
    if (*p == 'e') {
      out.push_back(u'E');
      if (p[1] == '+') ++p;
    } else {
      out.push_back(static_cast<char16_t>(*p));
    }
  }
  return true;
}

}  // namespace korvex_py
