// The system's print destinations and job submission (CUPS on POSIX systems; none on Windows
// builds, which have no CUPS).
#pragma once

#include <string>
#include <vector>

namespace krv::detail {

struct OsPrinter {
  std::string queue;     // UTF-8
  std::string instance;  // "" for the queue itself
  bool is_default = false;
};

// The destinations the print system lists now (empty when it has none or cannot be reached).
std::vector<OsPrinter> ListOsPrinters();

// Sends a PDF document as one job named `job_name` to a destination; "" when the print system
// accepted it, else its reason.
std::string SubmitPdf(const OsPrinter& destination, const std::string& job_name,
                      const std::string& pdf);

}  // namespace krv::detail
