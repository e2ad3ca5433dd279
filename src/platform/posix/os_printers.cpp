// The CUPS destinations and job submission through libcups (platform/internal/os_printers.h).
// libcups finds the scheduler as it always does, CUPS_SERVER from the environment first.
#include <cups/cups.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/internal/os_printers.h"

namespace krv::detail {
namespace {

constexpr std::size_t kWriteChunk = 64 * 1024;

// CUPS's reason for the last failure, never empty.
std::string LastReason() {
  const char* reason = cupsLastErrorString();
  if (reason == nullptr || *reason == '\0') return "the print system gave no reason";
  return reason;
}

// Writes the document of a created job; true when every part was accepted.
bool SendDocument(const char* queue, int job, const std::string& name, const std::string& pdf) {
  if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue, job, name.c_str(), CUPS_FORMAT_PDF, 1) !=
      HTTP_STATUS_CONTINUE)
    return false;
  bool written = true;
  for (std::size_t at = 0; at < pdf.size() && written; at += kWriteChunk) {
    const std::size_t n = std::min(kWriteChunk, pdf.size() - at);
    written = cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data() + at, n) == HTTP_STATUS_CONTINUE;
  }
  const ipp_status_t finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, queue);
  return written && finished <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

}  // namespace

std::vector<OsPrinter> ListOsPrinters() {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  std::vector<OsPrinter> list;
  for (int k = 0; k < count; ++k) {
    const cups_dest_t& d = dests[k];
    if (d.name == nullptr) continue;
    list.push_back({d.name, d.instance != nullptr ? d.instance : "", d.is_default != 0});
  }
  cupsFreeDests(count, dests);
  return list;
}

std::string SubmitPdf(const OsPrinter& destination, const std::string& job_name,
                      const std::string& pdf) {
  const char* instance = destination.instance.empty() ? nullptr : destination.instance.c_str();
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, destination.queue.c_str(), instance);
  if (dest == nullptr) return LastReason();
  // The instance's saved options go with the job.
  const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, dest->name, job_name.c_str(), dest->num_options,
                                dest->options);
  std::string reason;
  if (job == 0) {
    reason = LastReason();
  } else if (!SendDocument(dest->name, job, job_name, pdf)) {
    reason = LastReason();
    cupsCancelJob2(CUPS_HTTP_DEFAULT, dest->name, job, 0);
  }
  cupsFreeDests(1, dest);
  return reason;
}

}  // namespace krv::detail
