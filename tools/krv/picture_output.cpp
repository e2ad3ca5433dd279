// PNG and PDF pictures for krv commands.
#include "picture_output.h"

#include <string>

#include "cli.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/pdf.h"

namespace krv::tool {

bool HasExtension(std::string_view name, std::string_view ext) {
  if (name.size() < ext.size()) return false;
  const std::string_view end = name.substr(name.size() - ext.size());
  for (std::size_t i = 0; i < ext.size(); ++i)
    if (AsciiLower(end[i]) != AsciiLower(ext[i])) return false;
  return true;
}

void WritePng(const TBitmap& bitmap, Output& out) {
  TMemoryStream png;
  bitmap.SaveToPngStream(png);
  out.Write(png.Memory(), static_cast<std::size_t>(png.Size()));
}

void RequirePdf(std::string_view name) {
  if (!TPdfDocument::Available())
    throw Failure{std::string(name), "this build of krv cannot write PDF (it has no cairo)"};
}

void WritePdf(std::int32_t width, std::int32_t height, const std::function<void(TCanvas&)>& draw,
              Output& out) {
  TPdfDocument document(width, height, kScreenPixelsPerInch);
  draw(*document.Canvas());
  out.Write(document.PdfBytes());
}

}  // namespace krv::tool
