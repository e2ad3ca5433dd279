// The standard save dialog: an interface with a scripted and a desktop implementation.
//
// A dialog is configured (title, initial folder, file types, type index, file name), shown
// modally by Execute, and then holds the choice. ErrorCode plays the part of the common-dialog
// error code: 0 after a choice or a plain cancel, non-zero when the dialog could not be shown.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Common-dialog error codes used by the implementations.
inline constexpr std::uint32_t kDlgErrInitialization =
    0x0002;                                              // the dialog program failed to start
inline constexpr std::uint32_t kDlgErrFailure = 0xFFFF;  // no display, no script, crashed

// One file type: the name shown and its masks, separated by ';' ("*.txt;*.log").
struct TDialogFileType {
  String DisplayName;
  String Mask;
};

class TSaveDialog : public TComponent {
 public:
  using TNotifyEvent = std::function<void(TObject* Sender)>;
  using TComponent::TComponent;
  String ClassName() const override;

  String Title;
  String InitialDir;
  String FileName;               // in: proposed name; out: the chosen name
  std::int32_t FilterIndex = 1;  // 1-based index into FileTypes
  std::vector<TDialogFileType> FileTypes;
  TNotifyEvent OnTypeChange;  // called when the user picks another file type

  // Shows the dialog modally; true with FileName set when the user chose a file, false on
  // cancel or failure (ErrorCode then tells which).
  virtual bool Execute() = 0;
  std::uint32_t ErrorCode() const { return error_code_; }
  // The name currently typed in the dialog's file-name box while it is shown ("" if none);
  // a type-change handler may replace it.
  const String& TypedFileName() const { return typed_; }
  void SetTypedFileName(const String& name) { typed_ = name; }

 protected:
  std::uint32_t error_code_ = 0;
  String typed_;
};

// One queued answer of the scripted dialog. Before answering, when TypeIndex is not 0 the
// dialog acts as if the user had typed Typed and picked file type TypeIndex (FilterIndex
// changes, OnTypeChange runs). Then: with Accept, FileName becomes FileName if given, else the
// name in the file-name box (as a type-change handler left it); without Accept it cancels
// with ErrorCode.
struct TScriptedSaveAnswer {
  bool Accept = false;
  String FileName;
  std::int32_t TypeIndex = 0;
  String Typed;
  std::uint32_t ErrorCode = 0;
};

// What the scripted dialog saw when Execute was called.
struct TScriptedSaveCall {
  String Title, InitialDir, FileName;
  std::int32_t FilterIndex = 0;
  std::vector<TDialogFileType> FileTypes;
};

// A dialog for tests and programs without a desktop: answers come from a queue, every call
// is recorded. An empty queue cancels with kDlgErrFailure.
class TScriptedSaveDialog : public TSaveDialog {
 public:
  using TSaveDialog::TSaveDialog;
  String ClassName() const override;
  void Queue(TScriptedSaveAnswer answer) { answers_.push_back(std::move(answer)); }
  bool Execute() override;
  const std::vector<TScriptedSaveCall>& Calls() const { return calls_; }
  std::size_t PendingAnswers() const { return answers_.size(); }

 private:
  std::deque<TScriptedSaveAnswer> answers_;
  std::vector<TScriptedSaveCall> calls_;
};

// The desktop dialog: runs `zenity --file-selection --save` when DISPLAY or WAYLAND_DISPLAY
// is set (in Environment or in the process environment) and waits for it without a time
// limit. Without a display it cancels at once with kDlgErrFailure; when zenity cannot be
// started, with kDlgErrInitialization. zenity's own overwrite question stays off. zenity does
// not report the file type picked, so FilterIndex is left as it was, and OnTypeChange is not
// called; the chosen type is listed first so that the dialog opens with it.
//
// On Windows it is the system's common save dialog (GetSaveFileNameW), always shown; it
// reports the file type picked (FilterIndex, and OnTypeChange while it is shown), Environment
// and Program are not used, and ErrorCode is CommDlgExtendedError's code after a failure.
class TDesktopSaveDialog : public TSaveDialog {
 public:
  using TSaveDialog::TSaveDialog;
  String ClassName() const override;
  bool Execute() override;

  // "NAME=value" entries set for the dialog's process only, over the process environment.
  std::vector<std::string> Environment;
  // The program run; "zenity" found along PATH by default.
  std::string Program = "zenity";

  // The arguments Execute passes to the program (without the program name).
  std::vector<std::string> BuildArguments() const;
};

}  // namespace krv
KORVEX_API_END
