// Text helpers shared by the XML readers and writers of TStringArray and TAssocArray.
#pragma once

#include <cstdint>

#include "korvex/platform/types.h"

namespace krv::detail {

// Which characters XmlEscape writes as &#N;.
enum class XmlCharset : std::uint8_t {
  kWindows1252,  // characters a Windows-1252 text file cannot carry as they are
  kAscii,        // everything outside 32..126
};

// & < > " become &amp; &lt; &gt; &quot;; characters below 32, 127, U+0080..U+009F and the
// characters outside the chosen set become &#N; (N the decimal UTF-16 code unit).
String XmlEscape(const String& s, XmlCharset set);

// Reverses XmlEscape (and also reads &apos; and &#xH;). False for an unknown or
// unterminated entity, a code beyond U+FFFF, or a raw '<' or '>'.
bool XmlUnescape(const String& s, String& out);

// A decimal integer filling the whole text (optional sign, at least one digit) within
// lo..hi.
bool ParseXmlInt(const String& s, std::int64_t lo, std::int64_t hi, std::int64_t& out);

// ASCII lower-casing.
String FoldAscii(String s);

String IntToText(std::int64_t v);

// True when `line` holds the start tag `open` ("<strarray"...) with the library's signature
// "korvexlib" (both in any case) and, unless `wanted_id` is empty or blank, an id attribute
// that equals it without regard to ASCII case and surrounding blanks (after unescaping).
// `attributes` receives the text after the tag name up to the line's last '>' (for
// ScanForXMLAttrib).
bool MatchElementLine(const String& line, const String& open, const String& wanted_id,
                      String& attributes);

}  // namespace krv::detail
