// The printer's CUPS destinations: listed on first use and again by Refresh, chosen by index
// or by name (platform/printer.h).
#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/text.h"
#include "platform/internal/os_printers.h"

namespace krv {
namespace {

constexpr char kInProgress[] = "Printing in progress";
constexpr char kNotValid[] = "Printer selected is not valid";

bool SameAsciiText(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (AsciiLower(a[k]) != AsciiLower(b[k])) return false;
  return true;
}

}  // namespace

void TPrinter::LoadPrinters() const {
  auto list = std::make_unique<TStringList>();
  std::int32_t default_index = -1;
  for (const detail::OsPrinter& p : detail::ListOsPrinters()) {
    String name = ToUtf16(p.queue);
    if (!p.instance.empty()) name += u"/" + ToUtf16(p.instance);
    if (p.is_default && default_index < 0) default_index = list->Count();
    list->Add(name);
  }
  printers_ = std::move(list);
  default_index_ = default_index;
}

const TStringList& TPrinter::Printers() const {
  if (!printers_) LoadPrinters();
  return *printers_;
}

void TPrinter::Refresh() {
  // The chosen destination stays chosen when it is still listed.
  const String chosen = printer_index_ >= 0 ? Printers()[printer_index_] : String();
  LoadPrinters();
  printer_index_ = -1;
  for (int k = 0; k < printers_->Count() && !chosen.empty(); ++k)
    if ((*printers_)[k] == chosen) printer_index_ = k;
}

void TPrinter::SetPrinterIndex(std::int32_t Index) {
  if (printing_) throw EPrinter(kInProgress);
  if (Index < -1 || Index >= Printers().Count()) throw EPrinter(kNotValid);
  printer_index_ = Index;
}

void TPrinter::SetPrinterName(const String& Name) {
  if (printing_) throw EPrinter(kInProgress);
  const TStringList& list = Printers();
  for (int k = 0; k < list.Count(); ++k) {
    if (SameAsciiText(list[k], Name)) {
      printer_index_ = k;
      return;
    }
  }
  throw EPrinter(kNotValid);
}

String TPrinter::PrinterName() const {
  const TStringList& list = Printers();
  if (printer_index_ >= 0 && printer_index_ < list.Count()) return list[printer_index_];
  if (default_index_ >= 0 && default_index_ < list.Count()) return list[default_index_];
  return String();
}

}  // namespace krv
