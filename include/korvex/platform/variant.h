// Variant: the run-time's tagged value. It holds nothing (empty), null, a signed or unsigned
// integer of 8, 16, 32 or 64 bits, a single, a double, a currency amount, a date, a Boolean
// or a text.
//
// Conversions follow the run-time's rules:
// - To text (VarToStr): integers in decimal; doubles with up to 15 significant digits and
//   singles with up to 7, in fixed notation when the decimal exponent lies in -5..14
//   (-5..6 for singles), else as mantissa "E" exponent ("1.5E-7", "1E20"); "NAN", "INF",
//   "-INF"; currency with up to four decimals and no trailing zeros; Boolean "True" or
//   "False"; a date as "yyyy-mm-dd", followed by " hh:nn:ss" unless the time is midnight.
//   The full stop is the decimal point whatever the locale. Empty and null give "".
// - To numbers: integer kinds, floats, currency and dates convert numerically; Boolean gives
//   -1 (true) or 0; text is read as a decimal number ("." as separator, optional sign and
//   exponent, surrounding blanks allowed) and raises EVariantError when it is not one.
//   Conversions to an integer round floats to the nearest integer, ties to even; a value
//   outside the target range raises EVariantError ("Overflow ..."), as does converting
//   empty or null to anything but text.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The kind codes of the run-time's variants (same numeric values).
enum TVarType : std::uint16_t {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,
  varInteger = 0x0003,
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,
  varDate = 0x0007,
  varBoolean = 0x000B,
  varShortInt = 0x0010,
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varUInt64 = 0x0015,
  varUString = 0x0102,
};

// A fixed-point amount with four decimals, stored as a 64-bit count of 1/10000.
struct Currency {
  std::int64_t Scaled = 0;

  static constexpr Currency FromScaled(std::int64_t v) { return Currency{v}; }
  // Nearest representable amount (ties to even); raises EVariantError outside the range.
  static Currency FromDouble(double v);
  double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
  friend bool operator==(Currency, Currency) = default;
};

// A point in time: days since 1899-12-30 in the integral part, the time of day in the
// fraction.
struct TDateTime {
  double Value = 0;
  friend bool operator==(TDateTime, TDateTime) = default;
};

class Variant {
 public:
  // An empty (unassigned) variant.
  Variant() = default;
  // Every integral type except bool picks the kind of its size and signedness.
  template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
      Variant(T v) {  // NOLINT(google-explicit-constructor)
    if constexpr (std::is_signed_v<T>) {
      type_ = sizeof(T) == 1   ? varShortInt
              : sizeof(T) == 2 ? varSmallint
              : sizeof(T) == 4 ? varInteger
                               : varInt64;
      bits_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
    } else {
      type_ = sizeof(T) == 1   ? varByte
              : sizeof(T) == 2 ? varWord
              : sizeof(T) == 4 ? varLongWord
                               : varUInt64;
      bits_ = static_cast<std::uint64_t>(v);
    }
  }
  Variant(bool v) : type_(varBoolean), bits_(v ? 1 : 0) {}                         // NOLINT
  Variant(float v) : type_(varSingle), bits_(std::bit_cast<std::uint32_t>(v)) {}   // NOLINT
  Variant(double v) : type_(varDouble), bits_(std::bit_cast<std::uint64_t>(v)) {}  // NOLINT
  Variant(Currency v)
      : type_(varCurrency), bits_(static_cast<std::uint64_t>(v.Scaled)) {}                // NOLINT
  Variant(TDateTime v) : type_(varDate), bits_(std::bit_cast<std::uint64_t>(v.Value)) {}  // NOLINT
  Variant(String v) : type_(varUString), s_(std::move(v)) {}                              // NOLINT
  Variant(const Char* v) : type_(varUString), s_(v != nullptr ? v : u"") {}               // NOLINT

  // The null variant.
  static Variant Null() {
    Variant v;
    v.type_ = varNull;
    return v;
  }

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsIntegerKind() const;
  bool IsFloatKind() const { return type_ == varSingle || type_ == varDouble; }

  // Conversions; see the header comment for the rules and the errors they raise.
  String AsString() const;
  double AsDouble() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  bool AsBoolean() const;

  // The stored payload, without conversion. Each reads the 64-bit payload as its own type:
  // RawSigned for the signed kinds and currency (scaled count), RawUnsigned for the unsigned
  // kinds, RawSingle for singles, RawDouble for doubles and dates, RawBoolean for Booleans,
  // RawString for texts. For any other kind the result is that payload reinterpreted (integers
  // in two's complement, floats by their bits; zero for empty, null and text), never undefined.
  std::int64_t RawSigned() const { return static_cast<std::int64_t>(bits_); }
  std::uint64_t RawUnsigned() const { return bits_; }
  float RawSingle() const { return std::bit_cast<float>(static_cast<std::uint32_t>(bits_)); }
  double RawDouble() const { return std::bit_cast<double>(bits_); }
  bool RawBoolean() const { return bits_ != 0; }
  const String& RawString() const { return s_; }

  // Same kind and same payload (floats compared bit for bit, so NaN equals itself).
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  TVarType type_ = varEmpty;
  // The payload of every kind but text, as bits: integers and currency in two's complement
  // (signed kinds sign-extended), a double or date as its 64 bits, a single as its 32 bits,
  // a Boolean as 0 or 1. Empty, null and text keep 0, so equal values have equal bits.
  std::uint64_t bits_ = 0;
  String s_;
};

// The name of a kind as the run-time shows it in messages ("Int64", "UnicodeString", ...).
String VarTypeName(TVarType t);

// Text of a variant; empty and null give the empty text (never raises for these kinds).
String VarToStr(const Variant& v);

inline bool VarIsNull(const Variant& v) {
  return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
  return v.IsEmpty();
}

// The run-time's float-to-text form used by VarToStr: `digits` significant digits (15 for
// doubles, 7 for singles), trailing zeros removed, full stop as decimal point.
String FloatToStrGeneral(double v, int digits);

}  // namespace krv
KORVEX_API_END
