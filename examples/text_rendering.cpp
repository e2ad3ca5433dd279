// Text rendering: the same lines drawn in the built-in bitmap font and in real faces.
//
// A font named "Korvex Sans" (the name a new TFont has) draws with the library's built-in
// bitmap font, scaled by whole factors. Any other name draws with the face fontconfig matches
// for it (FreeType glyphs, anti-aliased unless the font's Quality is fqNonAntialiased or
// fqDraft). The left column shows the built-in font, the right one the real faces.
//
//   example_text_rendering            draws the picture and checks it
//   example_text_rendering OUT.png    also saves it (docs/text_rendering.png is made this way)
#include <korvex/korvex.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

struct Line {
  const char16_t* family;  // the real face's family
  int points;
  krv::TFontStyles style;
  const char16_t* label;
};

constexpr Line kLines[] = {
    {u"DejaVu Sans", 8, {}, u"8 pt: The quick brown fox jumps over the lazy dog."},
    {u"DejaVu Sans", 10, {}, u"10 pt: The quick brown fox jumps over the lazy dog."},
    {u"DejaVu Sans", 12, {}, u"12 pt: The quick brown fox jumps over the lazy dog."},
    {u"DejaVu Sans", 18, {}, u"18 pt: Sphinx of black quartz"},
    {u"DejaVu Serif", 12, {}, u"DejaVu Serif 12 pt: Qualität, Größe, ½ € 1 234,5"},
    {u"DejaVu Serif", 12, {krv::fsBold}, u"Bold: Waveform AVAILABLE"},
    {u"DejaVu Serif", 12, {krv::fsItalic}, u"Italic: efficient fjord"},
    {u"DejaVu Serif",
     12,
     {krv::fsBold, krv::fsItalic, krv::fsUnderline},
     u"Bold italic underlined"},
};

// Draws the lines in one column starting at (x, y); `real` picks the real faces.
void DrawColumn(krv::TCanvas& c, int x, int y, bool real) {
  c.Font()->SetName(krv::kBuiltinFontName);
  c.Font()->SetSize(10);
  c.Font()->SetStyle({krv::fsBold});
  c.Font()->SetColor(krv::clNavy);
  c.TextOut(x, y, real ? u"Real faces (FreeType, fontconfig)" : u"Built-in font \"Korvex Sans\"");
  y += c.TextHeight(u"") + 8;
  c.Font()->SetColor(krv::clBlack);
  for (const Line& line : kLines) {
    c.Font()->SetName(real ? line.family : krv::kBuiltinFontName);
    c.Font()->SetSize(line.points);
    c.Font()->SetStyle(line.style);
    c.TextOut(x, y, line.label);
    y += c.TextHeight(line.label) + 4;
  }
}

// The distinct colours of the box x0..x1-1, y0..y1-1.
std::size_t Colours(const krv::TBitmap& b, int x0, int y0, int x1, int y1) {
  std::set<std::uint32_t> seen;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) seen.insert(b.ScanLine(y)[static_cast<std::size_t>(x)]);
  return seen.size();
}

}  // namespace

int main(int argc, char** argv) {
  krv::PackageLoad();
  constexpr int kColumn = 470;
  krv::TBitmap picture(2 * kColumn, 240);
  krv::TCanvas& c = *picture.Canvas();
  c.Brush()->SetColor(krv::clWhite);
  c.FillRect({0, 0, picture.Width(), picture.Height()});
  c.Brush()->SetStyle(krv::bsClear);
  DrawColumn(c, 10, 10, false);
  DrawColumn(c, kColumn + 10, 10, true);
  c.Pen()->SetColor(krv::clSilver);
  c.MoveTo(kColumn, 0);
  c.LineTo(kColumn, picture.Height());

  // The built-in font draws plain pixels in its colours; real faces are anti-aliased.
  const int top = 40, bottom = picture.Height();
  Expect(Colours(picture, 0, top, kColumn, bottom) <= 3, "the built-in font has no grey levels");
  if (krv::Screen()->FontInstalled(u"DejaVu Sans")) {
    Expect(Colours(picture, kColumn + 1, top, 2 * kColumn, bottom) > 16,
           "real faces are anti-aliased");
    c.Font()->SetName(u"DejaVu Sans");
    c.Font()->SetStyle({});
    c.Font()->SetSize(8);
    const int w8 = c.TextWidth(kLines[0].label);
    c.Font()->SetSize(12);
    Expect(c.TextWidth(kLines[0].label) > w8, "12 points are wider than 8");
  } else {
    std::printf("DejaVu Sans is not installed: both columns use the built-in font\n");
  }
  if (argc > 1) {
    picture.SaveToPngFile(krv::FromNativeName(argv[1]));
    std::printf("saved %s (%dx%d)\n", argv[1], picture.Width(), picture.Height());
  }
  krv::PackageUnload();
  return failures == 0 ? 0 : 1;
}
