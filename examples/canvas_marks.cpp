// Canvas and marks: drawing a small chart panel on a bitmap and saving it as PNG.
//
// TBitmap is a raster of pixels with its own TCanvas (pen, brush, lines, rectangles, text in
// a built-in font). DrawFrame draws 3D frames, DrawMarkOnCanvas the data-point marks (0..51
// are shapes) in the pen's colour. SaveToPngFile writes the picture as a PNG file.
#include <korvex/korvex.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

// Prints a check that went wrong and counts it; any failure makes the program exit with 1.
int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

}  // namespace

int main() {
  krv::PackageLoad();

  // A 240 x 120 white picture with a raised frame around its edge.
  krv::TBitmap picture(240, 120);
  krv::TCanvas& canvas = *picture.Canvas();
  krv::DrawFrame(canvas, krv::fsRaised, 0, 0, 239, 119, krv::clWhite, krv::clSilver, krv::clGray,
                 krv::clBlack, krv::clBlack);

  // A data series: a blue line through the points, each point marked by a red mark.
  const int xs[] = {30, 70, 110, 150, 190}, ys[] = {90, 60, 70, 35, 45};
  canvas.Pen()->SetColor(krv::clBlue);
  canvas.MoveTo(xs[0], ys[0]);
  for (int i = 1; i < 5; ++i) canvas.LineTo(xs[i], ys[i]);
  canvas.Pen()->SetColor(krv::clRed);
  for (int i = 0; i < 5; ++i)
    krv::DrawMarkOnCanvas(canvas, static_cast<krv::Byte>(i + 1), xs[i], ys[i]);
  canvas.Font()->SetColor(krv::clBlack);
  canvas.TextOut(10, 8, u"marks 1..5");

  // Each mark is drawn in the pen's colour on its point; the frame and the background stay.
  Expect(canvas.Pixels(xs[3], ys[3]) == krv::clRed, "a mark covers its data point");
  Expect(canvas.Pixels(120, 110) == krv::clWhite, "the background is white");
  std::printf("picture %dx%d, pixel at the 4th point: %s\n", picture.Width(), picture.Height(),
              krv::ToUtf8(krv::ColorToHexStr(canvas.Pixels(xs[3], ys[3]))).c_str());

  // One mark on a bitmap of its own: (2 * size + 7) pixels square.
  const auto mark = krv::CreateMarkAsBitmap(9, krv::clGreen, krv::clWhite, 8);
  Expect(mark->Width() == 23 && mark->Height() == 23, "mark bitmap size");
  canvas.Draw(200, 80, *mark);

  // The picture saved as PNG in a fresh temporary folder.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("korvex_canvas_" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path png = folder / "marks.png";
  picture.SaveToPngFile(krv::ToUtf16(png.string()));
  char signature[8] = {};
  std::ifstream(png, std::ios::binary).read(signature, 8);
  std::printf("%s: %ju bytes\n", png.string().c_str(),
              static_cast<std::uintmax_t>(std::filesystem::file_size(png)));
  Expect(std::string(signature, 8) == "\x89PNG\r\n\x1a\n",
         "the file starts with the PNG signature");
  std::filesystem::remove_all(folder);

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
