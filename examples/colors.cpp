// Colours: TColor values, conversions between colour models, names, and colour scales.
//
// A TColor holds red in the lowest byte, then green, then blue (so 0x0000FF is red). The
// colour dictionary names 466 colours; TColorArray is a scale of colours numbered 1..Size
// that maps values to colours and is stored as a small text file.
#include <korvex/korvex.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

// Prints a check that went wrong and counts it; any failure makes the program exit with 1.
int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

// A fresh folder under the system's temporary folder, removed with its files at the end.
struct TempFolder {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("korvex_colors_" + std::to_string(std::random_device{}()));
  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path); }
  krv::String Name(const char* file) const { return krv::ToUtf16((path / file).string()); }
};

}  // namespace

int main() {
  krv::PackageLoad();
  TempFolder folder;

  // Names and hexadecimal text (in colour byte order: blue, green, red).
  const krv::TColor orange = krv::HexStrToColor(u"$00A5FF");
  const krv::String name = krv::ObtainColorName(orange);
  std::printf("$00A5FF is %s\n", krv::ToUtf8(name).c_str());
  Expect(name == u"Orange" && krv::ColorToHexStr(orange) == u"0000A5FF", "name and hex text");

  // Blending, inverting, grey value.
  const krv::TColor mid = krv::MeanColor(krv::clBlack, krv::clWhite);
  std::printf("between black and white: %s, grey value of orange: %d\n",
              krv::ToUtf8(krv::ColorToHexStr(mid)).c_str(), krv::ColorToGray(orange));
  Expect(mid == 0x7F7F7F && krv::InvertColor(krv::clWhite) == krv::clBlack, "blend and invert");

  // Hue, saturation and intensity, and back.
  double hue = 0, saturation = 0, intensity = 0;
  krv::RGBtoHSI(0xFF, 0xA5, 0x00, hue, saturation, intensity);
  krv::Integer r = 0, g = 0, b = 0;
  krv::HSItoRGB(hue, saturation, intensity, r, g, b);
  std::printf("orange: hue %.1f, saturation %.2f, intensity %.2f -> %d %d %d\n", hue, saturation,
              intensity, r, g, b);
  Expect(std::abs(r - 0xFF) <= 1 && std::abs(g - 0xA5) <= 1 && b <= 1, "HSI round trip");

  // A colour scale of 100 steps from the rainbow key colours: values map to colours.
  krv::TColorArray scale;
  scale.SetSize(100);
  scale.FillByInterpolation(0, krv::ColorArray_Rainbow);
  double distance = 0;
  const std::int32_t index = scale.ColorToIndex(scale.GetColorElem(40), distance);
  std::printf("element 40 is %s, found again at %d\n",
              krv::ToUtf8(krv::ColorToHexStr(scale.GetColorElem(40))).c_str(), index);
  Expect(index <= 40 && distance == 0, "an element of the scale is found with distance 0");
  Expect(scale.GetColorElem(100) == krv::ColorArray_Rainbow.back(),
         "the scale ends on its last key");

  // The scale stored in a text file and loaded into another array.
  Expect(scale.StoreOnFile(1, 100, folder.Name("rainbow.txt")), "the scale is stored");
  krv::TColorArray loaded;
  Expect(loaded.LoadFromFile(folder.Name("rainbow.txt"), true) && loaded.IsEqual(&scale),
         "the loaded scale equals the stored one");

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
