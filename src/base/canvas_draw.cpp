// Frames, rectangle outlines and data-point marks drawn on a caller's canvas.
//
// Marks 1..6 and 18 are pixel patterns on a screen canvas and lines on the printer's canvas
// (where the pen's width makes them visible); mark 25 uses shorter lines on the printer.
// The printer's canvas is recognised by identity: &Canvas == Printer()->Canvas().
// Character marks (52..255) take the character of that Windows-1252 code.
#include "korvex/base/canvas_draw.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "korvex/base/exceptions.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/fonts.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

constexpr std::int32_t kMaxMarkBitmapSize = 255;

// A coordinate whose offsets wrap around at 32 bits, as the original's integer arithmetic
// does, so points near the ends of the range are well defined (and simply land elsewhere).
struct Coord {
  std::int32_t v;
  operator std::int32_t() const { return v; }  // NOLINT: used wherever a pixel is expected
  friend Coord operator+(Coord a, std::int32_t d) {
    return {
        static_cast<std::int32_t>(static_cast<std::uint32_t>(a.v) + static_cast<std::uint32_t>(d))};
  }
  friend Coord operator-(Coord a, std::int32_t d) {
    return {
        static_cast<std::int32_t>(static_cast<std::uint32_t>(a.v) - static_cast<std::uint32_t>(d))};
  }
};

void Line(TCanvas& c, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
}

// Moves to the first point and draws lines through the others.
void PolyLine(TCanvas& c, std::initializer_list<TPoint> points) {
  const TPoint* p = points.begin();
  c.MoveTo(p->X, p->Y);
  for (++p; p != points.end(); ++p) c.LineTo(p->X, p->Y);
}

void Dot(TCanvas& c, Coord x, Coord y) {
  c.SetPixels(x, y, ColorToRGB(c.Pen()->Color()));
}

// Whether the 7 x 7 screen pattern of mark 1..6 or 18 has a pixel at (dx, dy), both -3..3.
bool PatternPixel(Byte type, std::int32_t dx, std::int32_t dy) {
  const std::int32_t ax = dx < 0 ? -dx : dx;
  const std::int32_t ay = dy < 0 ? -dy : dy;
  switch (type) {
    case 1:
    case 2:
    case 3:
      return (dx == 0 && ay <= type) || (dy == 0 && ax <= type);
    case 4:
    case 5:
    case 6:
      return ax == ay && ax <= type - 3;
    case 18:
      return (ax + ay) % 2 == 0;
    default:
      return false;
  }
}

void DrawPattern(TCanvas& c, Byte type, Coord x, Coord y, bool printer) {
  if (printer && type <= 6) {
    const std::int32_t a = (type - 1) % 3 + 2;
    if (type <= 3) {
      Line(c, x - a, y, x + a, y);
      Line(c, x, y - a, x, y + a);
    } else {
      Line(c, x - a, y - a, x + a, y + a);
      Line(c, x - a, y + a, x + a, y - a);
    }
    return;
  }
  for (std::int32_t dy = -3; dy <= 3; ++dy)
    for (std::int32_t dx = -3; dx <= 3; ++dx) {
      if (!PatternPixel(type, dx, dy)) continue;
      if (printer)
        Line(c, x + dx, y + dy, x + dx + 1, y + dy);
      else
        Dot(c, x + dx, y + dy);
    }
}

// A shape mark as up to two drawing steps, each with offsets from the mark's centre.
enum class StepKind : std::uint8_t {
  kNone,
  kDot,       // the centre pixel in the pen's colour
  kPattern,   // the pixel pattern of marks 1..6 and 18 (lines on the printer)
  kRect,      // Rectangle(x + v0, y + v1, x + v2, y + v3)
  kEllipse,   // Ellipse(x + v0, y + v1, x + v2, y + v3)
  kPolygon,   // Polygon through the points (v0, v1), (v2, v3), ...
  kPolyLine,  // MoveTo the first point, LineTo the others
  kLines,     // one line for each four values: (v0, v1) to (v2, v3), ...
};
// What a step does to the brush: nothing; its colour becomes the pen's (the interior takes
// the mark's colour); clear while the step draws (only the outline shows) and solid after;
// solid from then on.
enum class StepBrush : std::uint8_t { kAsIs, kFilled, kOutline, kSolid };

struct MarkStep {
  StepKind kind = StepKind::kNone;
  StepBrush brush = StepBrush::kAsIs;
  std::uint8_t count = 0;  // values used in v
  std::array<std::int8_t, 24> v{};
};

struct ShapeMark {
  constexpr ShapeMark(MarkStep a, MarkStep b = {}) : first(a), second(b) {}  // NOLINT: table rows
  MarkStep first, second;
};

using enum StepKind;
using enum StepBrush;

constexpr MarkStep Step(StepKind kind, StepBrush brush = StepBrush::kAsIs,
                        std::initializer_list<int> values = {}) {
  MarkStep s{kind, brush, static_cast<std::uint8_t>(values.size()), {}};
  std::size_t k = 0;
  for (const int v : values) s.v[k++] = static_cast<std::int8_t>(v);
  return s;
}

constexpr MarkStep kDiamondMark = Step(kPolyLine, kAsIs, {-3, 0, 0, 3, 3, 0, 0, -3, -3, 0});
constexpr MarkStep kPatternMark = Step(kPattern);
constexpr MarkStep Square(int a) {
  return Step(kPolyLine, kAsIs, {-a, -a, -a, a, a, a, a, -a, -a, -a});
}
constexpr MarkStep Box(StepKind kind, StepBrush brush, int a) {
  return Step(kind, brush, {-a, -a, a + 1, a + 1});
}
// Lines from the centre to (-a, dy) and (a, dy).
constexpr MarkStep Chevron(int a, int dy) {
  return Step(kLines, kAsIs, {0, 0, -a, dy, 0, 0, a, dy});
}
// Six lines of mark 25; the printer's end at a = 3, b = 2, the screen's at a = 4, b = 3.
constexpr MarkStep Hatch(int a, int b) {
  return Step(kLines, kAsIs,
              {-3, -3, a, a, -3, -2, b, a, -2, -3, a, b, -3, 3, a, -a, -3, 2, b, -a, -2, 3, a, -b});
}
constexpr MarkStep Triangle(StepBrush brush, std::initializer_list<int> points) {
  return Step(kPolygon, brush, points);
}
// The lines of a plus from (from, 0) to (to, 0) and (0, from) to (0, to).
constexpr MarkStep Plus(int from, int to) {
  return Step(kLines, kAsIs, {from, 0, to, 0, 0, from, 0, to});
}

// Marks 0..51 by number: the filled shapes take the pen's colour for the brush, the outlines
// draw with a clear brush (solid afterwards); 50 and 51 leave the brush solid.
constexpr std::array<ShapeMark, 52> kShapeMarks{{
    {Step(kDot)},                                           // 0
    {kPatternMark},                                         // 1
    {kPatternMark},                                         // 2
    {kPatternMark},                                         // 3
    {kPatternMark},                                         // 4
    {kPatternMark},                                         // 5
    {kPatternMark},                                         // 6
    {Box(kRect, kFilled, 1)},                               // 7
    {Box(kRect, kFilled, 2)},                               // 8
    {Box(kRect, kFilled, 3)},                               // 9
    {Square(1)},                                            // 10
    {Square(2)},                                            // 11
    {Square(3)},                                            // 12
    {kDiamondMark, Step(kDot)},                             // 13
    {Step(kPolygon, kFilled, {-2, 0, 0, 2, 2, 0, 0, -2})},  // 14
    {Step(kPolygon, kFilled, {-3, 0, 0, 3, 3, 0, 0, -3})},  // 15
    {Box(kEllipse, kOutline, 2)},                           // 16
    {Box(kEllipse, kOutline, 3)},                           // 17
    {kPatternMark},                                         // 18
    {kDiamondMark},                                         // 19
    {Chevron(3, 3)},                                        // 20
    {Chevron(4, 4)},                                        // 21
    {Chevron(3, -3)},                                       // 22
    {Chevron(4, -4)},                                       // 23
    {Box(kEllipse, kFilled, 3)},                            // 24
    {Hatch(4, 3)},                // 25 (the screen's; the printer draws kPrinterHatch)
    {Box(kEllipse, kFilled, 2)},  // 26
    {Step(kEllipse, kOutline, {-2, -2, 2, 2})},                                      // 27
    {Step(kEllipse, kFilled, {-2, -2, 2, 2})},                                       // 28
    {Triangle(kFilled, {-2, 0, 0, 2, 2, 0})},                                        // 29
    {Triangle(kFilled, {-3, 0, 0, 3, 3, 0})},                                        // 30
    {Triangle(kOutline, {-2, 0, 0, 2, 2, 0})},                                       // 31
    {Triangle(kOutline, {-3, 0, 0, 3, 3, 0})},                                       // 32
    {Triangle(kOutline, {-4, -3, 0, 4, 4, -3})},                                     // 33
    {Triangle(kFilled, {-4, -3, 0, 4, 4, -3})},                                      // 34
    {Triangle(kOutline, {-4, 3, 0, -4, 4, 3})},                                      // 35
    {Triangle(kFilled, {-4, 3, 0, -4, 4, 3})},                                       // 36
    {Step(kLines, kAsIs, {-3, 0, 4, 0, 0, 0, 0, -8})},                               // 37
    {Step(kLines, kAsIs, {-3, -2, 4, -2, -3, 2, 4, 2, 0, -2, 0, 2})},                // 38
    {Box(kEllipse, kOutline, 3), Plus(-3, 4)},                                       // 39
    {Triangle(kOutline, {3, -2, -2, 0, 3, 2})},                                      // 40
    {Triangle(kFilled, {3, -2, -2, 0, 3, 2})},                                       // 41
    {Triangle(kOutline, {4, -3, -3, 0, 4, 3})},                                      // 42
    {Triangle(kFilled, {4, -3, -3, 0, 4, 3})},                                       // 43
    {Triangle(kOutline, {-3, -2, 2, 0, -3, 2})},                                     // 44
    {Triangle(kFilled, {-3, -2, 2, 0, -3, 2})},                                      // 45
    {Triangle(kOutline, {-4, -3, 3, 0, -4, 3})},                                     // 46
    {Triangle(kFilled, {-4, -3, 3, 0, -4, 3})},                                      // 47
    {Box(kRect, kOutline, 3), Plus(-3, 4)},                                          // 48
    {Box(kRect, kOutline, 2), Plus(-4, 5)},                                          // 49
    {Step(kLines, kSolid, {-4, 0, 5, 0, 0, -4, 0, 5, -3, -3, 4, 4, -3, 3, 4, -4})},  // 50
    {Step(kLines, kSolid, {-4, 0, 5, 0, 0,  -4, 0,  5, -1, -3, 2, -3,
                           -1, 3, 2, 3, -3, -1, -3, 2, 3,  -1, 3, 2})},  // 51
}};

constexpr MarkStep kPrinterHatch = Hatch(3, 2);  // mark 25 on the printer

void DrawStepShape(TCanvas& c, const MarkStep& s, Coord x, Coord y) {
  const auto at = [&](std::size_t k) { return TPoint{x + s.v[k], y + s.v[k + 1]}; };
  switch (s.kind) {
    case kDot:
      krv::Dot(c, x, y);
      break;
    case kRect:
      c.Rectangle(x + s.v[0], y + s.v[1], x + s.v[2], y + s.v[3]);
      break;
    case kEllipse:
      c.Ellipse(x + s.v[0], y + s.v[1], x + s.v[2], y + s.v[3]);
      break;
    case kPolygon: {
      std::array<TPoint, 4> points{};
      for (std::size_t k = 0; k < s.count / 2u; ++k) points[k] = at(2 * k);
      c.Polygon(std::span<const TPoint>(points.data(), s.count / 2u));
      break;
    }
    case kPolyLine:
      c.MoveTo(x + s.v[0], y + s.v[1]);
      for (std::size_t k = 2; k + 1 < s.count; k += 2) c.LineTo(x + s.v[k], y + s.v[k + 1]);
      break;
    case kLines:
      for (std::size_t k = 0; k + 3 < s.count; k += 4)
        Line(c, x + s.v[k], y + s.v[k + 1], x + s.v[k + 2], y + s.v[k + 3]);
      break;
    default:
      break;
  }
}

void DrawStep(TCanvas& c, const MarkStep& s, Coord x, Coord y) {
  if (s.brush == kFilled) c.Brush()->SetColor(c.Pen()->Color());
  if (s.brush == kOutline) c.Brush()->SetStyle(bsClear);
  if (s.brush == kSolid) c.Brush()->SetStyle(bsSolid);
  DrawStepShape(c, s, x, y);
  if (s.brush == kOutline) c.Brush()->SetStyle(bsSolid);
}

// Marks 0..51; the caller restores the brush colour.
void DrawShapeMark(TCanvas& c, Byte type, Coord x, Coord y) {
  const bool printer = &c == Printer()->Canvas();
  if (type >= kShapeMarks.size()) return;
  const ShapeMark& mark = kShapeMarks[type];
  if (mark.first.kind == kPattern) {
    DrawPattern(c, type, x, y, printer);
    return;
  }
  DrawStep(c, printer && type == 25 ? kPrinterHatch : mark.first, x, y);
  DrawStep(c, mark.second, x, y);
}

// Restores the brush colour when a shape mark is done, also when drawing raises.
class BrushColorKeeper {
 public:
  explicit BrushColorKeeper(TCanvas& c) : canvas_(c), color_(c.Brush()->Color()) {}
  ~BrushColorKeeper() { canvas_.Brush()->SetColor(color_); }
  BrushColorKeeper(const BrushColorKeeper&) = delete;
  BrushColorKeeper& operator=(const BrushColorKeeper&) = delete;

 private:
  TCanvas& canvas_;
  TColor color_;
};

void DrawCharacterMark(TCanvas& c, Byte type, Coord x, Coord y) {
  const Char ch =
      type >= 200 && type <= 209 ? static_cast<Char>(u'0' + (type - 200)) : AnsiToChar(type);
  const String text(1, ch);
  c.Font()->SetColor(c.Pen()->Color());
  c.Brush()->SetStyle(bsClear);
  // Integer division truncates toward zero, as the original's div does.
  c.TextOut(x - c.TextWidth(text) / 2, y - c.TextHeight(text) / 2, text);
}

}  // namespace

void DrawRectangle(TCanvas& Canvas, std::int32_t Left, std::int32_t Top, std::int32_t Right,
                   std::int32_t Bottom) {
  PolyLine(Canvas, {{Left, Top}, {Left, Bottom}, {Right, Bottom}, {Right, Top}, {Left, Top}});
}

void DrawFrame(TCanvas& Canvas, TFrameStyle Style, std::int32_t Left, std::int32_t Top,
               std::int32_t Right, std::int32_t Bottom, TColor c1, TColor c2, TColor c3, TColor c4,
               TColor c5) {
  // Colours of the outer left/top, outer right/bottom, inner left/top, inner right/bottom rim.
  std::array<TColor, 4> rim;
  switch (Style) {
    case fsSimple:
      Canvas.Pen()->SetColor(c5);
      DrawRectangle(Canvas, Left, Top, Right, Bottom);
      return;
    case fsRaised:
      rim = {c1, c4, c2, c3};
      break;
    case fsLowered:
      rim = {c3, c1, c4, c2};
      break;
    case fsEmbossed:
      rim = {c1, c3, c3, c1};
      break;
    case fsEngraved:
      rim = {c3, c1, c1, c3};
      break;
    default:  // fsNone and values outside the enumeration
      return;
  }
  const Coord l{Left}, t{Top}, r{Right}, b{Bottom};
  TPen& pen = *Canvas.Pen();
  pen.SetColor(rim[0]);
  PolyLine(Canvas, {{l, b}, {l, t}, {r + 1, t}});
  Canvas.MoveTo(r, t + 1);
  pen.SetColor(rim[1]);
  Canvas.LineTo(r, b);
  Canvas.LineTo(l - 1, b);
  pen.SetColor(rim[2]);
  PolyLine(Canvas, {{l + 1, b - 1}, {l + 1, t + 1}, {r, t + 1}});
  Canvas.MoveTo(r - 1, t + 2);
  pen.SetColor(rim[3]);
  Canvas.LineTo(r - 1, b - 1);
  Canvas.LineTo(l, b - 1);
}

void DrawMarkOnCanvas(TCanvas& Canvas, Byte MarkType, std::int32_t X, std::int32_t Y) {
  if (MarkType >= 52) {
    DrawCharacterMark(Canvas, MarkType, Coord{X}, Coord{Y});
    return;
  }
  const BrushColorKeeper keep(Canvas);
  DrawShapeMark(Canvas, MarkType, Coord{X}, Coord{Y});
}

std::unique_ptr<TBitmap> CreateMarkAsBitmap(Byte MarkType, TColor MarkColor, TColor BkgColor,
                                            std::int32_t Size) {
  const std::int32_t size = std::clamp(Size, 0, kMaxMarkBitmapSize);
  const std::int32_t edge = 2 * size + 7;
  auto bitmap = std::make_unique<TBitmap>(edge, edge);
  TCanvas& canvas = *bitmap->Canvas();
  canvas.Pen()->SetColor(BkgColor);
  canvas.Brush()->SetColor(BkgColor);
  canvas.Brush()->SetStyle(bsSolid);
  canvas.Rectangle(0, 0, edge, edge);
  canvas.Pen()->SetColor(MarkColor);
  DrawMarkOnCanvas(canvas, MarkType, size + 3, size + 3);
  return bitmap;
}

void PrintBitmap(const TBitmap& Bitmap, std::int32_t X, std::int32_t Y) {
  TPrinter& printer = *Printer();
  // Checked here too, so that even an empty bitmap needs a print job.
  if (!printer.Printing()) throw EPrinter("Printer is not currently printing");
  printer.Canvas()->Draw(X, Y, Bitmap);
}

bool FontIsTrueType(const String& Name) {
  const TScreen& screen = *Screen();
  if (!screen.FontInstalled(Name)) throw EKRVError(u"Font \"" + Name + u"\" is not installed");
  // OpenType fonts with PostScript (CFF) outlines are not TrueType, as on the original
  // platform, where only TrueType outlines set the TrueType bit of the text metrics.
  return screen.FontFormat(Name) == ffTrueType;
}

void SetCanvasFontSizeScaled(TCanvas& Canvas, std::int32_t Size) {
  TFont& font = *Canvas.Font();
  const std::int32_t screen_ppi = Screen()->PixelsPerInch();
  const std::int32_t own_ppi = font.PixelsPerInch();
  if (own_ppi == screen_ppi) {
    font.SetSize(Size);
    return;
  }
  font.SetPixelsPerInch(screen_ppi);
  font.SetSize(Size);
  font.SetPixelsPerInch(own_ppi);  // keeps the height in pixels just set
}

}  // namespace krv
