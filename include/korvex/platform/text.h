// Conversions between UTF-8, UTF-16 (String) and Windows-1252 (ShortString).
//
// None of these throw. Malformed UTF-8 decodes to U+FFFD per bad sequence; unpaired
// surrogates encode to U+FFFD in UTF-8. Characters that Windows-1252 cannot hold become '?'.
#pragma once

#include <string>
#include <string_view>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

String ToUtf16(std::string_view utf8);
std::string ToUtf8(const String& s);
std::string ToUtf8(std::u16string_view s);

// File names. A POSIX name is a string of bytes, usually UTF-8 but not always. FromNativeName
// decodes it as UTF-8 and maps each byte that is not part of a valid sequence to the lone
// surrogate U+DC80 + byte (as Python's "surrogateescape"), so every stored name has a String
// that stands for it alone. ToNativeName gives the bytes back exactly: for every byte string b,
// ToNativeName(FromNativeName(b)) == b. It fails for strings no native name can come from: a
// lone surrogate outside U+DC80..U+DCFF, or an escape of a byte below 0x80.
String FromNativeName(std::string_view native);
bool ToNativeName(std::u16string_view name, std::string& native);
// As ToNativeName; "" when the name has no native form.
std::string NativeNameOf(std::u16string_view name);

// Windows-1252 byte -> UTF-16 code unit. The five unassigned bytes (81 8D 8F 90 9D)
// map to the C1 control of the same value, as Windows does.
Char AnsiToChar(unsigned char c);
// UTF-16 code unit -> Windows-1252 byte; false (and '?') when the character has no byte.
bool CharToAnsi(Char c, unsigned char& out);

// Whole-string Windows-1252 conversions; unmappable characters become '?'.
String FromAnsi(std::string_view ansi);
std::string ToAnsi(const String& s);
// As ToAnsi, cut to the first 255 characters.
ShortString ToShortString(const String& s);

}  // namespace krv
KORVEX_API_END
