// Looking into PDF files from tests through poppler's command-line tools (pdfinfo, pdftoppm,
// pdftotext) where the machine has them; callers skip their checks when a tool is missing.
// Include test_support/png_read.h in the test file too (the build decides from the test's
// own text whether it decodes PNG through libpng).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>

#include "gtest/gtest.h"
#include "test_support/png_read.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv::testing {

struct PdfInfo {
  int pages = 0;
  double width_pt = 0, height_pt = 0;  // the first page
  std::string title;
};

// What pdfinfo says of dir/file; nothing when pdfinfo is absent or refuses the file.
inline std::optional<PdfInfo> ReadPdfInfo(const TempDir& dir, const std::string& file) {
  const std::optional<std::filesystem::path> tool = FindProgram("pdfinfo");
  if (!tool) return std::nullopt;
  const ProcessResult r = RunProcess({tool->string(), file}, InDir(dir.Path()));
  if (r.status != 0) return std::nullopt;
  PdfInfo info;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    if (key == "Pages") info.pages = std::atoi(value.c_str());
    if (key == "Title") info.title = value;
    if (key == "Page size") std::istringstream(value) >> info.width_pt >> value >> info.height_pt;
  }
  return info;
}

// Page `page` (1-based) of dir/file rendered by pdftoppm at `ppi`; nothing when pdftoppm is
// absent; a picture that is not ok when it failed.
inline std::optional<PngPicture> RenderPdfPage(const TempDir& dir, const std::string& file,
                                               int page, int ppi) {
  const std::optional<std::filesystem::path> tool = FindProgram("pdftoppm");
  if (!tool) return std::nullopt;
  const std::string n = std::to_string(page);
  const ProcessResult r = RunProcess({tool->string(), "-r", std::to_string(ppi), "-f", n, "-l", n,
                                      "-png", "-singlefile", file, "rendered-page"},
                                     InDir(dir.Path()));
  PngPicture pic;
  if (r.status != 0) {
    pic.error = r.err;
    return pic;
  }
  return DecodePng(dir.Read("rendered-page.png"));
}

// The text pdftotext finds in dir/file, its layout kept; nothing when pdftotext is absent.
inline std::optional<std::string> PdfText(const TempDir& dir, const std::string& file) {
  const std::optional<std::filesystem::path> tool = FindProgram("pdftotext");
  if (!tool) return std::nullopt;
  const ProcessResult r = RunProcess({tool->string(), "-layout", file, "-"}, InDir(dir.Path()));
  return r.status == 0 ? std::optional<std::string>(r.out) : std::nullopt;
}

// How far two renderings of one drawing agree, allowing for anti-aliased edges: of the ink
// pixels of both pictures (a channel at 208 or below), the share (0..1) that have a pixel
// within `tolerance` levels in every channel among the nine at and around the same place in
// the other picture. 0 when the sizes differ or neither has ink.
inline double InkResemblance(const PngPicture& a, const PngPicture& b, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 0;
  const auto at = [](const PngPicture& p, std::int64_t x, std::int64_t y) {
    return &p.rgb[3 * (static_cast<std::size_t>(y) * p.width + static_cast<std::size_t>(x))];
  };
  std::size_t ink = 0, matched = 0;
  for (const PngPicture* from : {&a, &b}) {
    const PngPicture& other = from == &a ? b : a;
    for (std::int64_t y = 0; y < a.height; ++y) {
      for (std::int64_t x = 0; x < a.width; ++x) {
        const std::uint8_t* p = at(*from, x, y);
        if (p[0] > 208 && p[1] > 208 && p[2] > 208) continue;
        ++ink;
        bool found = false;
        for (std::int64_t v = std::max<std::int64_t>(y - 1, 0); v <= y + 1 && v < a.height; ++v)
          for (std::int64_t u = std::max<std::int64_t>(x - 1, 0); u <= x + 1 && u < a.width; ++u) {
            const std::uint8_t* q = at(other, u, v);
            found =
                found || (std::abs(p[0] - q[0]) <= tolerance &&
                          std::abs(p[1] - q[1]) <= tolerance && std::abs(p[2] - q[2]) <= tolerance);
          }
        matched += found;
      }
    }
  }
  return ink == 0 ? 0 : static_cast<double>(matched) / static_cast<double>(ink);
}

// Checks that dir/pdf is one page of the PNG picture dir/png drawn at 96 pixels per inch: its
// page is 0.75 points per pixel and pdftoppm's rendering at 96 pixels per inch has the
// picture's size and an InkResemblance to it of at least `share`.
// False when pdfinfo or pdftoppm is missing, so the caller can skip.
inline bool ExpectPdfLikePng(const TempDir& dir, const std::string& pdf, const std::string& png,
                             int tolerance, double share) {
  const PngPicture want = DecodePng(dir.Read(png));
  EXPECT_TRUE(want.ok) << png << ": " << want.error;
  const std::optional<PdfInfo> info = ReadPdfInfo(dir, pdf);
  const std::optional<PngPicture> got = RenderPdfPage(dir, pdf, 1, 96);
  if (!info || !got) return false;
  EXPECT_EQ(info->pages, 1) << pdf;
  EXPECT_NEAR(info->width_pt, want.width * 0.75, 0.01) << pdf;
  EXPECT_NEAR(info->height_pt, want.height * 0.75, 0.01) << pdf;
  EXPECT_TRUE(got->ok) << got->error;
  EXPECT_EQ(got->width, want.width) << pdf;
  EXPECT_EQ(got->height, want.height) << pdf;
  EXPECT_GE(InkResemblance(*got, want, tolerance), share) << pdf;
  return true;
}

}  // namespace krv::testing
