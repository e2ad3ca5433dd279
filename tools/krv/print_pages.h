// What krv print makes of a file: the PDF that prints it.
//
// The kind comes from the content: "%PDF-" at the start is a PDF, sent unchanged once it
// passes a basic check (a version after "%PDF-", "startxref" and "%%EOF" in its last 1024
// bytes); the PNG signature is a picture; anything else is text.
//
// A picture is printed on one A4 portrait page, one picture pixel per page pixel, centred on
// the page, at the lowest whole resolution from 96 to 600 pixels per inch at which it fits
// within margins of 10 mm; a picture that does not fit at 600 is refused.
//
// Text (UTF-8, or Windows-1252 when it is not valid UTF-8; a UTF-8 byte order mark is dropped)
// is laid out as text_pages.h says on A4 pages at 300 pixels per inch within margins of
// 15 mm, in DejaVu Sans Mono of 10 points (the built-in font of the same size where DejaVu
// Sans Mono is not installed), each character in its own column of the font's widest
// advance, so columns line up in either font. At most kMaxTextPages pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "korvex/platform/types.h"

namespace krv::tool {

enum class PrintKind : std::uint8_t { kPdf, kPng, kText };

PrintKind KindOf(std::string_view bytes);

// The reason bytes that begin with "%PDF-" cannot be sent as a PDF, or "" when they can.
std::string PdfProblem(std::string_view bytes);

inline constexpr std::int32_t kTextPixelsPerInch = 300;
inline constexpr std::int32_t kMinPicturePixelsPerInch = 96;
inline constexpr std::int32_t kMaxPicturePixelsPerInch = 600;
// One page of pixels is held at a time (35 MB); every page's vectors until the job is sent,
// about 1.5 MB a full page of text (300 pages: 13 s and 450 MB here).
inline constexpr std::size_t kMaxTextPages = 500;
inline constexpr char16_t kTextFontName[] = u"DejaVu Sans Mono";
inline constexpr std::int32_t kTextFontPoints = 10;

// The PDF that prints bytes: a PDF unchanged, a PNG picture or a text drawn on pages, with
// title in the document's information. Throws Failure{name, reason} for bytes it refuses.
std::string PrintablePdf(const std::string& bytes, const std::string& name, const String& title);

}  // namespace krv::tool
