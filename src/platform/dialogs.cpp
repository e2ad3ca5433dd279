// The save dialog's shared parts: class names, the scripted dialog, the desktop arguments.
#include "korvex/platform/dialogs.h"

#include <string>
#include <vector>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

namespace krv {

String TSaveDialog::ClassName() const {
  return u"TSaveDialog";
}
String TScriptedSaveDialog::ClassName() const {
  return u"TScriptedSaveDialog";
}
String TDesktopSaveDialog::ClassName() const {
  return u"TDesktopSaveDialog";
}

bool TScriptedSaveDialog::Execute() {
  calls_.push_back({Title, InitialDir, FileName, FilterIndex, FileTypes});
  typed_.clear();
  if (answers_.empty()) {
    error_code_ = kDlgErrFailure;
    return false;
  }
  const TScriptedSaveAnswer answer = std::move(answers_.front());
  answers_.pop_front();
  error_code_ = 0;
  if (answer.TypeIndex != 0) {
    typed_ = answer.Typed;
    FilterIndex = answer.TypeIndex;
    if (OnTypeChange) OnTypeChange(this);
  }
  if (!answer.Accept) {
    error_code_ = answer.ErrorCode;
    return false;
  }
  FileName = answer.FileName.empty() ? typed_ : answer.FileName;
  return true;
}

namespace {

// "*.txt;*.log" -> "*.txt *.log": zenity separates patterns by blanks.
std::string ZenityPatterns(const String& mask) {
  std::string out;
  std::string piece;
  auto flush = [&] {
    if (!piece.empty()) out += (out.empty() ? "" : " ") + piece;
    piece.clear();
  };
  for (const char c : ToUtf8(mask)) {
    if (c == ';' || c == ' ') {
      flush();
    } else {
      piece += c;
    }
  }
  flush();
  return out;
}

std::string NativeOrPlain(const String& name) {
  std::string native = ToNativePath(name);
  return native.empty() ? ToUtf8(name) : native;
}

bool HasDirectory(const String& name) {
  return name.find_first_of(u"\\/:") != String::npos;
}

}  // namespace

std::vector<std::string> TDesktopSaveDialog::BuildArguments() const {
  std::vector<std::string> args = {"--file-selection", "--save"};
  if (!Title.empty()) args.insert(args.end(), {"--title", ToUtf8(Title)});
  std::string start;
  if (HasDirectory(FileName)) {
    start = NativeOrPlain(FileName);
  } else if (!InitialDir.empty()) {
    start = NativeOrPlain(InitialDir);
    if (start.empty() || start.back() != '/') start += '/';
    start += ToUtf8(FileName);
  } else {
    start = ToUtf8(FileName);
  }
  if (!start.empty()) args.insert(args.end(), {"--filename", start});
  // The chosen type goes first: zenity opens with its first filter selected.
  std::vector<std::string> filters;
  for (std::size_t i = 0; i < FileTypes.size(); ++i) {
    std::string f = ToUtf8(FileTypes[i].DisplayName) + " | " + ZenityPatterns(FileTypes[i].Mask);
    if (static_cast<std::int64_t>(i) + 1 == FilterIndex) {
      filters.insert(filters.begin(), std::move(f));
    } else {
      filters.push_back(std::move(f));
    }
  }
  for (std::string& f : filters) args.insert(args.end(), {"--file-filter", std::move(f)});
  return args;
}

}  // namespace krv
