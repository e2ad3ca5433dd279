// Windows builds have no CUPS: no destinations, and every job is refused
// (platform/internal/os_printers.h).
#include "platform/internal/os_printers.h"

namespace krv::detail {

std::vector<OsPrinter> ListOsPrinters() {
  return {};
}

std::string SubmitPdf(const OsPrinter&, const std::string&, const std::string&) {
  return "this build has no print system";
}

}  // namespace krv::detail
