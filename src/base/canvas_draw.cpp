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

// Brush in the pen's colour: the shape's interior is drawn in the mark's colour.
void Filled(TCanvas& c) {
  c.Brush()->SetColor(c.Pen()->Color());
}

// Runs draw with a clear brush, so only the outline appears; the brush is solid afterwards.
template <typename Draw>
void Outline(TCanvas& c, Draw draw) {
  c.Brush()->SetStyle(bsClear);
  draw();
  c.Brush()->SetStyle(bsSolid);
}

void Triangle(TCanvas& c, TPoint a, TPoint b, TPoint d) {
  const std::array<TPoint, 3> points{a, b, d};
  c.Polygon(points);
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

// The diamond of marks 13 and 19.
void Diamond(TCanvas& c, Coord x, Coord y) {
  PolyLine(c, {{x - 3, y}, {x, y + 3}, {x + 3, y}, {x, y - 3}, {x - 3, y}});
}

void Plus(TCanvas& c, Coord x, Coord y, std::int32_t from, std::int32_t to) {
  Line(c, x + from, y, x + to, y);
  Line(c, x, y + from, x, y + to);
}

// Marks 0..51; the caller restores the brush colour.
void DrawShapeMark(TCanvas& c, Byte type, Coord x, Coord y) {
  const bool printer = &c == Printer()->Canvas();
  switch (type) {
    case 0:
      Dot(c, x, y);
      break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 18:
      DrawPattern(c, type, x, y, printer);
      break;
    case 7:
    case 8:
    case 9: {
      const std::int32_t a = type - 6;
      Filled(c);
      c.Rectangle(x - a, y - a, x + a + 1, y + a + 1);
      break;
    }
    case 10:
    case 11:
    case 12: {
      const std::int32_t a = type - 9;
      PolyLine(c, {{x - a, y - a}, {x - a, y + a}, {x + a, y + a}, {x + a, y - a}, {x - a, y - a}});
      break;
    }
    case 13:
      Diamond(c, x, y);
      Dot(c, x, y);
      break;
    case 14:
    case 15: {
      const std::int32_t a = type - 12;
      const std::array<TPoint, 4> points{{{x - a, y}, {x, y + a}, {x + a, y}, {x, y - a}}};
      Filled(c);
      c.Polygon(points);
      break;
    }
    case 16:
    case 17: {
      const std::int32_t a = type - 14;
      Outline(c, [&] { c.Ellipse(x - a, y - a, x + a + 1, y + a + 1); });
      break;
    }
    case 19:
      Diamond(c, x, y);
      break;
    case 20:
    case 21:
    case 22:
    case 23: {
      const std::int32_t a = type % 2 == 0 ? 3 : 4;
      const std::int32_t dy = type <= 21 ? a : -a;
      Line(c, x, y, x - a, y + dy);
      Line(c, x, y, x + a, y + dy);
      break;
    }
    case 24:
      Filled(c);
      c.Ellipse(x - 3, y - 3, x + 4, y + 4);
      break;
    case 25: {
      const std::int32_t a = printer ? 3 : 4;
      const std::int32_t b = printer ? 2 : 3;
      Line(c, x - 3, y - 3, x + a, y + a);
      Line(c, x - 3, y - 2, x + b, y + a);
      Line(c, x - 2, y - 3, x + a, y + b);
      Line(c, x - 3, y + 3, x + a, y - a);
      Line(c, x - 3, y + 2, x + b, y - a);
      Line(c, x - 2, y + 3, x + a, y - b);
      break;
    }
    case 26:
      Filled(c);
      c.Ellipse(x - 2, y - 2, x + 3, y + 3);
      break;
    case 27:
      Outline(c, [&] { c.Ellipse(x - 2, y - 2, x + 2, y + 2); });
      break;
    case 28:
      Filled(c);
      c.Ellipse(x - 2, y - 2, x + 2, y + 2);
      break;
    case 29:
    case 30:
    case 31:
    case 32: {
      const std::int32_t a = type % 2 == 1 ? 2 : 3;
      const auto draw = [&] { Triangle(c, {x - a, y}, {x, y + a}, {x + a, y}); };
      if (type <= 30) {
        Filled(c);
        draw();
      } else {
        Outline(c, draw);
      }
      break;
    }
    case 33:
    case 34:
    case 35:
    case 36:
    case 40:
    case 41:
    case 42:
    case 43:
    case 44:
    case 45:
    case 46:
    case 47: {
      TPoint p1, p2, p3;
      if (type <= 34) {
        p1 = {x - 4, y - 3}, p2 = {x, y + 4}, p3 = {x + 4, y - 3};
      } else if (type <= 36) {
        p1 = {x - 4, y + 3}, p2 = {x, y - 4}, p3 = {x + 4, y + 3};
      } else if (type <= 41) {
        p1 = {x + 3, y - 2}, p2 = {x - 2, y}, p3 = {x + 3, y + 2};
      } else if (type <= 43) {
        p1 = {x + 4, y - 3}, p2 = {x - 3, y}, p3 = {x + 4, y + 3};
      } else if (type <= 45) {
        p1 = {x - 3, y - 2}, p2 = {x + 2, y}, p3 = {x - 3, y + 2};
      } else {
        p1 = {x - 4, y - 3}, p2 = {x + 3, y}, p3 = {x - 4, y + 3};
      }
      // The first of each pair is the outline (odd types up to 35, even ones from 40).
      const bool outline = type <= 36 ? type % 2 == 1 : type % 2 == 0;
      if (outline) {
        Outline(c, [&] { Triangle(c, p1, p2, p3); });
      } else {
        Filled(c);
        Triangle(c, p1, p2, p3);
      }
      break;
    }
    case 37:
      Line(c, x - 3, y, x + 4, y);
      Line(c, x, y, x, y - 8);
      break;
    case 38:
      Line(c, x - 3, y - 2, x + 4, y - 2);
      Line(c, x - 3, y + 2, x + 4, y + 2);
      Line(c, x, y - 2, x, y + 2);
      break;
    case 39:
      Outline(c, [&] { c.Ellipse(x - 3, y - 3, x + 4, y + 4); });
      Plus(c, x, y, -3, 4);
      break;
    case 48:
      Outline(c, [&] { c.Rectangle(x - 3, y - 3, x + 4, y + 4); });
      Plus(c, x, y, -3, 4);
      break;
    case 49:
      Outline(c, [&] { c.Rectangle(x - 2, y - 2, x + 3, y + 3); });
      Plus(c, x, y, -4, 5);
      break;
    case 50:
      c.Brush()->SetStyle(bsSolid);
      Plus(c, x, y, -4, 5);
      Line(c, x - 3, y - 3, x + 4, y + 4);
      Line(c, x - 3, y + 3, x + 4, y - 4);
      break;
    case 51:
      c.Brush()->SetStyle(bsSolid);
      Plus(c, x, y, -4, 5);
      Line(c, x - 1, y - 3, x + 2, y - 3);
      Line(c, x - 1, y + 3, x + 2, y + 3);
      Line(c, x - 3, y - 1, x - 3, y + 2);
      Line(c, x + 3, y - 1, x + 3, y + 2);
      break;
    default:
      break;
  }
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
