// krv features: show, to-csv and from-csv, the check of a file's lines, the encodings of
// from-csv, errors and their exit status, and the help pages. The file format itself is
// tested with the library (tests/dstruct/featmat_file_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "korvex/dstruct/featmat.h"
#include "korvex/platform/text.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

// One integer feature numbered 7 and named Mass; two objects, only the first with a value.
const std::string kDefs =
    "#featdef 1 1\r\n"
    "1 fplFeatNum 7\r\n"
    "1 fplFeatName Mass\r\n"
    "1 fplFeatKind fkInteger\r\n"
    "1 fplComment \r\n"
    "1 fplPresets \r\n"
    "1 fplSorted FALSE\r\n";
const std::string kMatrix = kDefs + "#featvals 1 2\r\n1 1 12\r\n#featend\r\n";
const std::string kShown =
    "m.txt: 1 features, 2 objects\n\n"
    "#  number  name  kind     sorted  comment  presets\n"
    "-  ------  ----  -------  ------  -------  -------\n"
    "1  7       Mass  integer  no\n\n"
    "object  Mass\n"
    "------  ----\n"
    "1       12\n"
    "2\n";
const std::string kKeep = "a good old output\n";

struct Case {
  const char* args;  // after "krv features"; may redirect standard input or output
  int status;
  std::string out;  // standard output, or a part of it when part is set
  const char* err;  // the start of standard error
  bool part = false;
};

// clang-format off
const Case kCases[] = {
    {"show m.txt", 0, kShown, ""},
    {"show - < m.txt", 0, "-" + kShown.substr(5), ""},
    {"to-csv m.txt", 0, "Mass\r\n12\r\n\r\n", ""},
    // The check: what the reader passes over is reported by line; --strict refuses it.
    {"show cut.txt", 0, "1       12\n2\n", "krv features: cut.txt:9: the file ends before "
                                          "#featend: it may have been cut\n", true},
    {"to-csv --strict cut.txt -o keep", 2, "",
     "krv features: cut.txt:9: the file ends before #featend: it may have been cut\n"
     "krv features: cut.txt: refused (--strict): 1 finding\n"},
    {"to-csv defs.txt", 0, "Mass\r\n", "krv features: defs.txt:7: no #featvals section: the "
                                       "file holds no values\n"},
    {"to-csv odd.txt", 0, "Mass,\r\n12x,\r\n,\r\n",
     "krv features: odd.txt:8: #featvals counts 2 features where #featdef (line 1) counts 1: "
     "the definitions follow #featvals\n"
     "krv features: odd.txt:9: '12x' is not an integer, the kind of feature 1\n"
     "krv features: odd.txt:10: a value of feature 1, object 3 lies outside the counts (2 "
     "features, 2 objects): skipped\n"
     "krv features: odd.txt:11: feature 2 has values but no kind (fkUndefined): they are not "
     "shown\n"},
    {"show half.txt", 2, "", "krv features: half.txt:4: the file ends inside the definitions: 3 "
                             "of 6 property lines are missing (#featdef at line 1 announces 1 "
                             "feature, 6 property lines per feature)\n"},
    // A property line without an index: the message gives the count #featdef wrote.
    {"show noindex.txt", 2, "", "krv features: noindex.txt:2: a property line should start "
                                "with a feature index, not 'foo bar' (#featdef at line 1 "
                                "announces 1 feature, 6 property lines per feature)\n"},
    {"show noindex2.txt", 2, "", "krv features: noindex2.txt:3: a property line should start "
                                 "with a feature index, not 'x' (#featdef at line 1 announces 2 "
                                 "features, 6 property lines per feature)\n"},
    {"show nomat.txt", 2, "", "krv features: nomat.txt: no #featdef or #featvals line: not a "
                              "feature-matrix file\n"},
    {"show missing", 2, "", "krv features: missing: No such file or directory\n"},
    {"to-csv . -o keep", 2, "", "krv features: .: Is a directory\n"},
    {"show < .", 2, "", "krv features: -: Is a directory\n"},
    // Usage errors name the mode; a mode's word after the mode is an operand.
    {"show -n 1 m.txt", 2, "", "krv features show: unknown option '-n'\n"
                               "Try 'krv features show --help'.\n"},
    {"show --rows -1 m.txt", 2, "", "krv features show: --rows: '-1' is not a whole number of 0 "
                                    "or more\nTry 'krv features show --help'.\n"},
    {"show --rows 1 --rows 2 m.txt", 2, "", "krv features show: option '--rows' may be given "
                                            "only once\n"},
    {"to-csv m.txt extra", 2, "", "krv features to-csv: extra operand 'extra'\n"},
    {"show to-csv", 2, "", "krv features: to-csv: No such file or directory\n"},
    {"", 2, "", "krv features: no mode given (choose show, to-csv or from-csv)\n"
                "Try 'krv features --help'.\n"},
    {"convert", 2, "", "krv features: unknown mode 'convert' (choose show, to-csv or "
                       "from-csv)\n"},
    // from-csv: UTF-8 or Windows-1252 in, Windows-1252 out; --lossy for what it lacks.
    {"from-csv utf8.csv -o keep", 2, "", "krv features: utf8.csv:3:1: '\xe4\xb8\xad' (U+4E2D) "
                                         "has no place in a feature-matrix file"},
    {"from-csv --lossy utf8.csv", 0, "1 1 caf\xe9 \x80\r\n2 1 1\r\n1 2 ?\r\n", "-: 2 features, 2 objects; "
                                     "CSV read as UTF-8\n", true},
    {"from-csv cp1252.csv", 0, "1 1 caf\xe9 \x80\r\n", "-: 2 features, 1 objects; CSV read as "
                               "Windows-1252 (not valid UTF-8)\n", true},
    {"from-csv --encoding=utf-8 cp1252.csv", 2, "", "krv features: cp1252.csv:2:4: not valid "
                                                    "UTF-8 (byte 0xE9)"},
    {"from-csv --encoding=latin1 cp1252.csv", 2, "", "krv features from-csv: --encoding: invalid "
                                                     "value 'latin1' (choose auto, utf-8 or "
                                                     "windows-1252)\n"},
    {"from-csv --encoding=UTF-8 cp1252.csv", 2, "", "krv features from-csv: --encoding: invalid "
                                                    "value 'UTF-8'"},
    {"from-csv fields.csv -o keep", 2, "", "krv features: fields.csv: record 2 has 3 fields, "
                                           "the header 2\n"},
    {"from-csv open.csv", 2, "", "krv features: open.csv: a quoted field is not closed\n"},
    {"from-csv after.csv", 2, "", "krv features: after.csv:2:4: text after a closing quote\n"},
    {"from-csv empty.csv", 2, "", "krv features: empty.csv: no header row\n"},
    {"from-csv cp1252.csv -o nodir/m.txt", 2, "", "krv features: nodir/m.txt: No such file"},
    // Same file and failed writes: refused or reported, nothing left half-written.
    {"to-csv m.txt -o m.txt", 2, "", "krv features: m.txt and m.txt are the same file\n"},
    {"show m.txt >> m.txt", 2, "", "krv features: m.txt and standard output are the same file\n"},
    {"from-csv keep -o keep", 2, "", "krv features: keep and keep are the same file\n"},
    {"show m.txt > /dev/full", 2, "", "krv features: write error: No space left on device\n"},
    {"to-csv m.txt > /dev/full", 2, "", "krv features: write error: No space left on device\n"},
    {"to-csv m.txt -o /dev/full", 2, "", "krv features: /dev/full: write error: No space left"},
    {"from-csv cp1252.csv > /dev/full", 2, "", "krv features: write error: No space left"},
};
// clang-format on

TEST(KrvFeatures, TableOfCases) {
  const TempDir dir("krv_features");
  int left_out = 0;
  for (const Case& c : kCases) {
    if (testing::LacksPosixDevice(c.args)) {
      ++left_out;
      continue;
    }
    dir.Write("m.txt", kMatrix);
    dir.Write("keep", kKeep);
    dir.Write("cut.txt", kMatrix.substr(0, kMatrix.rfind("#featend")));
    dir.Write("defs.txt", kDefs);
    dir.Write("half.txt", kDefs.substr(0, kDefs.find("1 fplComment")));
    dir.Write("odd.txt", kDefs + "#featvals 2 2\r\n1 1 12x\r\n1 3 5\r\n2 1 x\r\n#featend\r\n");
    dir.Write("nomat.txt", "hello\n");
    dir.Write("noindex.txt", "#featdef 1 1\r\nfoo bar\r\n");
    dir.Write("noindex2.txt", "#featdef 2 1\r\n1 fplFeatNum 1\r\nx\r\n");
    dir.Write("utf8.csv", "name,x\ncaf\xc3\xa9 \xe2\x82\xac,1\n\xe4\xb8\xad,2\n");
    dir.Write("cp1252.csv", "name,x\ncaf\xe9 \x80,1\n");
    dir.Write("fields.csv", "a,b\n1,2,3\n");
    dir.Write("open.csv", "a,\"b\n");
    dir.Write("after.csv", "a\n\"b\"c\n");
    dir.Write("empty.csv", "");
    const KrvRun r = RunKrv(dir, std::string("features ") + c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    if (c.part)
      EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args << "\n" << r.out;
    else
      EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
    EXPECT_EQ(dir.Read("m.txt"), kMatrix) << c.args;
    EXPECT_EQ(dir.Read("keep"), kKeep) << c.args;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      EXPECT_EQ(entry.path().filename().string().find(".krv-"), std::string::npos) << c.args;
  }
  // Output to a file; the CSV text read back as a matrix.
  ASSERT_EQ(RunKrv(dir, "features show --rows 1 m.txt -o shown").status, 0);
  EXPECT_EQ(dir.Read("shown"), kShown.substr(0, kShown.size() - 2) + "(1 more objects)\n");
  const KrvRun csv = RunKrv(dir, "features to-csv < m.txt -o -");
  ASSERT_EQ(csv.status, 0) << csv.err;
  const KrvRun back = RunKrv(dir, "features from-csv", csv.out);
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_NE(back.out.find("1 1 12\r\n#featend\r\n"), std::string::npos) << back.out;
  if (left_out > 0)
    GTEST_SKIP() << left_out << " rows need /dev files or a folder as input, which Windows lacks";
}

TEST(KrvFeatures, CsvRoundTripInfersKinds) {
  const TempDir dir("krv_features_csv");
  const std::string csv =
      "Name,Mass,Count,Flag,Empty\r\n"
      "\"a, b\",1.5,3,true,\r\n"
      "\"say \"\"hi\"\"\",2e3,-4,FALSE,\r\n"
      "plain,,7,,\r\n";
  dir.Write("in.csv", csv);
  ASSERT_EQ(RunKrv(dir, "features from-csv in.csv -o m.txt").status, 0);
  TFeatureMatrix m;
  ASSERT_EQ(m.Load(ToUtf16(dir.File("m.txt").string())), 0);
  ASSERT_EQ(m.NFeatures(), 5);
  ASSERT_EQ(m.NObjects(), 3);
  const TFeatKind kinds[] = {fkString, fkDouble, fkInteger, fkTriState, fkString};
  for (int f = 1; f <= 5; ++f) EXPECT_EQ(m.GetFeatProps(f).FeatKind, kinds[f - 1]) << f;
  EXPECT_EQ(m.GetFeatProps(2).FeatName, "Mass");
  EXPECT_EQ(m.GetFeatValStr(1, 2), u"say \"hi\"");
  EXPECT_EQ(m.GetFeatValDouble(2, 2), 2000.0);
  EXPECT_EQ(m.GetFeatValInt(3, 2), -4);
  EXPECT_EQ(m.GetFeatValTriState(4, 2), tsFalse);
  EXPECT_EQ(RunKrv(dir, "features to-csv m.txt").out, csv);
  EXPECT_EQ(RunKrv(dir, "features from-csv - --output m2.txt", csv).status, 0);
  EXPECT_EQ(dir.Read("m2.txt"), dir.Read("m.txt"));
  EXPECT_EQ(RunKrv(dir, "features to-csv m.txt -o out.csv").status, 0);
  EXPECT_EQ(dir.Read("out.csv"), csv);
}

// Short records make a header fields x records matrix: 10 KiB of CSV would ask for more than a
// feature-matrix file may hold (on 32-bit targets too, where strings are smaller), and is
// refused before anything is allocated or written.
TEST(KrvFeatures, FromCsvRefusesMoreValuesThanAFileMayHold) {
  const TempDir dir("krv_features_wide");
  std::string csv;
  for (int f = 0; f < 2048; ++f) csv += f == 0 ? "a" : ",a";
  for (int r = 0; r < 3000; ++r) csv += "\nx";
  ASSERT_GT(FeatMatShapeBytes(2048, 3000), kFeatMatMaxLoadBytes);
  dir.Write("wide.csv", csv);
  const KrvRun r = RunKrv(dir, "features from-csv wide.csv -o m.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "krv features: wide.csv: too many values (2048 features x 3000 objects)\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("m.txt")));
}

// `krv help features [MODE]` and `krv features [MODE] --help` print the same page.
TEST(KrvFeatures, HelpPages) {
  const TempDir dir("krv_features_help");
  for (const std::string mode : {"", " show", " to-csv", " from-csv"}) {
    const KrvRun help = RunKrv(dir, "help features" + mode);
    EXPECT_EQ(help.status, 0) << mode;
    EXPECT_EQ(RunKrv(dir, "features" + mode + " --help").out, help.out) << mode;
    EXPECT_EQ(help.out.rfind("usage: krv features" + mode, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\nEXIT STATUS\n  0  "), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("\nEXAMPLES\n  krv features" + mode), std::string::npos) << help.out;
  }
  EXPECT_NE(RunKrv(dir, "help features").out.find("\nModes:\n  show "), std::string::npos);
  if (testing::LacksPosixDevice("/dev/full")) GTEST_SKIP() << "no /dev/full to refuse writes";
  EXPECT_EQ(RunKrv(dir, "help features from-csv > /dev/full").status, 2);
}

}  // namespace
}  // namespace krv
