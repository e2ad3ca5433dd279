// TUnivSaveDialog: asks for the name of a file to save, through the standard save dialog or
// an application's own file selector, and enforces two rules around the choice: nothing is
// saved below the forbidden directory unless the application agrees, and an existing file is
// overwritten only after the overwrite handler has agreed. The choice repeats until the user
// cancels or both rules hold.
//
// IsForbiddenDir compares normalised paths component by component ("." and ".." resolved,
// `\` and `/` alike, case ignored), not text prefixes: C:\temp\..\windows\x lies below a
// forbidden C:\windows, C:\windowsdata does not.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "korvex/platform/component.h"
#include "korvex/platform/dialogs.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Modal results passed to and from the handlers.
using TModalResult = std::int32_t;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

class TUnivSaveDialog;

// An own file selector: gets the parameter text, sets the user action and the name.
using TOnFileSelectEvent = std::function<void(TObject* Sender, const String& Parameters,
                                              TModalResult& UserAction, String& SelectedFileName)>;
// The existence test that goes with an own file selector.
using TOnFileCheckEvent =
    std::function<void(TObject* Sender, const String& FileName, bool& FileDoesExist)>;
// The overwrite question: yes, no (choose again) or cancel.
using TOnOverwriteEvent =
    std::function<void(TObject* Sender, const String& FileName, TModalResult& OverwriteReply)>;
// The forbidden-directory question: yes (go on), cancel, anything else (choose again).
using TOnForbiddenDirEvent =
    std::function<void(TObject* Sender, const String& Path, TModalResult& ForbiddenDirReply)>;

class TUnivSaveDialog : public TComponent {
 public:
  explicit TUnivSaveDialog(TComponent* AOwner = nullptr);
  ~TUnivSaveDialog() override;
  String ClassName() const override;

  // Published: the parameter text (attributes filter, ext, caption, initialdir), handlers.
  String Parameters;
  TOnFileSelectEvent OnFileSelect;
  TOnFileCheckEvent OnFileCheck;
  TOnOverwriteEvent OnOverwrite;
  TOnForbiddenDirEvent OnForbiddenDir;
  bool UseStandardDialog = true;
  // Public: the last choice (carried into the next Execute) and the forbidden directory.
  String FileName;
  std::int32_t FilterIndex = 1;
  String ForbiddenDir;

  // The standard dialog Execute shows; not owned. nullptr (the default) makes Execute create
  // a TDesktopSaveDialog for each pass.
  void SetStandardDialog(TSaveDialog* dialog) { std_dialog_ = dialog; }
  // The standard dialog while Execute shows it, else nullptr.
  TSaveDialog* SDiag() const { return sdiag_; }

  // Repeats the choice until it is cancelled (false) or accepted (true, name in FileName).
  // Raises EKRVFileSysError when the standard dialog fails, a needed handler is missing or the
  // overwrite handler gives a reply other than yes, no or cancel.
  bool Execute();
  // The value of attribute ParName in Parameters; "" when missing.
  String ExtractParamAsString(const String& ParName) const;
  // The integer at the start of the value (blanks, sign, digits; no digits give 0, overflow
  // wraps as 32-bit). Raises EKRVFileSysError when the attribute is missing or empty.
  std::int32_t ExtractParamAsInt(const String& ParName) const;
  // The number read from the value ("." or "," as separator, exponent allowed). Raises as
  // ExtractParamAsInt.
  double ExtractParamAsDouble(const String& ParName) const;
  // True when path lies in ForbiddenDir or below it (see the note at the top); false for an
  // empty path or an empty ForbiddenDir.
  bool IsForbiddenDir(const String& path) const;
  // The standard dialog's type-change handler: gives the typed name (or the dialog's name)
  // the extension of the newly picked type's mask, unless that mask is *.* .
  void SaveDiagTypeChange(TObject* Sender);

 private:
  enum class Pass { kDone, kAgain };
  bool ChooseWithStandardDialog(TModalResult& action);
  Pass OverwriteCheck(bool& result);
  String ParamOrRaise(const String& ParName) const;

  TSaveDialog* std_dialog_ = nullptr;
  TSaveDialog* sdiag_ = nullptr;
};

}  // namespace krv
KORVEX_API_END
