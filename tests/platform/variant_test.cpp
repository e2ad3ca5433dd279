#include "korvex/platform/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

TEST(Variant, IntegralTypesPickTheKindOfTheirSizeAndSign) {
  struct Case {
    Variant v;
    TVarType kind;
  };
  const Case cases[] = {
      {Variant(std::int8_t{-1}), varShortInt},
      {Variant(std::uint8_t{1}), varByte},
      {Variant(std::int16_t{-1}), varSmallint},
      {Variant(std::uint16_t{1}), varWord},
      {Variant(std::int32_t{-1}), varInteger},
      {Variant(std::uint32_t{1}), varLongWord},
      {Variant(std::int64_t{-1}), varInt64},
      {Variant(std::uint64_t{1}), varUInt64},
      {Variant(true), varBoolean},
      {Variant(1.5f), varSingle},
      {Variant(1.5), varDouble},
      {Variant(Currency{15000}), varCurrency},
      {Variant(TDateTime{1.0}), varDate},
      {Variant(u"x"), varUString},
      {Variant(), varEmpty},
      {Variant::Null(), varNull},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.VarType(), c.kind) << ToUtf8(VarTypeName(c.kind));
}

TEST(Variant, ToText) {
  struct Case {
    Variant v;
    const char* text;
  };
  const Case cases[] = {
      {Variant(std::int8_t{-128}), "-128"},
      {Variant(std::uint64_t{18446744073709551615u}), "18446744073709551615"},
      {Variant(std::int64_t{-9223372036854775807 - 1}), "-9223372036854775808"},
      {Variant(0.5), "0.5"},
      {Variant(-2.0), "-2"},
      {Variant(1.0 / 3.0), "0.333333333333333"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(1e15), "1E15"},
      {Variant(1.5e-7), "1.5E-7"},
      {Variant(0.00001), "0.00001"},
      {Variant(0.0), "0"},
      {Variant(1.1f), "1.1"},
      {Variant(1e7f), "1E7"},
      {Variant(std::nan("")), "NAN"},
      {Variant(-std::numeric_limits<double>::infinity()), "-INF"},
      {Variant(Currency{12345}), "1.2345"},
      {Variant(Currency{-15000}), "-1.5"},
      {Variant(Currency{30000}), "3"},
      {Variant(Currency{std::numeric_limits<std::int64_t>::min()}), "-922337203685477.5808"},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(TDateTime{0.0}), "1899-12-30"},
      {Variant(TDateTime{2.75}), "1900-01-01 18:00:00"},
      {Variant(TDateTime{45000.5}), "2023-03-15 12:00:00"},
      {Variant(TDateTime{-1.25}), "1899-12-29 06:00:00"},
      {Variant(u"text"), "text"},
      {Variant(), ""},
      {Variant::Null(), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(VarToStr(c.v)), c.text) << c.text;
}

TEST(Variant, NullAndEmptyRefuseConversionExceptThroughVarToStr) {
  EXPECT_THROW(Variant::Null().AsString(), EVariantError);
  EXPECT_THROW(Variant().AsDouble(), EVariantError);
  EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
  try {
    Variant::Null().AsInteger();
  } catch (const EVariantError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (Int64)");
  }
}

TEST(Variant, DatesOutsideTheCalendarCannotBecomeText) {
  EXPECT_THROW(VarToStr(Variant(TDateTime{1e300})), EVariantError);
  EXPECT_THROW(VarToStr(Variant(TDateTime{std::nan("")})), EVariantError);
  EXPECT_EQ(ToUtf8(VarToStr(Variant(TDateTime{-693593.0}))), "0001-01-01");
  EXPECT_EQ(ToUtf8(VarToStr(Variant(TDateTime{2958465.0}))), "9999-12-31");
}

TEST(Variant, ToNumbers) {
  EXPECT_EQ(Variant(std::uint32_t{4000000000u}).AsDouble(), 4e9);
  EXPECT_EQ(Variant(Currency{-25000}).AsDouble(), -2.5);
  EXPECT_EQ(Variant(true).AsDouble(), -1.0);
  EXPECT_EQ(Variant(u" 3.25e1 ").AsDouble(), 32.5);
  EXPECT_EQ(Variant(u"-.5").AsDouble(), -0.5);
  EXPECT_EQ(Variant(u"1e-400").AsDouble(), 0.0);
  for (const char16_t* bad : {u"", u"abc", u"1,5", u"1e", u"--1", u"1e999", u"１"})
    EXPECT_THROW(Variant(bad).AsDouble(), EVariantError) << ToUtf8(String(bad));

  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5f).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency{25000}).AsInteger(), 2);
  EXPECT_EQ(Variant(Currency{35000}).AsInteger(), 4);
  EXPECT_EQ(Variant(Currency{-35000}).AsInteger(), -4);
  EXPECT_EQ(Variant(u"42").AsInteger(), 42);
  EXPECT_EQ(Variant(u"+42").AsInteger(), 42);
  EXPECT_EQ(Variant(u"4.5").AsInteger(), 4);
  EXPECT_EQ(Variant(u"9223372036854775807").AsInt64(), 9223372036854775807);
  EXPECT_EQ(Variant(std::int64_t{-2147483648LL}).AsInteger(), -2147483648LL);
}

TEST(Variant, OverflowRaisesInsteadOfWrapping) {
  EXPECT_THROW(Variant(std::int64_t{2147483648LL}).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(std::uint32_t{0x80000000u}).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(std::uint64_t{1ull << 63}).AsInt64(), EVariantError);
  EXPECT_THROW(Variant(1e10).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(std::nan("")).AsInt64(), EVariantError);
  EXPECT_THROW(Variant(9.3e18).AsInt64(), EVariantError);
  EXPECT_THROW(Currency::FromDouble(1e300), EVariantError);
  try {
    Variant(std::int64_t{1} << 40).AsInteger();
  } catch (const EVariantError& e) {
    EXPECT_STREQ(e.what(), "Overflow while converting variant of type (Int64) into type (Integer)");
  }
}

TEST(Variant, Booleans) {
  EXPECT_TRUE(Variant(u"TRUE").AsBoolean());
  EXPECT_FALSE(Variant(u" false").AsBoolean());
  EXPECT_TRUE(Variant(u"2").AsBoolean());
  EXPECT_TRUE(Variant(std::uint8_t{1}).AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_THROW(Variant(u"yes").AsBoolean(), EVariantError);
}

TEST(Variant, EqualityComparesKindAndPayload) {
  EXPECT_EQ(Variant(1), Variant(1));
  EXPECT_NE(Variant(1), Variant(std::int64_t{1}));
  EXPECT_NE(Variant(1.0), Variant(1.0f));
  EXPECT_EQ(Variant(std::nan("")), Variant(std::nan("")));
  EXPECT_NE(Variant(0.0), Variant(-0.0));
  EXPECT_EQ(Variant::Null(), Variant::Null());
  EXPECT_NE(Variant::Null(), Variant());
  EXPECT_NE(Variant(u""), Variant());
  EXPECT_EQ(Variant(u"a"), Variant(String(u"a")));
  EXPECT_EQ(Variant(Currency::FromDouble(1.23455)), Variant(Currency{12346}));
}

TEST(Variant, EqualityOfEveryPayloadKind) {
  struct Case {
    Variant a, b;
    bool equal;
  };
  const Case cases[] = {
      {Variant(std::int8_t{-1}), Variant(std::int8_t{-1}), true},
      {Variant(std::int8_t{-1}), Variant(std::int8_t{1}), false},
      {Variant(std::int16_t{-300}), Variant(std::int16_t{-300}), true},
      {Variant(std::int64_t{-1}), Variant(std::int64_t{0x7FFFFFFFFFFFFFFF}), false},
      {Variant(std::uint8_t{255}), Variant(std::uint8_t{255}), true},
      {Variant(std::uint32_t{4000000000u}), Variant(std::uint32_t{4000000001u}), false},
      {Variant(std::uint64_t{~0ull}), Variant(std::uint64_t{~0ull}), true},
      {Variant(Currency{-5}), Variant(Currency{-5}), true},
      {Variant(Currency{-5}), Variant(Currency{5}), false},
      {Variant(true), Variant(true), true},
      {Variant(true), Variant(false), false},
      {Variant(-0.0f), Variant(0.0f), false},
      {Variant(2.5f), Variant(2.5f), true},
      {Variant(TDateTime{1.25}), Variant(TDateTime{1.25}), true},
      {Variant(TDateTime{1.25}), Variant(1.25), false},
      {Variant(std::uint8_t{255}), Variant(std::int8_t{-1}), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.a == c.b, c.equal) << ToUtf8(VarToStr(c.a)) << " " << ToUtf8(VarToStr(c.b));
}

TEST(Variant, RawAccessorsReturnThePayloadOfTheirKinds) {
  EXPECT_EQ(Variant(std::int8_t{-5}).RawSigned(), -5);
  EXPECT_EQ(Variant(std::int16_t{-300}).RawSigned(), -300);
  EXPECT_EQ(Variant(std::int32_t{-70000}).RawSigned(), -70000);
  EXPECT_EQ(Variant(std::int64_t{-1} << 40).RawSigned(), std::int64_t{-1} << 40);
  EXPECT_EQ(Variant(Currency{-12345}).RawSigned(), -12345);
  EXPECT_EQ(Variant(std::uint8_t{250}).RawUnsigned(), 250u);
  EXPECT_EQ(Variant(std::uint16_t{65535}).RawUnsigned(), 65535u);
  EXPECT_EQ(Variant(std::uint32_t{4000000000u}).RawUnsigned(), 4000000000u);
  EXPECT_EQ(Variant(std::uint64_t{~0ull}).RawUnsigned(), ~0ull);
  EXPECT_EQ(Variant(-1.5f).RawSingle(), -1.5f);
  EXPECT_EQ(Variant(-2.25).RawDouble(), -2.25);
  EXPECT_EQ(Variant(TDateTime{3.5}).RawDouble(), 3.5);
  EXPECT_TRUE(Variant(true).RawBoolean());
  EXPECT_FALSE(Variant(false).RawBoolean());
  EXPECT_EQ(Variant(u"x").RawString(), u"x");
  // Another kind's accessor reinterprets the payload instead of reading undefined storage.
  EXPECT_EQ(Variant(std::int8_t{-1}).RawUnsigned(), ~0ull);
  EXPECT_EQ(Variant(1.0).RawUnsigned(), 0x3FF0000000000000u);
  EXPECT_EQ(Variant(u"x").RawSigned(), 0);
}

TEST(Variant, FloatFormatAgreesWithSlowReference) {
  // Reference: pick fixed or exponent form by counting the digits of a "%.*e" rendering.
  const double samples[] = {1,     10,     123.456, 1e14,          9.99999999999999e14,
                            1e-5,  9.9e-6, -0.1,    6.02214076e23, 1.7976931348623157e308,
                            5e-324};
  for (double v : samples) {
    const std::string got = ToUtf8(FloatToStrGeneral(v, 15));
    char ref[64];
    std::snprintf(ref, sizeof ref, "%.14e", v);
    const double rounded = std::fabs(std::strtod(ref, nullptr));
    EXPECT_EQ(std::strtod(got.c_str(), nullptr), std::strtod(ref, nullptr)) << got;
    const bool fixed = rounded >= 1e-5 && rounded < 1e15;
    EXPECT_EQ(got.find('E') == std::string::npos, fixed) << got;
  }
}

}  // namespace
}  // namespace krv
