#include "korvex/dstruct/featmat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

// Runs fn and returns the message of the EKRVDStructError it raises ("" when none).
template <typename Fn>
String ErrorOf(Fn&& fn) {
  try {
    fn();
  } catch (const EKRVDStructError& e) {
    return e.Message();
  }
  return u"(no error)";
}

TFeatProps Props(std::int32_t num, const char* name, TFeatKind kind) {
  TFeatProps p;
  p.FeatNum = num;
  p.FeatName = name;
  p.FeatKind = kind;
  return p;
}

// A matrix "fm" with five features, one of each kind, and three objects.
class FeatMat : public ::testing::Test {
 protected:
  void SetUp() override {
    m.SetName(u"fm");
    ASSERT_TRUE(m.Resize(5, 3));
    m.SetFeatProps(1, Props(10, "undef", fkUndefined));
    m.SetFeatProps(2, Props(20, "Count", fkInteger));
    m.SetFeatProps(3, Props(30, "Mass", fkDouble));
    m.SetFeatProps(4, Props(40, "Label", fkString));
    m.SetFeatProps(5, Props(50, "Flag", fkTriState));
    m.SetOnChange([this](TObject* s) { ++events, sender = s; });
  }
  TFeatureMatrix m;
  int events = 0;
  TObject* sender = nullptr;
};

TEST(FeatMatNew, EmptyWithUndefinedRecords) {
  TFeatureMatrix m;
  EXPECT_EQ(m.NFeatures(), 0);
  EXPECT_EQ(m.NObjects(), 0);
  const TFeatProps p = m.GetFeatProps(1);
  EXPECT_EQ(p.FeatName, "undefined");
  EXPECT_EQ(p.FeatKind, fkUndefined);
  EXPECT_EQ(p.FeatNum, 0);
  EXPECT_EQ(m.GetFeatValStr(1, 1), u"");
  EXPECT_EQ(FEATKINDIDS[fkTriState], u"tristate");
}

TEST_F(FeatMat, GrownRecordsStartZeroed) {
  m.SetNFeats(7);
  const TFeatProps p = m.GetFeatProps(7);
  EXPECT_EQ(p.FeatName, "");
  EXPECT_EQ(p.FeatKind, fkUndefined);
  EXPECT_EQ(m.GetFeatProps(2).FeatName, "Count");
}

TEST_F(FeatMat, EveryMessage) {
  m.SetFeatValStr(4, 1, u"abc");
  const struct {
    std::function<void()> call;
    const char16_t* message;
  } cases[] = {
      {[&] { m.GetFeatValInt(4, 1); }, u"Component \"fm\": feature is not an integer"},
      {[&] { m.SetFeatValint(5, 1, 1); },
       u"Component \"fm\": feature is not of numeric or string type"},
      {[&] { m.SetFeatValint(1, 1, 1); },
       u"Component \"fm\": feature is not of numeric or string type"},
      {[&] { m.GetFeatValDouble(4, 1); },
       u"Component \"fm\": feature is not a floating point number"},
      {[&] { m.SetFeatValDouble(2, 1, 1.5); },
       u"Component \"fm\": feature is not a floating point or string type"},
      {[&] { m.GetFeatValTriState(4, 1); }, u"Component \"fm\": feature is not a tri-state value"},
      {[&] { m.SetFeatValTriState(3, 1, tsTrue); },
       u"Component \"fm\": feature is not a tri-state or string type"},
      {[&] { m.GetFeatValStr(1, 2); }, u"Component \"fm\": feature 1 is undefined"},
      {[&] { m.SetFeatValStr(1, 2, u"x"); }, u"Component \"fm\": feature 1 is undefined"},
      {[&] { m.SetFeatValStr(2, 1, u"12a"); },
       u"Component \"fm\": feature value \"12a\" is not a valid integer number"},
      {[&] { m.SetFeatValStr(3, 1, u"1.2.3"); },
       u"Component \"fm\": feature value \"1.2.3\" is not a valid floating point number"},
      {[&] { m.SetFeatValStr(5, 1, u"yes"); },
       u"Component \"fm\": feature value \"yes\" is not a valid tri-state value"},
      {[&] { m.Fill(4, std::int64_t{1}); },
       u"Component \"fm\": feature 4 is not an integer number"},
      {[&] { m.Fill(2, 1.5); }, u"Component \"fm\": feature 2 is not floating point number"},
      {[&] { m.Fill(2, tsTrue); }, u"Component \"fm\": feature 2 is not a tri-state value"},
      {[&] { m.Fill(1, u"x"); }, u"Component \"fm\": feature 1 is undefined"},
      {[&] { m.Fill(2, u""); },
       u"Component \"fm\": feature value \"\" is not a valid integer number"},
      {[&] { m.Fill(3, u""); },
       u"Component \"fm\": feature value \"\" is not a valid floating point number"},
  };
  events = 0;
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.call), c.message);
  EXPECT_EQ(events, 0);  // a refused change fires nothing
  EXPECT_EQ(m.GetFeatValStr(2, 1), u"");
}

TEST_F(FeatMat, IntegerFeature) {
  m.SetFeatValStr(2, 1, u"");
  EXPECT_EQ(m.GetFeatValStr(2, 1), u"");
  EXPECT_THROW(m.GetFeatValInt(2, 1), EKRVDStructError);
  m.SetFeatValStr(2, 1, u"-17");
  EXPECT_EQ(m.GetFeatValInt(2, 1), -17);
  m.SetFeatValint(2, 2, 5000000000LL);  // written with 64 bits...
  EXPECT_EQ(m.GetFeatValStr(2, 2), u"5000000000");
  EXPECT_THROW(m.GetFeatValInt(2, 2), EConvertError);  // ...read with 32
  m.SetFeatValint(2, 2, -2147483648LL);
  EXPECT_EQ(m.GetFeatValInt(2, 2), -2147483648LL);
  EXPECT_EQ(m.GetFeatValInt(2, 9), 0);
  EXPECT_EQ(m.GetFeatValInt(0, 1), 0);
}

TEST_F(FeatMat, DoubleFeature) {
  m.SetFeatValint(3, 1, 42);
  EXPECT_EQ(m.GetFeatValStr(3, 1), u"42");
  EXPECT_EQ(m.GetFeatValDouble(3, 1), 42.0);
  m.SetFeatValDouble(3, 2, 0.1);
  EXPECT_EQ(m.GetFeatValStr(3, 2), u"0.1");
  EXPECT_EQ(m.GetFeatValDouble(3, 2), 0.1);
  m.SetFeatValStr(3, 3, u"1.5abc");  // the prefix passes the test, the conversion refuses
  EXPECT_THROW(m.GetFeatValDouble(3, 3), EConvertError);
  m.SetFeatValStr(3, 3, u" 2.5e1 ");
  EXPECT_EQ(m.GetFeatValDouble(3, 3), 25.0);
  EXPECT_EQ(m.GetFeatValDouble(3, 4), 0.0);
}

TEST_F(FeatMat, TriStateFeature) {
  m.SetFeatValTriState(5, 1, tsUndefined);
  EXPECT_EQ(m.GetFeatValStr(5, 1), u"");
  EXPECT_EQ(m.GetFeatValTriState(5, 1), tsUndefined);
  m.SetFeatValStr(5, 2, u"TRUE");
  EXPECT_EQ(m.GetFeatValStr(5, 2), u"TRUE");  // kept as given
  EXPECT_EQ(m.GetFeatValTriState(5, 2), tsTrue);
  m.SetFeatValTriState(5, 3, tsFalse);
  EXPECT_EQ(m.GetFeatValStr(5, 3), u"false");
  EXPECT_EQ(m.GetFeatValTriState(5, 3), tsFalse);
  EXPECT_EQ(m.GetFeatValTriState(5, 0), tsUndefined);
}

TEST_F(FeatMat, StringFeatureTakesEveryForm) {
  m.SetFeatValStr(4, 1, u"any text");
  m.SetFeatValint(4, 2, 7);
  EXPECT_EQ(m.GetFeatValInt(4, 2), 7);
  m.SetFeatValDouble(4, 3, 1e20);
  EXPECT_EQ(m.GetFeatValStr(4, 3), u"1E20");
  m.SetFeatValTriState(4, 3, tsTrue);
  EXPECT_EQ(m.GetFeatValStr(4, 3), u"true");
}

TEST_F(FeatMat, OutOfRangeSettersDoNothing) {
  events = 0;
  m.SetFeatValStr(6, 1, u"x");
  m.SetFeatValStr(4, 0, u"x");
  m.SetFeatValint(2, 4, 1);
  m.SetFeatValDouble(0, 1, 1);
  m.SetFeatValTriState(5, -1, tsTrue);
  m.SetFeatProps(6, Props(1, "x", fkString));
  m.SetFeatProps(0, Props(1, "x", fkString));
  EXPECT_FALSE(m.Fill(6, u"x"));
  EXPECT_FALSE(m.Fill(0, std::int64_t{1}));
  EXPECT_EQ(events, 0);
}

TEST_F(FeatMat, FillsFireOnce) {
  events = 0;
  EXPECT_TRUE(m.Fill(2, std::int64_t{-3}));
  EXPECT_TRUE(m.Fill(3, 2.5));
  EXPECT_TRUE(m.Fill(5, tsTrue));
  EXPECT_TRUE(m.Fill(4, u"a b"));
  EXPECT_TRUE(m.Fill(2, 8));
  EXPECT_EQ(events, 5);
  EXPECT_EQ(sender, &m);
  for (int o = 1; o <= 3; ++o) {
    EXPECT_EQ(m.GetFeatValStr(2, o), u"8");
    EXPECT_EQ(m.GetFeatValStr(3, o), u"2.5");
    EXPECT_EQ(m.GetFeatValStr(5, o), u"true");
    EXPECT_EQ(m.GetFeatValStr(4, o), u"a b");
  }
  EXPECT_TRUE(m.Fill(5, u""));  // an empty text is fine for tri-states and strings
  EXPECT_TRUE(m.Fill(4, u""));
}

TEST_F(FeatMat, StructureEditing) {
  for (int o = 1; o <= 3; ++o) {
    m.SetFeatValint(2, o, o);
    m.SetFeatValStr(4, o, String(1, static_cast<Char>(u'a' + o - 1)));
  }
  events = 0;
  m.InsertObject(4);  // only 1..NObjects
  EXPECT_EQ(m.NObjects(), 3);
  EXPECT_EQ(events, 0);
  m.InsertObject(2);
  EXPECT_EQ(m.NObjects(), 4);
  EXPECT_GE(events, 1);
  EXPECT_EQ(m.GetFeatValStr(2, 1), u"1");
  EXPECT_EQ(m.GetFeatValStr(2, 2), u"0");  // cleared as by ClearObject
  EXPECT_EQ(m.GetFeatValStr(3, 2), u"0");
  EXPECT_EQ(m.GetFeatValStr(4, 2), u"");
  EXPECT_EQ(m.GetFeatValStr(2, 3), u"2");
  EXPECT_EQ(m.GetFeatValStr(4, 4), u"c");
  m.RemoveObject(2);
  EXPECT_EQ(m.NObjects(), 3);
  EXPECT_EQ(m.GetFeatValStr(4, 2), u"b");
  m.CopyObject(3, 1);
  EXPECT_EQ(m.GetFeatValStr(4, 1), u"c");
  m.CopyObject(3, 4);
  EXPECT_EQ(m.GetFeatValStr(4, 1), u"c");

  m.InsertFeature(7);  // beyond NFeatures + 1: nothing
  EXPECT_EQ(m.NFeatures(), 5);
  m.InsertFeature(6);  // appends
  EXPECT_EQ(m.NFeatures(), 6);
  EXPECT_EQ(m.GetFeatProps(6).FeatName, "undefined");
  m.InsertFeature(2);
  EXPECT_EQ(m.NFeatures(), 7);
  EXPECT_EQ(m.GetFeatProps(2).FeatName, "undefined");
  EXPECT_EQ(m.GetFeatProps(3).FeatName, "Count");
  EXPECT_EQ(m.GetFeatValStr(3, 1), u"3");
  EXPECT_EQ(m.GetFeatValStr(5, 1), u"c");

  m.ClearFeature(3);
  EXPECT_EQ(m.GetFeatValStr(3, 2), u"0");
  m.ClearObject(1);
  EXPECT_EQ(m.GetFeatValStr(5, 1), u"");
  EXPECT_EQ(m.GetFeatValStr(4, 1), u"0");  // the double feature, now number 4
  events = 0;
  m.ResetToDefault();
  EXPECT_EQ(events, 3);  // once per object
  for (int o = 1; o <= 3; ++o) EXPECT_EQ(m.GetFeatValStr(5, o), u"");
}

TEST_F(FeatMat, RemoveTheOnlyObject) {
  m.SetNObjs(1);
  m.RemoveObject(1);
  EXPECT_EQ(m.NObjects(), 0);
  m.RemoveObject(1);
  EXPECT_EQ(m.NObjects(), 0);
}

TEST_F(FeatMat, FindFeatures) {
  EXPECT_EQ(m.FindFeatName(u"mass"), 3);
  EXPECT_EQ(m.FindFeatName(u"MASS"), 3);
  EXPECT_EQ(m.FindFeatName(u"nothing"), -1);
  EXPECT_EQ(m.FindFeatNum(40), 4);
  EXPECT_EQ(m.FindFeatNum(41), -1);
}

TEST_F(FeatMat, RecordsAreCutToTheirLengths) {
  TFeatProps p = Props(1, "a name longer than twenty characters", fkString);
  p.Comment = std::string(80, 'c');
  p.PresetValues = String(300, u'p');
  m.SetFeatProps(4, p);
  const TFeatProps q = m.GetFeatProps(4);
  EXPECT_EQ(q.FeatName, "a name longer than t");
  EXPECT_EQ(q.Comment.size(), 60u);
  EXPECT_EQ(q.PresetValues.size(), 300u);
}

TEST_F(FeatMat, ResizeKeepsOverlapAndRefusesBadCounts) {
  m.SetFeatValStr(4, 3, u"keep");
  events = 0;
  EXPECT_FALSE(m.Resize(-1, 2));
  EXPECT_FALSE(m.Resize(2, -1));
  EXPECT_FALSE(m.Resize(100000, 100000));  // beyond the cell limit
  EXPECT_FALSE(m.Resize(2147483647, 1));
  m.SetNFeats(-3);
  m.SetNObjs(-3);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(m.NFeatures(), 5);
  EXPECT_THROW(m.SetNObjs(2147483647), EKRVDStructError);
  EXPECT_EQ(m.NObjects(), 3);
  EXPECT_EQ(m.GetFeatValStr(4, 3), u"keep");
  EXPECT_TRUE(m.Resize(4, 5));
  EXPECT_EQ(events, 1);
  EXPECT_EQ(m.GetFeatValStr(4, 3), u"keep");
  EXPECT_EQ(m.GetFeatValStr(4, 5), u"");
  EXPECT_TRUE(m.Resize(4, 2));
  EXPECT_TRUE(m.Resize(4, 3));
  EXPECT_EQ(m.GetFeatValStr(4, 3), u"");
  m.Clear();
  EXPECT_EQ(m.NFeatures(), 0);
}

TEST_F(FeatMat, AssignCopiesEverything) {
  m.SetFeatValStr(4, 2, u"x");
  events = 0;
  TFeatureMatrix b;
  b.Assign(&m);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(b.NFeatures(), 5);
  EXPECT_EQ(b.NObjects(), 3);
  EXPECT_EQ(b.GetFeatValStr(4, 2), u"x");
  EXPECT_EQ(b.GetFeatProps(3).FeatName, "Mass");
  b.SetFeatValStr(4, 1, u"y");  // the handler came along
  EXPECT_EQ(events, 1);
  EXPECT_EQ(sender, &b);
  TComponent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
}

TEST(FeatMatText, IntegerValidity) {
  const struct {
    const char16_t* text;
    bool valid;
  } cases[] = {{u"0", true},    {u"12", true}, {u"-12", true}, {u"+7", true},  {u"", false},
               {u"-", false},   {u"+", false}, {u"1-", false}, {u" 1", false}, {u"1 ", false},
               {u"1.0", false}, {u"١", false}, {u"00", true},  {u"--1", false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsValidFeatInteger(c.text), c.valid) << ToUtf8(String(c.text));
}

TEST(FeatMatText, DoubleValidityFollowsTheStateTable) {
  const struct {
    const char16_t* text;
    bool valid;
  } cases[] = {
      {u"", false},      {u"1", true},      {u"-1.5", true},    {u"+.5", true},
      {u".", true},      {u"  3", true},    {u"3  x", true},    {u"- 3", false},
      {u"+-3", false},   {u"e5", false},    {u"x", false},      {u"1.2.3", false},
      {u"1.e5", true},   {u"1e", true},     {u"1e+", true},     {u"1e+5", true},
      {u"1E-5", true},   {u"1e 5", false},  {u"1e.5", false},   {u"1e+-5", false},
      {u"1e5.", true},   {u"1e4200", true}, {u"1e4201", false}, {u"1e00004200", true},
      {u"1.5abc", true}, {u"1,5", true},    {u"5-", true},      {u".5.", false},
      {u"1e5e", true},   {u"1ee5", false},  {u" ", false},      {u"+", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsValidFeatDouble(c.text), c.valid) << ToUtf8(String(c.text));
}

TEST(FeatMatText, NumberTexts) {
  const struct {
    double v;
    const char16_t* text;
  } cases[] = {{0.0, u"0"},
               {1.0, u"1"},
               {-2.5, u"-2.5"},
               {0.1, u"0.1"},
               {1e15, u"1E15"},
               {1e14, u"100000000000000"},
               {1e-5, u"0.00001"},
               {1.5e-6, u"1.5E-6"},
               {1.0 / 3, u"0.333333333333333"},
               {123456.789, u"123456.789"},
               {-1e300, u"-1E300"},
               {2.0 / 3, u"0.666666666666667"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FeatFloatToStr(c.v), c.text) << c.v;
  }
  EXPECT_EQ(FeatIntToStr(-9223372036854775807LL - 1), u"-9223372036854775808");
  EXPECT_EQ(FeatTriStateToStr(tsUndefined), u"");
}

TEST(FeatMatText, Conversions) {
  EXPECT_EQ(FeatStrToInt(u"2147483647"), 2147483647);
  EXPECT_EQ(FeatStrToInt(u"-2147483648"), -2147483647 - 1);
  EXPECT_EQ(FeatStrToInt(u" 12"), 12);
  EXPECT_EQ(FeatStrToInt(u"$1F"), 31);
  EXPECT_EQ(FeatStrToInt(u"0x10"), 16);
  for (const char16_t* bad : {u"", u"2147483648", u"12 ", u"1a", u"-", u"99999999999999999999"}) {
    try {
      FeatStrToInt(bad);
      ADD_FAILURE() << ToUtf8(String(bad));
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"'" + String(bad) + u"' is not a valid integer value");
    }
  }
  EXPECT_EQ(FeatStrToFloat(u"1."), 1.0);
  EXPECT_EQ(FeatStrToFloat(u".5"), 0.5);
  EXPECT_EQ(FeatStrToFloat(u"+1E3"), 1000.0);
  EXPECT_EQ(FeatStrToFloat(u"1e-400"), 0.0);
  EXPECT_EQ(FeatStrToFloat(u"1.7976931348623157e308"), 1.7976931348623157e308);
  EXPECT_EQ(FeatStrToFloat(u"1.79769313486232E308"), 1.7976931348623157e308);
  EXPECT_EQ(FeatStrToFloat(u"-1.79769313486232E308"), -1.7976931348623157e308);
  // The exact bound: the midpoint above the extended value of 1.79769313486232E308 still
  // reads as the largest double, one more in its last digit does not.
  const std::u16string mid =
      u"179769313486232000007901799799063854641384311937013395898824512144883751569496820876062848"
      u"676938856859693575463128209005888137074358619650493767580113002422327188427482120531653246"
      u"673873418037483523085945907861047951479655159846924153226791647810833890397815072859277715"
      u"182804696406750912063335860073486352384";
  EXPECT_EQ(FeatStrToFloat(mid), 1.7976931348623157e308);
  EXPECT_EQ(FeatStrToFloat(u"1.797693134862320000079e308"), 1.7976931348623157e308);
  EXPECT_THROW(FeatStrToFloat(mid.substr(0, mid.size() - 1) + u"5"), EConvertError);
  EXPECT_THROW(FeatStrToFloat(u"1.79769313486232000008e308"), EConvertError);
  // Tiny values read as 0 whatever their form.
  EXPECT_EQ(FeatStrToFloat(u"0." + std::u16string(6000, u'0') + u"1e100"), 0.0);
  EXPECT_EQ(FeatStrToFloat(u"-1e-99999999999"), 0.0);
#if defined(__x86_64__) && defined(__linux__)
  // Where the run-time reads 64-bit-mantissa long doubles in full, the bound agrees with it.
  for (const std::u16string& text :
       {mid, mid.substr(0, mid.size() - 1) + u"5", std::u16string(u"1.797693134862319e308"),
        std::u16string(u"1.7976931348623200000790179979906385464138e308"),
        std::u16string(u"1.7976931348623200000790179979906385464139e308"),
        std::u16string(u"1.79769313486232000015e308")}) {
    const std::string t = ToUtf8(text);
    long double wide = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), wide);
    ASSERT_EQ(r.ec, std::errc()) << t;
    bool accepted = true;
    try {
      FeatStrToFloat(text);
    } catch (const EConvertError&) {
      accepted = false;
    }
    EXPECT_EQ(accepted, wide <= 1.79769313486232E308L) << t;
  }
#endif
  for (const char16_t* bad : {u"", u".", u"1e", u"1e+", u"1,5", u"1.5x", u"1e400", u"e1", u"1 2",
                              u"1.79769313486233E308", u"1e99999999999"}) {
    try {
      FeatStrToFloat(bad);
      ADD_FAILURE() << ToUtf8(String(bad));
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"'" + String(bad) + u"' is not a valid floating point value");
    }
  }
  // Every text the matrix writes for a double reads back to the value rounded to 15 digits.
  for (double v : {0.1, 1e-300, 4.9e-324, 123.456, -7e22, 1.7976931348623157e308}) {
    const double back = FeatStrToFloat(FeatFloatToStr(v));
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
  }
}

// The one-pass reading against the two calls it stands for, over texts built from the
// characters a number is made of (and a few others), every one up to length 4 and random
// longer ones.
TEST(FeatMatText, TryFeatStrToFloatIsTheCheckAndTheConversion) {
  const std::u16string alphabet = u"0159+-.eE x\u0661";
  std::vector<std::u16string> texts = {u"1e4200",
                                       u"1e4201",
                                       u"-1e-99999",
                                       u"1.5abc",
                                       u"1.79769313486232E308",
                                       u"1.8e308",
                                       u"0x10",
                                       u"  -0.000123456789012345678901234567890123456789E-4  "};
  std::vector<std::u16string> level = {u""};
  for (int length = 1; length <= 4; ++length) {
    std::vector<std::u16string> longer;
    for (const std::u16string& t : level)
      for (char16_t c : alphabet) longer.push_back(t + c);
    texts.insert(texts.end(), longer.begin(), longer.end());
    level = std::move(longer);
  }
  std::uint32_t seed = 12345;
  for (int k = 0; k < 20000; ++k) {
    std::u16string t;
    const int length = 5 + k % 70;  // past the 64 characters read without allocating
    for (int i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      t += alphabet[(seed >> 16) % (k % 3 == 0 ? alphabet.size() : 4)];
    }
    texts.push_back(t);
  }
  for (const std::u16string& t : texts) {
    bool converts = IsValidFeatDouble(t);
    double expected = 0;
    try {
      if (converts) expected = FeatStrToFloat(t);
    } catch (const EConvertError&) {
      converts = false;
    }
    double got = -1;
    ASSERT_EQ(TryFeatStrToFloat(t, got), converts) << ToUtf8(t);
    if (converts) {
      ASSERT_EQ(got, expected) << ToUtf8(t);
    }
  }
}

}  // namespace
}  // namespace krv
