#include "korvex/stringl/casemap.h"

namespace krv {

String UnicodeUpperCase(const String& s) {
  String out(s);
  for (Char& c : out) c = UnicodeUpper(c);
  return out;
}

String UnicodeLowerCase(const String& s) {
  String out(s);
  for (Char& c : out) c = UnicodeLower(c);
  return out;
}

}  // namespace krv
