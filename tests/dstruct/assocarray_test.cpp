#include "korvex/dstruct/assocarray.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "korvex/streams/text_io.h"

namespace krv {
namespace {

// ------------------------------------------------------------------------- basics

TEST(AssocArray, NewArray) {
  TAssocArray a;
  EXPECT_EQ(a.NumEntries(), 0);
  EXPECT_EQ(a.Granularity(), 1024);
  EXPECT_TRUE(a.IgnoreCase());
  EXPECT_EQ(a.DataID(), u"");
  EXPECT_EQ(a.AllocatedLength(), 1024);
  EXPECT_EQ(a.ClassName(), u"TAssocArray");
}

TEST(AssocArray, IgnoreCaseStoresFoldedKeys) {
  TAssocArray a;
  a.Add(u"Alpha", Variant(1));
  EXPECT_EQ(a.Resolve(u"ALPHA"), Variant(1));
  EXPECT_EQ(a.GetKeys(1), u"alpha");
  a.SetIgnoreCase(false);
  a.Add(u"Alpha", Variant(2));
  a.Add(u"alpha", Variant(3));
  EXPECT_EQ(a.NumEntries(), 2);
  EXPECT_EQ(a.Resolve(u"Alpha"), Variant(2));
  EXPECT_EQ(a.Resolve(u"alpha"), Variant(3));
  EXPECT_TRUE(a.Resolve(u"ALPHA").IsNull());
  // Folding again finds the first of the two in entry order.
  a.SetIgnoreCase(true);
  EXPECT_EQ(a.Resolve(u"ALPHA"), Variant(3));
  EXPECT_EQ(a.IndexOfKey(u"aLPHA"), 1);
}

TEST(AssocArray, AddReplacesExistingValues) {
  TAssocArray a;
  a.Add(u"k", Variant(1));
  a.Add(u"K", Variant(u"two"));
  EXPECT_EQ(a.NumEntries(), 1);
  EXPECT_EQ(a.Resolve(u"k"), Variant(u"two"));
}

TEST(AssocArray, RemoveMovesTheLastEntryIntoTheGap) {
  TAssocArray a;
  a.Add(u"a", Variant(1));
  a.Add(u"b", Variant(2));
  a.Add(u"c", Variant(3));
  EXPECT_TRUE(a.Remove(u"A"));
  EXPECT_EQ(a.NumEntries(), 2);
  EXPECT_EQ(a.GetKeys(1), u"c");
  EXPECT_EQ(a.GetValues(1), Variant(3));
  EXPECT_EQ(a.GetKeys(2), u"b");
  EXPECT_FALSE(a.Remove(u"a"));
  EXPECT_TRUE(a.Remove(u"b"));  // the last entry: nothing moves
  EXPECT_EQ(a.GetKeys(1), u"c");
  EXPECT_EQ(a.GetKeys(2), u"");
  EXPECT_EQ(a.AllocatedLength(), 1024);  // never shrinks
}

TEST(AssocArray, AbsentKeysGiveNeutralValues) {
  TAssocArray a;
  EXPECT_TRUE(a.Resolve(u"x").IsNull());
  EXPECT_EQ(a.ResolveAsString(u"x"), u"");
  EXPECT_EQ(a.ResolveAsNumber(u"x"), 0);
  EXPECT_EQ(a.ResolveAsInt(u"x"), 0);
  EXPECT_EQ(a.IndexOfKey(u"x"), 0);
  a.Add(u"n", Variant::Null());
  EXPECT_EQ(a.ResolveAsString(u"n"), u"");
  EXPECT_EQ(a.ResolveAsNumber(u"n"), 0);
  EXPECT_EQ(a.ResolveAsInt(u"n"), 0);
}

TEST(AssocArray, IndexedAccess) {
  TAssocArray a;
  a.Add(u"a", Variant(1));
  EXPECT_EQ(a.GetValues(0), Variant(u""));  // a text, not null
  EXPECT_FALSE(a.GetValues(0).IsNull());
  EXPECT_EQ(a.GetValues(2), Variant(u""));
  EXPECT_EQ(a.GetKeys(0), u"");
  a.SetValues(1, Variant(2.5));
  a.SetValues(2, Variant(9));
  EXPECT_EQ(a.Resolve(u"a"), Variant(2.5));
  a.SetKeys(1, u"Big");  // as given, not folded
  EXPECT_EQ(a.GetKeys(1), u"Big");
  EXPECT_EQ(a.Resolve(u"BIG"), Variant(2.5));
  EXPECT_TRUE(a.Resolve(u"a").IsNull());
  a.SetKeys(0, u"x");
  a.SetKeys(2, u"x");
  EXPECT_EQ(a.NumEntries(), 1);
}

TEST(AssocArray, ResolveAsNumber) {
  TAssocArray a;
  struct Case {
    const char16_t* key;
    Variant value;
    double expected;
  };
  const Case cases[] = {
      {u"comma", Variant(u"3,5"), 3.5},
      {u"exp", Variant(u" 1.5e2xyz"), 150},
      {u"bad", Variant(u"abc"), 0},
      {u"i8", Variant(std::int8_t{-7}), -7},
      {u"u64", Variant(std::uint64_t{1} << 40), 1099511627776.0},
      {u"single", Variant(0.25f), 0.25},
      {u"double", Variant(-1.5), -1.5},
      {u"curr", Variant(Currency{12345}), 1.2345},
      {u"bool", Variant(true), 0},
      {u"date", Variant(TDateTime{45000}), 0},
  };
  for (const auto& c : cases) a.Add(c.key, c.value);
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(a.ResolveAsNumber(c.key), c.expected) << ToUtf8(String(c.key));
}

TEST(AssocArray, ResolveAsInt) {
  TAssocArray a;
  struct Case {
    const char16_t* key;
    Variant value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {u"t1", Variant(u"42abc"), 42},
      {u"t2", Variant(u"  -17"), -17},
      {u"t3", Variant(u"+8"), 8},
      {u"t4", Variant(u"x1"), 0},
      {u"t5", Variant(u"99999999999"), 2147483647},
      {u"t6", Variant(u"-99999999999"), -2147483647 - 1},
      {u"dbl", Variant(3.0), 0},
      {u"sgl", Variant(3.0f), 0},
      {u"cur", Variant(Currency{30000}), 0},
      {u"w", Variant(std::uint16_t{65535}), 65535},
      {u"i64", Variant(std::int64_t{-5}), -5},
      {u"b", Variant(true), 0},
  };
  for (const auto& c : cases) a.Add(c.key, c.value);
  for (const auto& c : cases) EXPECT_EQ(a.ResolveAsInt(c.key), c.expected) << ToUtf8(String(c.key));
  a.Add(u"big", Variant(std::int64_t{1} << 40));
  EXPECT_THROW(a.ResolveAsInt(u"big"), EVariantError);
}

TEST(AssocArray, ResolveAsString) {
  TAssocArray a;
  a.Add(u"i", Variant(-3));
  a.Add(u"d", Variant(0.1));
  a.Add(u"b", Variant(false));
  a.Add(u"s", Variant(u"text"));
  EXPECT_EQ(a.ResolveAsString(u"i"), u"-3");
  EXPECT_EQ(a.ResolveAsString(u"d"), u"0.1");
  EXPECT_EQ(a.ResolveAsString(u"b"), u"False");
  EXPECT_EQ(a.ResolveAsString(u"s"), u"text");
  a.Add(u"bad date", Variant(TDateTime{1e300}));
  EXPECT_THROW(a.ResolveAsString(u"bad date"), EVariantError);  // propagates
}

TEST(AssocArray, GranularityGrowthAndClear) {
  TAssocArray a;
  for (int i = 0; i < 1024; ++i) a.Add(String(u"k") + ToUtf16(std::to_string(i)), Variant(i));
  EXPECT_EQ(a.AllocatedLength(), 1024);
  a.Add(u"one more", Variant(0));
  EXPECT_EQ(a.AllocatedLength(), 2049);
  EXPECT_EQ(a.NumEntries(), 1025);
  a.SetGranularity(10);
  a.Clear();
  EXPECT_EQ(a.NumEntries(), 0);
  EXPECT_EQ(a.AllocatedLength(), 10);
  EXPECT_TRUE(a.Resolve(u"k5").IsNull());
  for (int i = 0; i < 11; ++i) a.Add(ToUtf16(std::to_string(i)), Variant(i));
  EXPECT_EQ(a.AllocatedLength(), 21);
  a.SetGranularity(0);
  EXPECT_EQ(a.Granularity(), 1);
  a.SetGranularity(2000000000);
  EXPECT_EQ(a.Granularity(), 1 << 20);
}

// ------------------------------------------------------------------------- differential

// The original linear look-up, kept beside the hashed one.
struct LinearReference {
  std::vector<String> keys;
  std::vector<Variant> values;
  bool ignore_case = true;

  static String Fold(String s) {
    for (Char& c : s)
      if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
    return s;
  }
  int Find(const String& key) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (ignore_case ? Fold(keys[i]) == Fold(key) : keys[i] == key) return static_cast<int>(i);
    return -1;
  }
  void Add(const String& key, const Variant& v) {
    const String k = ignore_case ? Fold(key) : key;
    const int at = Find(k);
    if (at >= 0) {
      values[static_cast<std::size_t>(at)] = v;
      return;
    }
    keys.push_back(k);
    values.push_back(v);
  }
  bool Remove(const String& key) {
    const int at = Find(key);
    if (at < 0) return false;
    keys[static_cast<std::size_t>(at)] = keys.back();
    values[static_cast<std::size_t>(at)] = values.back();
    keys.pop_back();
    values.pop_back();
    return true;
  }
};

TEST(AssocArray, HashIndexAgreesWithTheLinearReference) {
  std::mt19937 rng(99);
  // A small alphabet with both cases so that keys collide under folding and SetKeys makes
  // duplicates.
  auto random_key = [&] {
    String k;
    const int len = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < len; ++i) k.push_back(u"aAbB"[rng() % 4]);
    return k;
  };
  TAssocArray a;
  a.SetGranularity(3);
  a.Clear();
  LinearReference ref;
  for (int step = 0; step < 30000; ++step) {
    const int op = static_cast<int>(rng() % 100);
    if (op < 30) {
      const String k = random_key();
      const Variant v(static_cast<std::int32_t>(step));
      a.Add(k, v);
      ref.Add(k, v);
    } else if (op < 45) {
      const String k = random_key();
      ASSERT_EQ(a.Remove(k), ref.Remove(k)) << step;
    } else if (op < 55) {
      if (!ref.keys.empty()) {
        const int ix = 1 + static_cast<int>(rng() % ref.keys.size());
        const String k = random_key();
        a.SetKeys(ix, k);
        ref.keys[static_cast<std::size_t>(ix) - 1] = k;
      }
    } else if (op < 60) {
      const bool ic = rng() % 2 == 0;
      a.SetIgnoreCase(ic);
      ref.ignore_case = ic;
    } else if (op < 61) {
      a.Clear();
      ref.keys.clear();
      ref.values.clear();
    } else {
      const String k = random_key();
      const int at = ref.Find(k);
      ASSERT_EQ(a.IndexOfKey(k), at + 1) << step;
      ASSERT_EQ(a.Resolve(k), at < 0 ? Variant::Null() : ref.values[static_cast<std::size_t>(at)]);
    }
    ASSERT_EQ(a.NumEntries(), static_cast<int>(ref.keys.size())) << step;
    if (step % 97 == 0) {
      for (int i = 1; i <= a.NumEntries(); ++i) {
        ASSERT_EQ(a.GetKeys(i), ref.keys[static_cast<std::size_t>(i) - 1]);
        ASSERT_EQ(a.GetValues(i), ref.values[static_cast<std::size_t>(i) - 1]);
      }
    }
  }
}

// ------------------------------------------------------------------------- XML persistence

std::string Written(const TAssocArray& a, bool header, const String& id) {
  TStringStream out;
  a.WriteToXMLStream(out, header, id);
  return out.Bytes();
}

void ExpectSameArray(const TAssocArray& a, const TAssocArray& b) {
  ASSERT_EQ(a.NumEntries(), b.NumEntries());
  EXPECT_EQ(a.IgnoreCase(), b.IgnoreCase());
  EXPECT_EQ(a.Granularity(), b.Granularity());
  for (int i = 1; i <= a.NumEntries(); ++i) {
    EXPECT_EQ(a.GetKeys(i), b.GetKeys(i)) << i;
    EXPECT_EQ(a.GetValues(i), b.GetValues(i))
        << i << " " << ToUtf8(VarTypeName(a.GetValues(i).VarType()));
  }
}

TEST(AssocArrayXml, WritesTheDocumentedLayout) {
  TAssocArray a;
  a.SetDataID(u"prop");
  a.Add(u"Name", Variant(u"a<b & \"c\"\r\n"));
  a.Add(u"n", Variant(std::int16_t{-3}));
  a.Add(u"x", Variant(0.1));
  a.Add(u"cur", Variant(Currency{-15}));
  a.Add(u"flag", Variant(true));
  a.Add(u"none", Variant::Null());
  a.Add(u"\u00e9t\u00e9", Variant(u"\u20ac"));
  EXPECT_EQ(Written(a, true, u""),
            "<?xml version=\"1.0\"?>\r\n"
            "<!-- TAssocArray / Korvex -->\r\n"
            "<assocarray sig=\"KorvexLib\" vers=\"1.0\" id=\"prop\" ignorecase=1 granularity=1024 "
            "entries=7>\r\n"
            "  <entry kind=string key=\"name\">a&lt;b &amp; &quot;c&quot;&#13;&#10;</entry>\r\n"
            "  <entry kind=smallint key=\"n\">-3</entry>\r\n"
            "  <entry kind=double key=\"x\">0.1</entry>\r\n"
            "  <entry kind=currency key=\"cur\">-0.0015</entry>\r\n"
            "  <entry kind=boolean key=\"flag\">true</entry>\r\n"
            "  <entry kind=null key=\"none\"></entry>\r\n"
            "  <entry kind=string key=\"&#233;t&#233;\">&#8364;</entry>\r\n"
            "</assocarray>\r\n");
  EXPECT_EQ(Written(a, false, u"arg").substr(0, 47),
            "<!-- TAssocArray / Korvex -->\r\n<assocarray sig=");
  EXPECT_NE(Written(a, false, u"arg").find("id=\"arg\""), std::string::npos);
}

TEST(AssocArrayXml, RoundTripKeepsKindsKeysAndOrder) {
  TAssocArray a;
  a.SetIgnoreCase(false);
  a.SetGranularity(5);
  a.SetDataID(u"all kinds");
  String every_char;
  for (int c = 1; c < 0x2000; c += 7) every_char.push_back(static_cast<Char>(c));
  every_char += String{0xD800, u'x', 0xDFFF, 0xFFFF};  // lone surrogates too
  const std::pair<String, Variant> entries[] = {
      {u"empty", Variant()},
      {u"null", Variant::Null()},
      {u"i8", Variant(std::int8_t{-128})},
      {u"i16", Variant(std::int16_t{32767})},
      {u"i32", Variant(std::int32_t{-2147483647 - 1})},
      {u"i64", Variant(std::numeric_limits<std::int64_t>::min())},
      {u"u8", Variant(std::uint8_t{255})},
      {u"u16", Variant(std::uint16_t{65535})},
      {u"u32", Variant(std::uint32_t{4294967295u})},
      {u"u64", Variant(std::numeric_limits<std::uint64_t>::max())},
      {u"single", Variant(0.1f)},
      {u"single denormal", Variant(std::numeric_limits<float>::denorm_min())},
      {u"single nan", Variant(std::numeric_limits<float>::quiet_NaN())},
      {u"double", Variant(1.0 / 3.0)},
      {u"double -0", Variant(-0.0)},
      {u"double max", Variant(std::numeric_limits<double>::max())},
      {u"double denormal", Variant(std::numeric_limits<double>::denorm_min())},
      {u"double -inf", Variant(-std::numeric_limits<double>::infinity())},
      {u"double nan payload", Variant(std::bit_cast<double>(0xFFF0000000012345ull))},
      {u"currency max", Variant(Currency{std::numeric_limits<std::int64_t>::max()})},
      {u"currency min", Variant(Currency{std::numeric_limits<std::int64_t>::min()})},
      {u"date", Variant(TDateTime{45000.123456789})},
      {u"true", Variant(true)},
      {u"false", Variant(false)},
      {u"empty text", Variant(u"")},
      {u"  blanks  ", Variant(u"  value with blanks  ")},
      {u"q\"uote<>&", Variant(u"<entry kind=string key=\"k\">x</entry></assocarray>")},
      {u"lines", Variant(u"a\r\nb\nc\rd\te")},
      {u"every char", Variant(every_char)},
      {every_char, Variant(1)},
      {u"", Variant(u"empty key")},
  };
  for (const auto& [k, v] : entries) a.Add(k, v);
  a.Add(u"dup", Variant(1));
  a.Add(u"dup2", Variant(2));
  a.SetKeys(a.NumEntries(), u"dup");  // two entries with one key, kept as they are

  TStringStream stream;
  a.WriteToXMLStream(stream, true, u"");
  stream.SetPosition(0);
  TAssocArray b;
  b.Add(u"old", Variant(1));
  ASSERT_TRUE(b.ReadFromXMLStream(stream, u"ALL KINDS"));
  ExpectSameArray(a, b);
  EXPECT_EQ(b.DataID(), u"all kinds");
  EXPECT_EQ(b.Resolve(u"dup"), Variant(1));
  EXPECT_TRUE(b.Resolve(u"old").IsNull());
  EXPECT_EQ(b.AllocatedLength(), 35);  // grown from 5 in steps of 5
}

TEST(AssocArrayXml, SeveralArraysShareOneStream) {
  TAssocArray one, two;
  one.Add(u"k", Variant(1));
  two.Add(u"k", Variant(2));
  two.SetDataID(u"Second");
  TStringStream stream;
  WriteLnStream(stream, u"<assocarray without signature>");
  one.WriteToXMLStream(stream, true, u"first");
  two.WriteToXMLStream(stream, false, u"");
  stream.SetPosition(0);
  TAssocArray b;
  ASSERT_TRUE(b.ReadFromXMLStream(stream, u"second"));
  EXPECT_EQ(b.Resolve(u"k"), Variant(2));
  stream.SetPosition(0);
  ASSERT_TRUE(b.ReadFromXMLStream(stream, u""));  // the DataID property ("Second") decides
  EXPECT_EQ(b.Resolve(u"k"), Variant(2));
  b.SetDataID(u"");
  stream.SetPosition(0);
  ASSERT_TRUE(b.ReadFromXMLStream(stream, u""));  // no id: the first element
  EXPECT_EQ(b.Resolve(u"k"), Variant(1));
  EXPECT_EQ(b.DataID(), u"first");
  EXPECT_FALSE(b.ReadFromXMLStream(stream, u"first"));  // nothing after the first one read
  EXPECT_EQ(b.Resolve(u"k"), Variant(1));
}

TEST(AssocArrayXml, IdentifiersIgnoreSurroundingBlanksOnBothSides) {
  // Found by fuzzing: an element whose id carries a trailing blank set DataID to "prop ",
  // and that DataID could not find its own element again.
  TStringStream in(
      std::string("<assocarray- sig=\"KorvexLib\" id=\"prop \"ignorecase=0 "
                  "granularity=8 entries=1>\r\n"
                  "<entry kind=integer key=\"a\">1</entry>\r\n</assocarray>\r\n"));
  TAssocArray a;
  ASSERT_TRUE(a.ReadFromXMLStream(in, u""));
  EXPECT_EQ(a.DataID(), u"prop ");
  TStringStream out;
  a.WriteToXMLStream(out, false, u"");
  out.SetPosition(0);
  TAssocArray b;
  b.SetDataID(a.DataID());
  ASSERT_TRUE(b.ReadFromXMLStream(out, u""));
  EXPECT_EQ(b.Resolve(u"a"), Variant(1));
  out.SetPosition(0);
  ASSERT_TRUE(b.ReadFromXMLStream(out, u"  PROP"));
  out.SetPosition(0);
  b.SetDataID(u"   ");  // blank: the first element
  ASSERT_TRUE(b.ReadFromXMLStream(out, u""));
}

TEST(AssocArrayXml, MalformedElementsGiveFalseAndChangeNothing) {
  const std::string head =
      "<assocarray sig=\"KorvexLib\" id=\"x\" ignorecase=0 granularity=4 entries=1>\n";
  const std::string end = "</assocarray>\n";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"empty", ""},
      {"no signature", "<assocarray id=\"x\" ignorecase=0 granularity=4 entries=0>\n" + end},
      {"no closing tag", head + "<entry kind=integer key=\"a\">1</entry>\n"},
      {"count differs", head + end},
      {"too many",
       head + "<entry kind=integer key=\"a\">1</entry><entry kind=integer key=\"b\">2</entry>" +
           end},
      {"bad flag", "<assocarray sig=\"KorvexLib\" ignorecase=2 granularity=4 entries=0>\n" + end},
      {"bad granularity",
       "<assocarray sig=\"KorvexLib\" ignorecase=1 granularity=0 entries=0>\n" + end},
      {"huge granularity",
       "<assocarray sig=\"KorvexLib\" ignorecase=1 granularity=99999999 entries=0>\n" + end},
      {"no entries count", "<assocarray sig=\"KorvexLib\" ignorecase=1 granularity=4>\n" + end},
      {"unknown kind", head + "<entry kind=variant key=\"a\">1</entry>\n" + end},
      {"byte too big", head + "<entry kind=byte key=\"a\">256</entry>\n" + end},
      {"negative word", head + "<entry kind=word key=\"a\">-1</entry>\n" + end},
      {"integer text", head + "<entry kind=integer key=\"a\">1x</entry>\n" + end},
      {"int64 overflow", head + "<entry kind=int64 key=\"a\">9223372036854775808</entry>\n" + end},
      {"bad double", head + "<entry kind=double key=\"a\">1..5</entry>\n" + end},
      {"plain nan", head + "<entry kind=double key=\"a\">nan</entry>\n" + end},
      {"nan not nan", head + "<entry kind=double key=\"a\">nan:0</entry>\n" + end},
      {"single overflow", head + "<entry kind=single key=\"a\">1e40</entry>\n" + end},
      {"currency digits", head + "<entry kind=currency key=\"a\">1.5</entry>\n" + end},
      {"currency overflow",
       head + "<entry kind=currency key=\"a\">922337203685477.5808</entry>\n" + end},
      {"boolean word", head + "<entry kind=boolean key=\"a\">yes</entry>\n" + end},
      {"null with value", head + "<entry kind=null key=\"a\">0</entry>\n" + end},
      {"bad entity", head + "<entry kind=string key=\"a\">&bogus;</entry>\n" + end},
      {"entity too big", head + "<entry kind=string key=\"a\">&#65536;</entry>\n" + end},
      {"bad key entity", head + "<entry kind=string key=\"&#;\">v</entry>\n" + end},
  };
  for (const auto& c : cases) {
    TStringStream in(c.text);
    TAssocArray b;
    b.Add(u"keep", Variant(7));
    b.SetDataID(u"x");
    EXPECT_FALSE(b.ReadFromXMLStream(in, u"")) << c.what;
    EXPECT_EQ(b.NumEntries(), 1) << c.what;
    EXPECT_EQ(b.Resolve(u"keep"), Variant(7)) << c.what;
    EXPECT_TRUE(b.IgnoreCase()) << c.what;
    EXPECT_EQ(b.Granularity(), 1024) << c.what;
  }
  // Whole: unknown tags are passed over, self-closing entries read as empty values.
  TStringStream in(head + "<note/><entry kind=string key=\"a\"/>\n" + end);
  TAssocArray b;
  ASSERT_TRUE(b.ReadFromXMLStream(in, u"X"));
  EXPECT_EQ(b.Resolve(u"a"), Variant(u""));
  EXPECT_FALSE(b.IgnoreCase());
  EXPECT_EQ(b.Granularity(), 4);
}

TEST(AssocArrayXml, AddXMLAttributes) {
  TAssocArray a;
  EXPECT_EQ(a.AddXMLAttributes(u"width=\"10\" Height=20  title=\"a b = c\" flag"), 4);
  EXPECT_EQ(a.Resolve(u"width"), Variant(u"10"));
  EXPECT_EQ(a.Resolve(u"height"), Variant(u"20"));
  EXPECT_EQ(a.Resolve(u"title"), Variant(u"a b = c"));
  EXPECT_EQ(a.Resolve(u"flag"), Variant(u""));
  EXPECT_EQ(a.ResolveAsInt(u"WIDTH"), 10);
  EXPECT_EQ(a.AddXMLAttributes(u"width=11 a\"=1 b=2"), 1);  // stops at the syntax error
  EXPECT_EQ(a.Resolve(u"width"), Variant(u"11"));
  EXPECT_TRUE(a.Resolve(u"b").IsNull());
  EXPECT_EQ(a.AddXMLAttributes(u"x= =1"), 0);
  EXPECT_EQ(a.AddXMLAttributes(u""), 0);
  EXPECT_EQ(a.AddXMLAttributes(u"   "), 0);
  EXPECT_EQ(a.AddXMLAttributes(u"=5 y=6"), 1);
  EXPECT_EQ(a.Resolve(u"y"), Variant(u"6"));
  EXPECT_EQ(a.AddXMLAttributes(u"z=1 u=x=2"), 1);
}

}  // namespace
}  // namespace krv
