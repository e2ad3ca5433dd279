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

// The shared library exports what a header declares inside KORVEX_API_BEGIN/END; a header
// that opened namespace krv without them would compile but leave its symbols hidden.
TEST(Umbrella, EveryHeaderExportsItsNamespace) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(kIncludeDir)) {
    if (e.path().extension() != ".h" || e.path().filename() == "export.h") continue;
    const std::string text = ReadFile(e.path());
    std::size_t opened = 0, wrapped = 0;
    for (std::size_t at = text.find("\nnamespace krv {"); at != std::string::npos;
         at = text.find("\nnamespace krv {", at + 1)) {
      ++opened;
      if (at >= 16 && text.compare(at - 16, 16, "KORVEX_API_BEGIN") == 0) ++wrapped;
    }
    if (opened == 0) continue;
    EXPECT_EQ(wrapped, opened) << e.path();
    EXPECT_NE(text.find("#include \"korvex/platform/export.h\""), std::string::npos) << e.path();
    EXPECT_NE(text.find("}  // namespace krv\nKORVEX_API_END"), std::string::npos) << e.path();
  }
}

TEST(Umbrella, TheWholeLibraryIsUsableFromOneInclude) {
  krv::String s = krv::StripLTBlanks(u"  korvex  ");
  EXPECT_EQ(s, u"korvex");
  EXPECT_EQ(krv::ResolveCSVDelimiter(u';'), krv::csvSemicolon);
}

}  // namespace
