// TBitmap: sizes and their limits, Assign, and the BMP and PNG files it writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "test_support/png_read.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

std::uint32_t U32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<std::uint8_t>(s[at + k]);
  return v;
}
std::uint32_t U16(const std::string& s, std::size_t at) {
  return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8;
}

std::string Bytes(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.Size()));
}

// A bitmap of random colours.
std::unique_ptr<TBitmap> Noise(int w, int h, unsigned seed) {
  auto b = std::make_unique<TBitmap>(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->Canvas()->SetPixels(x, y, rng() & 0xFFFFFF);
  return b;
}

TEST(Bitmap, SizesAndLimits) {
  TBitmap b;
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Canvas()->Width(), 0);
  b.SetSize(-4, 3);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 3);
  struct Case {
    int w, h;
    bool fits;
  };
  const Case cases[] = {{kMaxBitmapSide, 1, true},      {kMaxBitmapSide + 1, 1, false},
                        {1, kMaxBitmapSide + 1, false}, {INT32_MAX, INT32_MAX, false},
                        {20000, 20000, false},          {16385, 16384, false}};
  for (const Case& c : cases) {
    TBitmap t(2, 2);
    if (c.fits) {
      t.SetSize(c.w, c.h);
      EXPECT_EQ(t.Width(), c.w);
    } else {
      try {
        t.SetSize(c.w, c.h);
        ADD_FAILURE() << c.w << " x " << c.h << " accepted";
      } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Out of system resources");
      }
      EXPECT_EQ(t.Width(), 2);  // a refused size leaves the bitmap as it was
    }
  }
  EXPECT_THROW(TBitmap(kMaxBitmapSide, kMaxBitmapSide), EOutOfResources);
}

TEST(Bitmap, SetSizeKeepsPixelsAndWhitensTheRest) {
  TBitmap b(3, 2);
  EXPECT_EQ(b.Canvas()->Pixels(2, 1), 0xFFFFFFu);
  b.Canvas()->SetPixels(0, 0, 1);
  b.Canvas()->SetPixels(2, 1, 2);
  b.SetSize(4, 3);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), 1u);
  EXPECT_EQ(b.Canvas()->Pixels(2, 1), 2u);
  EXPECT_EQ(b.Canvas()->Pixels(3, 2), 0xFFFFFFu);
  b.SetWidth(1);
  b.SetHeight(1);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), 1u);
  b.SetSize(2, 2);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), 0xFFFFFFu);
  EXPECT_EQ(b.ScanLine(1).size(), 2u);
  EXPECT_TRUE(b.ScanLine(2).empty());
  EXPECT_TRUE(b.ScanLine(-1).empty());
}

TEST(Bitmap, Assign) {
  auto src = Noise(5, 4, 1);
  TBitmap dst(1, 1);
  dst.Canvas()->Pen()->SetColor(clRed);
  dst.Assign(src.get());
  ASSERT_EQ(dst.Width(), 5);
  ASSERT_EQ(dst.Height(), 4);
  for (int y = 0; y < 4; ++y) EXPECT_TRUE(std::ranges::equal(dst.ScanLine(y), src->ScanLine(y)));
  EXPECT_EQ(dst.Canvas()->Pen()->Color(), clRed);  // canvas settings are not copied
  dst.Canvas()->SetPixels(0, 0, 7);                // and the canvas draws on the copy
  EXPECT_EQ(dst.Canvas()->Pixels(0, 0), 7u);
  EXPECT_NE(src->Canvas()->Pixels(0, 0), 7u);
  dst.Assign(&dst);
  EXPECT_EQ(dst.Width(), 5);
  TBitmap empty;
  dst.Assign(&empty);
  EXPECT_EQ(dst.Width(), 0);
  TPen pen;
  EXPECT_THROW(dst.Assign(&pen), EConvertError);
  EXPECT_EQ(dst.ClassName(), u"TBitmap");
}

TEST(Bitmap, BmpLayout) {
  TBitmap b(3, 2);
  b.Canvas()->SetPixels(0, 0, 0x030201);  // top-left: red 1, green 2, blue 3
  b.Canvas()->SetPixels(2, 1, 0x0A0B0C);
  TMemoryStream m;
  b.SaveToStream(m);
  const std::string s = Bytes(m);
  const std::uint32_t stride = 12;  // 9 bytes padded to 4
  ASSERT_EQ(s.size(), 54 + 2 * stride);
  EXPECT_EQ(s.substr(0, 2), "BM");
  const struct {
    std::size_t at;
    std::uint32_t value;
    bool wide;
  } fields[] = {{2, 54 + 2 * stride, true},
                {6, 0, true},
                {10, 54, true},
                {14, 40, true},
                {18, 3, true},
                {22, 2, true},
                {26, 1, false},
                {28, 24, false},
                {30, 0, true},
                {34, 24, true},
                {38, 3780, true},
                {42, 3780, true},
                {46, 0, true},
                {50, 0, true}};
  for (const auto& f : fields)
    EXPECT_EQ(f.wide ? U32(s, f.at) : U16(s, f.at), f.value) << "offset " << f.at;
  // Bottom row first, blue-green-red, zero padding.
  const std::string bottom = s.substr(54, stride), top = s.substr(54 + stride, stride);
  EXPECT_EQ(bottom, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x0A\x0B\x0C\0\0\0", 12));
  EXPECT_EQ(top, std::string("\x03\x02\x01\xFF\xFF\xFF\xFF\xFF\xFF\0\0\0", 12));

  testing::TempDir dir("korvex_bmp");
  b.SaveToFile(ToUtf16(dir.File("a.bmp").string()));
  EXPECT_EQ(dir.Read("a.bmp"), s);
  TBitmap none;
  TMemoryStream e;
  none.SaveToStream(e);
  EXPECT_EQ(e.Size(), 54);
}

TEST(Bitmap, PngDecodesToThePixels) {
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{300, 2}}) {
    auto b = Noise(w, h, static_cast<unsigned>(w));
    TMemoryStream m;
    b->SaveToPngStream(m);
    const testing::PngPicture pic = testing::DecodePng(Bytes(m));
    ASSERT_TRUE(pic.ok) << pic.error;
    ASSERT_EQ(pic.width, static_cast<std::uint32_t>(w));
    ASSERT_EQ(pic.height, static_cast<std::uint32_t>(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(pic.At(x, y), b->Canvas()->Pixels(x, y)) << x << "," << y;
  }
}

TEST(Bitmap, PngFailuresRaiseWriteError) {
  TBitmap empty;
  TMemoryStream m;
  EXPECT_THROW(empty.SaveToPngStream(m), EWriteError);
  // A stream that takes nothing.
  struct Full : TStream {
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  } full;
  TBitmap b(2, 2);
  EXPECT_THROW(b.SaveToPngStream(full), EWriteError);
  EXPECT_THROW(b.SaveToStream(full), EWriteError);
  EXPECT_THROW(b.SaveToPngFile(u"/nonexistent-dir/x.png"), EFOpenError);
}

TEST(Bitmap, PngFileAcceptedByPngcheck) {
  const std::optional<std::filesystem::path> tool = testing::FindProgram("pngcheck");
  if (!tool) GTEST_SKIP() << "pngcheck is not installed";
  testing::TempDir dir("korvex_png");
  auto b = Noise(64, 48, 9);
  b->Canvas()->Ellipse(4, 4, 40, 30);
  const std::filesystem::path file = dir.File("pic.png");
  b->SaveToPngFile(ToUtf16(file.string()));
  const testing::ProcessResult r = testing::RunProcess({tool->string(), "-q", file.string()});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
}

}  // namespace
}  // namespace krv
