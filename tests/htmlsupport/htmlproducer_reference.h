// A slow, obvious conversion of HTML templates, step by step with 1-based positions, for
// comparison with THtmlProducer::Convert.
#pragma once

#include <string>

#include "korvex/htmlsupport/htmlproducer.h"

namespace krv::testing {

// Converts `tmpl` as Convert does, calling `handler` (when set) with `sender` for each tag.
// On a throw from the handler, `out` holds the output made before that tag.
inline void ReferenceConvert(const String& tmpl, const TOnHTMLTagEvent& handler,
                             THtmlProducer* sender, String& out) {
  out.clear();
  const long len = static_cast<long>(tmpl.size());
  auto at = [&](long i) { return tmpl[static_cast<std::size_t>(i - 1)]; };
  long i = 1;
  while (i <= len) {
    if (at(i) != u'<' || i == len || at(i + 1) != u'#') {
      out += at(i);
      ++i;
      continue;
    }
    long close = 0;
    for (long k = i + 1; k <= len && close == 0; ++k)
      if (at(k) == u'>') close = k;
    const long end = close != 0 ? close : len;
    String tag;
    for (long k = i; k <= end; ++k) tag += at(k);
    const long stop = close != 0 ? close : len + 1;  // first index after name and parameters
    String name;
    long k = i + 2;
    while (k < stop && at(k) != u' ') {
      const Char c = at(k);
      name += (c >= u'A' && c <= u'Z') ? static_cast<Char>(c + 32) : c;
      ++k;
    }
    String params;
    if (k < stop) {
      for (long m = k + 1; m < stop; ++m) params += at(m);
      while (!params.empty() && params[0] == u' ') params.erase(0, 1);
      while (!params.empty() && params.back() == u' ') params.pop_back();
    }
    String replacement = tag;
    if (handler) handler(sender, name, params, replacement);
    out += replacement;
    i = end + 1;
  }
}

}  // namespace krv::testing
