// The umbrella headers compile together and name every public header of their area.
#include "korvex/korvex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::filesystem::path kIncludeDir =
    std::filesystem::path(KORVEX_SOURCE_DIR) / "include" / "korvex";

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(Umbrella, AreaHeadersListEveryHeaderOfTheirArea) {
  const std::string whole = ReadFile(kIncludeDir / "korvex.h");
  for (const auto& dir : std::filesystem::directory_iterator(kIncludeDir)) {
    if (!dir.is_directory()) continue;
    const std::string area = dir.path().filename().string();
    const std::string umbrella = ReadFile(kIncludeDir / (area + ".h"));
    EXPECT_NE(whole.find("korvex/" + area + ".h"), std::string::npos) << area;
    for (const auto& h : std::filesystem::directory_iterator(dir.path())) {
      if (h.path().extension() != ".h") continue;
      const std::string name = "korvex/" + area + "/" + h.path().filename().string();
      EXPECT_NE(umbrella.find(name), std::string::npos) << name;
    }
  }
}

TEST(Umbrella, TheWholeLibraryIsUsableFromOneInclude) {
  krv::String s = krv::StripLTBlanks(u"  korvex  ");
  EXPECT_EQ(s, u"korvex");
  EXPECT_EQ(krv::ResolveCSVDelimiter(u';'), krv::csvSemicolon);
}

}  // namespace
