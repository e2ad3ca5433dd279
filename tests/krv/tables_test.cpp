// krv tables: the library's tables printed as UTF-8; unknown names are usage errors.
#include <gtest/gtest.h>

#include <string>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using Ran = testing::KrvRun;

class KrvTables : public ::testing::Test {
 protected:
  Ran Tables(const std::string& args) { return testing::RunKrv(dir_, "tables " + args); }
  testing::TempDir dir_{"korvex_krv_tables"};
};

TEST_F(KrvTables, PrintsTheTablesAsUtf8) {
  struct Case {
    const char* name;
    const char* text;
  };
  const Case cases[] = {
      {"months", "\"février \""},
      {"months", "\"Jänner\""},
      {"entities", "&nbsp;"},
      {"entities", "&yuml;"},
      {"constants", "2.71828182845904523521"},
      {"constants", "3.64519953188247460253E-4951"},
      {"lnfactorial", "5912.12817848816"},
      {"-- csv", "csvSemicolon"},
  };
  for (const Case& c : cases) {
    const Ran r = Tables(c.name);
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_NE(r.out.find(c.text), std::string::npos) << c.name << ": " << c.text;
  }
}

TEST_F(KrvTables, NoNamePrintsEveryTable) {
  const Ran all = Tables("");
  EXPECT_EQ(all.status, 0);
  for (const char* title :
       {"MonthShort", "MonthLong", "WeekDayShort", "WeekDayLong", "NumWords", "LanguageID",
        "ISO639_2Char", "HTMLLat1Entities", "CSVDelimiters", "uc_GoldenR", "uc_LnFactorial"})
    EXPECT_NE(all.out.find(title), std::string::npos) << title;
}

TEST_F(KrvTables, UnknownNamesAreUsageErrors) {
  EXPECT_EQ(Tables("planets").err,
            "krv tables: unknown table 'planets' (choose from months, weekdays, numbers, "
            "languages, iso639, entities, csv, constants, lnfactorial)\n");
  for (const char* args : {"planets", "--bogus", "months planets", "-- --bogus"}) {
    const Ran r = Tables(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
  }
}

}  // namespace
}  // namespace krv
