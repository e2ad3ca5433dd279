// The text file of TFeatureMatrix: the exact bytes written, round trips, and the reader's
// status codes and choices.
#include <gtest/gtest.h>

#include "test_support/temp_dir.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "korvex/base/exceptions.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/random.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class FeatMatFile : public ::testing::Test {
 protected:
  String Path(const char* name) const { return ToUtf16((dir / name).string()); }
  std::string ReadBytes(const char* name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void WriteBytes(const char* name, const std::string& bytes) const {
    std::ofstream out(dir / name, std::ios::binary);
    out << bytes;
  }
  // Loads `bytes` through a file; returns Load's status.
  std::int32_t LoadText(TFeatureMatrix& m, const std::string& bytes) const {
    WriteBytes("in.txt", bytes);
    return m.Load(Path("in.txt"));
  }

  testing::TempDir tmp{"korvex_featmat"};
  fs::path dir = tmp.Path();
};

constexpr char kExample[] =
    "#featdef 1 1\r\n"
    "1 fplFeatNum 7\r\n"
    "1 fplFeatName Mass\r\n"
    "1 fplFeatKind fkInteger\r\n"
    "1 fplComment \r\n"
    "1 fplPresets \r\n"
    "1 fplSorted FALSE\r\n"
    "#featvals 1 2\r\n"
    "1 1 12\r\n"
    "#featend\r\n";

TEST_F(FeatMatFile, DocumentedExampleByteForByte) {
  TFeatureMatrix m;
  ASSERT_TRUE(m.Resize(1, 2));
  TFeatProps p;
  p.FeatNum = 7;
  p.FeatName = "Mass";
  p.FeatKind = fkInteger;
  m.SetFeatProps(1, p);
  m.SetFeatValint(1, 1, 12);
  m.Save(Path("example.txt"));
  EXPECT_EQ(ReadBytes("example.txt"), kExample);

  TFeatureMatrix back;
  int events = 0;
  back.SetOnChange([&](TObject*) { ++events; });
  EXPECT_EQ(back.Load(Path("example.txt")), 0);
  EXPECT_GE(events, 1);
  EXPECT_EQ(back.NFeatures(), 1);
  EXPECT_EQ(back.NObjects(), 2);
  EXPECT_EQ(back.GetFeatProps(1).FeatNum, 7);
  EXPECT_EQ(back.GetFeatProps(1).FeatName, "Mass");
  EXPECT_EQ(back.GetFeatProps(1).FeatKind, fkInteger);
  EXPECT_EQ(back.GetFeatValInt(1, 1), 12);
  EXPECT_EQ(back.GetFeatValStr(1, 2), u"");
}

TEST_F(FeatMatFile, EveryKindAndFieldIsWritten) {
  TFeatureMatrix m;
  m.Resize(5, 1);
  const char* names[] = {"u", "i", "d", "s", "t"};
  for (int k = 0; k < 5; ++k) {
    TFeatProps p;
    p.FeatNum = -k;
    p.FeatName = names[k];
    p.FeatKind = static_cast<TFeatKind>(k);
    p.Comment = "c\xe9";  // Windows-1252 e acute
    p.PresetValues = u"a;b";
    p.Sorted = k % 2 == 1;
    m.SetFeatProps(k + 1, p);
  }
  m.SetFeatValStr(4, 1, u"x y\r\nz\u4e00");
  m.Save(Path("kinds.txt"));
  const std::string text = ReadBytes("kinds.txt");
  for (const char* line :
       {"1 fplFeatKind fkUndefined\r\n", "2 fplFeatKind fkInteger\r\n",
        "3 fplFeatKind fkDouble\r\n", "4 fplFeatKind fkString\r\n", "5 fplFeatKind fkTriState\r\n",
        "3 fplFeatNum -2\r\n", "2 fplSorted TRUE\r\n", "3 fplSorted FALSE\r\n",
        "1 fplComment c\xe9\r\n", "5 fplPresets a;b\r\n", "#featvals 5 1\r\n",
        // line breaks inside a value become blanks, characters without a byte '?'
        "4 1 x y  z?\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.find("fplGUIElem"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 10), "#featend\r\n");
}

// Random matrices of every kind: names up to 20 and comments up to 60 characters (with
// inner blanks), empty values and values with blanks inside. Leading and trailing blanks are
// not part of a value after a load (the reader trims), so the texts here have none.
String RandomText(int max_len, bool allow_empty) {
  static const char16_t kChars[] = u"abcXYZ019 .,;:-+_#\u00e4\u00e9\u00df\u20ac";
  const int n = allow_empty ? Random(max_len + 1) : 1 + Random(max_len);
  String s;
  for (int i = 0; i < n; ++i) s.push_back(kChars[Random(static_cast<int>(std::size(kChars)) - 1)]);
  while (!s.empty() && s.back() == u' ') s.pop_back();
  while (!s.empty() && s.front() == u' ') s.erase(0, 1);
  return s;
}

String RandomValue(TFeatKind kind) {
  if (Random(4) == 0) return String();
  switch (kind) {
    case fkInteger:
      return FeatIntToStr(static_cast<std::int64_t>(Random(2000000)) - 1000000);
    case fkDouble:
      return FeatFloatToStr((Random() - 0.5) * std::pow(10.0, Random(40) - 20));
    case fkTriState:
      return FeatTriStateToStr(static_cast<TTriState>(Random(3)));
    default:
      return RandomText(40, true);
  }
}

TEST_F(FeatMatFile, RandomRoundTrips) {
  RandSeed = 20240601;
  for (int round = 0; round < 40; ++round) {
    TFeatureMatrix m;
    const int nf = Random(8), no = Random(12);
    ASSERT_TRUE(m.Resize(nf, no));
    for (int f = 1; f <= nf; ++f) {
      TFeatProps p;
      p.FeatNum = Random(200000) - 100000;
      // Names keep leading blanks through the file, but not trailing ones.
      p.FeatName = ToAnsi(RandomText(20, true));
      p.FeatKind = static_cast<TFeatKind>(1 + Random(4));
      p.Comment = ToAnsi(RandomText(60, true));
      p.PresetValues = RandomText(30, true);
      p.Sorted = Random(2) == 1;
      p.GUIElem = &m;
      m.SetFeatProps(f, p);
      for (int o = 1; o <= no; ++o) m.SetFeatValStr(f, o, RandomValue(p.FeatKind));
    }
    m.Save(Path("round.txt"));
    TFeatureMatrix back;
    ASSERT_EQ(back.Load(Path("round.txt")), 0) << round;
    ASSERT_EQ(back.NFeatures(), nf);
    ASSERT_EQ(back.NObjects(), no);
    for (int f = 1; f <= nf; ++f) {
      const TFeatProps a = m.GetFeatProps(f), b = back.GetFeatProps(f);
      EXPECT_EQ(a.FeatNum, b.FeatNum);
      EXPECT_EQ(a.FeatName, b.FeatName);
      EXPECT_EQ(a.FeatKind, b.FeatKind);
      EXPECT_EQ(a.Comment, b.Comment);
      EXPECT_EQ(a.PresetValues, b.PresetValues);
      EXPECT_EQ(a.Sorted, b.Sorted);
      EXPECT_EQ(b.GUIElem, nullptr);  // never saved or loaded
      for (int o = 1; o <= no; ++o) ASSERT_EQ(m.GetFeatValStr(f, o), back.GetFeatValStr(f, o));
    }
    // Saving what was loaded gives the same bytes.
    const std::string first = ReadBytes("round.txt");
    back.Save(Path("round.txt"));
    ASSERT_EQ(ReadBytes("round.txt"), first);
  }
}

TEST_F(FeatMatFile, LoadStatusCodes) {
  TFeatureMatrix m;
  EXPECT_EQ(m.Load(Path("missing.txt")), -1);
  EXPECT_EQ(m.Load(Path("no_dir/missing.txt")), -1);
  EXPECT_EQ(LoadText(m, "just some text\r\nno sections here\r\n"), -2);
  EXPECT_EQ(LoadText(m, ""), -2);
  std::string bad = kExample;
  bad.replace(bad.find("fplFeatNum 7"), 12, "fplFeatNum x");
  EXPECT_EQ(LoadText(m, bad), -3);
  EXPECT_EQ(LoadText(m, "#featvals 1 x\r\n"), -3);
  EXPECT_EQ(LoadText(m, "#featdef 1\r\n"), -3);  // no version
  EXPECT_EQ(LoadText(m, "#featdef -1 1\r\n"), -3);
  EXPECT_EQ(LoadText(m, "#featvals 100000 100000\r\n"), -3);         // beyond the cell limit
  EXPECT_EQ(LoadText(m, "#featdef 2 1\r\n1 fplFeatNum 3\r\n"), -3);  // cut short
  EXPECT_EQ(LoadText(m, "#featdef 1 1\r\n1 fplFeatNum 3\r\n#featvals 1 1\r\n"), -3);
  EXPECT_EQ(LoadText(m, kExample), 0);
  fs::create_directories(dir / "adir");
  EXPECT_EQ(m.Load(Path("adir")), -3);
}

// Headers whose counts would take more than kFeatMatMaxLoadBytes are refused before anything
// is allocated and leave the matrix as it was; counts up to the cap are taken as stated.
TEST_F(FeatMatFile, LoadCapOnDeclaredCounts) {
  const std::int64_t per_feature = FeatMatShapeBytes(1, 0);
  const std::int64_t per_value = FeatMatShapeBytes(1, 1) - per_feature;
  const std::int64_t max_objs = (kFeatMatMaxLoadBytes - per_feature) / per_value;
  const std::int64_t max_feats = kFeatMatMaxLoadBytes / per_feature;
  ASSERT_LE(FeatMatShapeBytes(1, max_objs), kFeatMatMaxLoadBytes);
  ASSERT_GT(FeatMatShapeBytes(1, max_objs + 1), kFeatMatMaxLoadBytes);
  ASSERT_GT(FeatMatShapeBytes(max_feats + 1, 0), kFeatMatMaxLoadBytes);
  EXPECT_EQ(FeatMatShapeBytes(INT32_MAX, INT32_MAX), INT64_MAX);
  EXPECT_EQ(FeatMatShapeBytes(0, INT32_MAX), 0);
  const std::string defs = std::string(kExample).substr(0, std::string(kExample).find("#featv"));
  const auto n = [](std::int64_t v) { return std::to_string(v); };

  struct Case {
    std::string text;
    bool kept;  // refused by the cap: the matrix still holds kExample
  };
  const Case cases[] = {
      {"#featvals 8192 8192\r\n", true},
      {"#featdef 4194304 1\r\n", true},
      {"#featvals 1 " + n(max_objs + 1) + "\r\n", true},
      {"#featvals " + n(max_feats + 1) + " 0\r\n", true},
      {"#featdef " + n(max_feats + 1) + " 1\r\n", true},
      {"#featvals 2147483647 2147483647\r\n", true},
      {defs + "#featvals 1 " + n(max_objs + 1) + "\r\n1 1 5\r\n", true},
      // At the cap the header is taken, but only lines that are there make records: these
      // sections are cut short, a failed read that leaves nothing of them.
      {"#featdef " + n(max_feats) + " 1\r\n", false},
      {"#featdef 500000 1\r\n1 fplFeatNum 4\r\n", false},
      // A definition section that fails leaves the records of the one before it.
      {defs + "#featdef 2 1\r\n2 fplFeatNum x\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    TFeatureMatrix m;
    ASSERT_EQ(LoadText(m, kExample), 0);
    EXPECT_EQ(LoadText(m, c.text), -3);
    if (c.kept) {
      EXPECT_EQ(m.NFeatures(), 1);
      EXPECT_EQ(m.NObjects(), 2);
      EXPECT_EQ(m.GetFeatProps(1).FeatName, "Mass");
      EXPECT_EQ(m.GetFeatValStr(1, 1), u"12");
    } else {
      EXPECT_EQ(m.NObjects(), 0);
      EXPECT_EQ(m.NFeatures(), c.text.rfind(defs, 0) == 0 ? 1 : 0);
      EXPECT_EQ(m.GetFeatProps(1).FeatNum, c.text.rfind(defs, 0) == 0 ? 7 : 0);
    }
  }

  // Property lines in any order, each feature's record gathered from wherever its lines are.
  TFeatureMatrix m;
  EXPECT_EQ(LoadText(m,
                     "#featdef 2 1\r\n2 fplFeatNum 6\r\n1 fplFeatNum 5\r\n2 fplFeatName b\r\n"
                     "1 fplFeatName a\r\n2 fplSorted TRUE\r\n1 fplFeatKind fkDouble\r\n"
                     "3 fplFeatNum 9\r\n1 x\r\n2 x\r\n1 x\r\n2 x\r\n2 x\r\n#featvals 2 1\r\n"),
            0);
  EXPECT_EQ(m.GetFeatProps(1).FeatNum, 5);
  EXPECT_EQ(m.GetFeatProps(1).FeatName, "a");
  EXPECT_EQ(m.GetFeatProps(1).FeatKind, fkDouble);
  EXPECT_EQ(m.GetFeatProps(2).FeatNum, 6);
  EXPECT_EQ(m.GetFeatProps(2).FeatName, "b");
  EXPECT_TRUE(m.GetFeatProps(2).Sorted);

  // Just at the cap: the whole shape is there, every value empty.
  EXPECT_EQ(LoadText(m, "#featvals 1 " + n(max_objs) + "\r\n1 " + n(max_objs) + " last\r\n"), 0);
  EXPECT_EQ(m.NFeatures(), 1);
  EXPECT_EQ(m.NObjects(), max_objs);
  EXPECT_EQ(m.GetFeatProps(1).FeatKind, fkUndefined);
  TFeatProps text_kind;
  text_kind.FeatKind = fkString;
  m.SetFeatProps(1, text_kind);
  EXPECT_EQ(m.GetFeatValStr(1, static_cast<std::int32_t>(max_objs)), u"last");
  EXPECT_EQ(m.GetFeatValStr(1, 1), u"");
  m.Save(Path("at_cap.txt"));
  const std::string saved = ReadBytes("at_cap.txt");
  const std::string tail =
      "#featvals 1 " + n(max_objs) + "\r\n1 " + n(max_objs) + " last\r\n#featend\r\n";
  ASSERT_GE(saved.size(), tail.size());
  EXPECT_EQ(saved.substr(saved.size() - tail.size()), tail);
}

TEST_F(FeatMatFile, LoadFromOpenFileCodes) {
  TFeatureMatrix m;
  WriteBytes("a.txt", "nothing\r\n");
  TextFile f;
  f.Assign(Path("a.txt"));
  f.Reset();
  int events = 0;
  m.SetOnChange([&](TObject*) { ++events; });
  EXPECT_EQ(m.LoadFromOpenFile(f), -1);
  EXPECT_GE(events, 1);
  f.Close();
  WriteBytes("b.txt", "#featdef 1 1\r\n1 fplFeatNum 1.5\r\n");
  f.Assign(Path("b.txt"));
  f.Reset();
  EXPECT_EQ(m.LoadFromOpenFile(f), -2);
  f.Close();
  // A file opened for output cannot be read: -2, and the caller's checking state is kept.
  f.Assign(Path("c.txt"));
  f.Rewrite();
  {
    IOChecksOff off;
    EXPECT_EQ(m.LoadFromOpenFile(f), -2);
    EXPECT_FALSE(IOChecks());
  }
  f.Close();
}

TEST_F(FeatMatFile, ReaderDetails) {
  TFeatureMatrix m;
  // LF line ends, upper-case keywords, blanks around values and in the header, a skipped
  // unknown keyword, a kind in other letter case, fplGUIElem ignored.
  const std::string text =
      "comment line\n"
      "#FEATDEF   2 1  \n"
      "1 fplFeatNum 5\n"
      "  1   FPLFEATNAME  Two words  \n"
      "1 fplfeatkind FKSTRING\n"
      "1 fplComment\n"
      "1 fplGUIElem 1234\n"
      "1 fplSorted true\n"
      "2 fplFeatNum 6\n2 fplFeatName b\n2 fplFeatKind fkNothing\n2 fplComment x\n"
      "2 fplPresets p q\n2 fplSorted yes\n"
      "#other section\n"
      "#featvals 2 3\n"
      "1 1    spaced   value   \n"
      "+1 2 plus\n"
      "2 3\n"
      "3 1 beyond the features\n"
      "1 4 beyond the objects\n"
      "0 1 zero\n"
      "-1 1 negative\n"
      "99999999999 1 huge\n"
      "x 1 no digits\n"
      "\n"
      "1 3 after the empty line\n";
  EXPECT_EQ(LoadText(m, text), 0);
  EXPECT_EQ(m.NFeatures(), 2);
  EXPECT_EQ(m.NObjects(), 3);
  const TFeatProps p1 = m.GetFeatProps(1), p2 = m.GetFeatProps(2);
  EXPECT_EQ(p1.FeatNum, 5);
  EXPECT_EQ(p1.FeatName, " Two words");  // the value keeps its further leading blanks
  EXPECT_EQ(p1.FeatKind, fkString);
  EXPECT_EQ(p1.Comment, "");
  EXPECT_TRUE(p1.Sorted);
  EXPECT_EQ(p2.FeatKind, fkUndefined);  // unknown identifier
  EXPECT_EQ(p2.PresetValues, u"p q");
  EXPECT_FALSE(p2.Sorted);
  EXPECT_EQ(m.GetFeatValStr(1, 1), u"spaced   value");
  EXPECT_EQ(m.GetFeatValStr(1, 2), u"plus");
  EXPECT_EQ(m.GetFeatValStr(1, 3), u"");  // reading ended at the empty line
}

TEST_F(FeatMatFile, CountsThatDisagree) {
  TFeatureMatrix m;
  // featvals declares more features than featdef: the extra records start zeroed.
  EXPECT_EQ(LoadText(m,
                     "#featdef 1 1\r\n1 fplFeatNum 9\r\n1 fplFeatName a\r\n1 fplFeatKind "
                     "fkString\r\n1 fplComment \r\n1 fplPresets \r\n1 fplSorted FALSE\r\n"
                     "#featvals 3 1\r\n3 1 v\r\n"),
            0);
  EXPECT_EQ(m.NFeatures(), 3);
  EXPECT_EQ(m.GetFeatProps(1).FeatNum, 9);
  EXPECT_EQ(m.GetFeatProps(3).FeatKind, fkUndefined);
  EXPECT_EQ(m.GetFeatProps(3).FeatName, "");
  EXPECT_THROW(m.GetFeatValStr(3, 1), EKRVDStructError);  // undefined feature
  // ...and fewer: records beyond it are dropped.
  EXPECT_EQ(LoadText(m, std::string("#featdef 2 1\r\n") +
                            "1 a\r\n1 a\r\n1 a\r\n1 a\r\n1 a\r\n1 a\r\n2 a\r\n2 a\r\n2 a\r\n2 a\r\n"
                            "2 a\r\n2 a\r\n#featvals 1 1\r\n"),
            0);
  EXPECT_EQ(m.NFeatures(), 1);
  // A definition without values gives the features and no objects.
  EXPECT_EQ(LoadText(m, std::string(kExample).substr(0, std::string(kExample).find("#featvals"))),
            0);
  EXPECT_EQ(m.NFeatures(), 1);
  EXPECT_EQ(m.NObjects(), 0);
  EXPECT_EQ(m.GetFeatProps(1).FeatName, "Mass");
  // Property lines for features beyond the count are skipped.
  EXPECT_EQ(LoadText(m,
                     "#featdef 1 1\r\n5 fplFeatNum 1\r\n0 fplFeatNum 1\r\n1 fplFeatNum 2\r\n"
                     "1 a\r\n1 b\r\n1 c\r\n#featvals 1 1\r\n"),
            0);
  EXPECT_EQ(m.GetFeatProps(1).FeatNum, 2);
}

TEST_F(FeatMatFile, LongNamesAndCommentsAreCut) {
  TFeatureMatrix m;
  EXPECT_EQ(LoadText(m,
                     "#featdef 1 1\r\n1 fplFeatNum 1\r\n"
                     "1 fplFeatName abcdefghijklmnopqrs tuvwxyz\r\n"
                     "1 fplFeatKind fkString\r\n1 fplComment " +
                         std::string(70, 'c') + "\r\n1 fplPresets \r\n1 fplSorted FALSE\r\n"),
            0);
  EXPECT_EQ(m.GetFeatProps(1).FeatName, "abcdefghijklmnopqrs ");  // cut right after a blank
  EXPECT_EQ(m.GetFeatProps(1).Comment, std::string(60, 'c'));
  // The trailing blank cannot survive the next save and load: lines are trimmed when read.
  m.Save(Path("cut.txt"));
  TFeatureMatrix back;
  EXPECT_EQ(back.Load(Path("cut.txt")), 0);
  EXPECT_EQ(back.GetFeatProps(1).FeatName, "abcdefghijklmnopqrs");
}

TEST_F(FeatMatFile, OtherVersionsAndSectionOrder) {
  TFeatureMatrix m;
  // Version 2: the property lines are skipped as ordinary lines.
  EXPECT_EQ(LoadText(m, "#featdef 1 2\r\n1 fplFeatNum x\r\n#featvals 1 1\r\n1 1 v\r\n"), 0);
  EXPECT_EQ(m.NFeatures(), 1);
  EXPECT_EQ(m.GetFeatProps(1).FeatNum, 0);
  // Values before definitions: reading stops after the values.
  std::string text = kExample;
  const std::string defs = text.substr(0, text.find("#featvals"));
  const std::string vals = text.substr(text.find("#featvals"));
  EXPECT_EQ(LoadText(m, vals + defs), 0);
  EXPECT_EQ(m.NObjects(), 2);
  EXPECT_EQ(m.GetFeatProps(1).FeatName, "");
}

TEST_F(FeatMatFile, SaveErrorsRaise) {
  TFeatureMatrix m;
  EXPECT_THROW(m.Save(Path("no_such_dir/x.txt")), EInOutError);
  IOChecksOff off;  // raises also when the caller has checking off
  EXPECT_THROW(m.Save(Path("no_such_dir/x.txt")), EInOutError);
  EXPECT_FALSE(IOChecks());
}

}  // namespace
}  // namespace krv
