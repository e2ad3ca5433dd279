// TUnivSaveDialog: the choice loop with its forbidden-directory and overwrite rules, and the
// readers of its parameter text.
#include "korvex/filesys/savedialog.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/base/types.h"
#include "korvex/filesys/paths.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/streams/tags.h"
#include "korvex/stringl/casemap.h"
#include "korvex/stringl/numscan.h"
#include "korvex/stringl/tokens.h"

namespace krv {
namespace {

bool IsSeparator(Char c) {
  return c == u'\\' || c == u'/';
}

// Position after the last `\`, `/` or `:` (0 when there is none).
std::size_t NameStart(const String& path) {
  const std::size_t p = path.find_last_of(u"\\/:");
  return p == String::npos ? 0 : p + 1;
}

// The path as lower-cased components with "." and ".." resolved. A leading separator gives
// the component "\", a drive "x:" its own; ".." never climbs above either, and stays when a
// relative path has nothing left to climb out of.
std::vector<String> NormalisedComponents(const String& path) {
  const String folded = UnicodeLowerCase(path);
  std::vector<String> parts;
  std::size_t rooted = 0;  // components that ".." must not remove
  std::size_t i = 0;
  if (!folded.empty() && IsSeparator(folded[0])) {
    parts.push_back(u"\\");
    rooted = 1;
  }
  while (i < folded.size()) {
    while (i < folded.size() && IsSeparator(folded[i])) ++i;
    std::size_t end = i;
    while (end < folded.size() && !IsSeparator(folded[end])) ++end;
    String part = folded.substr(i, end - i);
    i = end;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (parts.size() > rooted && parts.back() != u"..") {
        parts.pop_back();
      } else if (rooted == 0) {
        parts.push_back(part);
      }
      continue;
    }
    const bool drive = parts.size() == rooted && rooted == 0 && part.size() == 2 && part[1] == u':';
    parts.push_back(std::move(part));
    if (drive) rooted = 1;
  }
  return parts;
}

// Restores the state Execute changed on a dialog it did not create, whatever happens.
struct DialogPassGuard {
  TSaveDialog*& current;
  TSaveDialog* dialog;
  ~DialogPassGuard() {
    dialog->OnTypeChange = nullptr;
    current = nullptr;
  }
};

}  // namespace

TUnivSaveDialog::TUnivSaveDialog(TComponent* AOwner) : TComponent(AOwner) {}
TUnivSaveDialog::~TUnivSaveDialog() = default;
String TUnivSaveDialog::ClassName() const {
  return u"TUnivSaveDialog";
}

bool TUnivSaveDialog::Execute() {
  bool result = false;
  for (;;) {
    TModalResult action = mrCancel;
    if (UseStandardDialog) {
      ChooseWithStandardDialog(action);
    } else {
      if (!OnFileSelect) {
        throw EKRVFileSysError(ComponentMessage(u"File select dialog is not assigned"));
      }
      OnFileSelect(this, Parameters, action, FileName);
    }
    if (action != mrOk) return false;
    const String dir = FileName.substr(0, NameStart(FileName));
    if (IsForbiddenDir(dir)) {
      TModalResult reply = mrYes;
      if (OnForbiddenDir) OnForbiddenDir(this, dir, reply);
      if (reply == mrCancel) return false;
      if (reply != mrYes) continue;
    }
    if (OverwriteCheck(result) == Pass::kDone) return result;
  }
}

bool TUnivSaveDialog::ChooseWithStandardDialog(TModalResult& action) {
  std::unique_ptr<TSaveDialog> own;
  TSaveDialog* dialog = std_dialog_;
  if (dialog == nullptr) {
    own = std::make_unique<TDesktopSaveDialog>(this);
    dialog = own.get();
  }
  TStrArray tokens;
  const std::int32_t n = Tokenize(ExtractParamAsString(u"filter"), u"|", tokens);
  dialog->FileTypes.clear();
  for (std::int32_t i = 0; i + 1 < n; i += 2)
    dialog->FileTypes.push_back({tokens[i], tokens[i + 1]});
  const String ext = ExtractParamAsString(u"ext");
  dialog->Title = ExtractParamAsString(u"caption");
  dialog->InitialDir = ExtractParamAsString(u"initialdir");
  dialog->FilterIndex = FilterIndex;
  dialog->FileName = FileName;
  dialog->OnTypeChange = [this](TObject* sender) { SaveDiagTypeChange(sender); };
  DialogPassGuard guard{sdiag_, dialog};
  sdiag_ = dialog;
  if (dialog->Execute()) {
    action = mrOk;
  } else if (dialog->ErrorCode() != 0) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(dialog->ErrorCode() & 0xFFFFu));
    throw EKRVFileSysError(
        ComponentMessage(u"Error in standard dialog (errnum = $" + ToUtf16(hex) + u")."));
  }
  FileName = dialog->FileName;
  FilterIndex = dialog->FilterIndex;
  if (!ext.empty()) FileName = StripExtension(FileName) + u"." + ext;
  return action == mrOk;
}

TUnivSaveDialog::Pass TUnivSaveDialog::OverwriteCheck(bool& result) {
  bool exists = false;
  if (UseStandardDialog) {
    exists = FileExists(FileName);
  } else if (OnFileCheck) {
    OnFileCheck(this, FileName, exists);
  }
  if (!exists) {
    result = true;
    return Pass::kDone;
  }
  if (!OnOverwrite) throw EKRVFileSysError(ComponentMessage(u"Overwrite dialog is not assigned"));
  TModalResult reply = mrNo;
  OnOverwrite(this, FileName, reply);
  switch (reply) {
    case mrCancel:
      result = false;
      return Pass::kDone;
    case mrYes:
      result = true;
      return Pass::kDone;
    case mrNo:
      return Pass::kAgain;
    default:
      throw EKRVFileSysError(ComponentMessage(u"Invalid reply argument from overwrite dialog"));
  }
}

String TUnivSaveDialog::ExtractParamAsString(const String& ParName) const {
  return ScanForXMLAttrib(Parameters, ParName);
}

String TUnivSaveDialog::ParamOrRaise(const String& ParName) const {
  String value = ExtractParamAsString(ParName);
  if (value.empty()) {
    throw EKRVFileSysError(ComponentMessage(ParName + u" is not specified in property Parameters"));
  }
  return value;
}

std::int32_t TUnivSaveDialog::ExtractParamAsInt(const String& ParName) const {
  const String value = ParamOrRaise(ParName);
  std::size_t i = 0;
  while (i < value.size() && value[i] == u' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  std::uint32_t n = 0;  // unsigned, so that overflow wraps instead of being undefined
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    n = n * 10u + static_cast<std::uint32_t>(value[i] - u'0');
  }
  if (negative) n = 0u - n;
  return static_cast<std::int32_t>(n);
}

double TUnivSaveDialog::ExtractParamAsDouble(const String& ParName) const {
  const String value = ParamOrRaise(ParName);
  std::int32_t position = 1;
  return ScanStringFPNum(value, true, 3, position);
}

bool TUnivSaveDialog::IsForbiddenDir(const String& path) const {
  if (path.empty() || ForbiddenDir.empty()) return false;
  const std::vector<String> forbidden = NormalisedComponents(ForbiddenDir);
  if (forbidden.empty()) return false;
  const std::vector<String> parts = NormalisedComponents(path);
  if (parts.size() < forbidden.size()) return false;
  for (std::size_t i = 0; i < forbidden.size(); ++i) {
    if (parts[i] != forbidden[i]) return false;
  }
  return true;
}

void TUnivSaveDialog::SaveDiagTypeChange(TObject* Sender) {
  TSaveDialog* dialog = dynamic_cast<TSaveDialog*>(Sender);
  if (dialog == nullptr) dialog = sdiag_;
  if (dialog == nullptr) return;
  const std::int32_t index = dialog->FilterIndex;
  if (index < 1 || static_cast<std::size_t>(index) > dialog->FileTypes.size()) return;
  // The first mask of the type ("*.txt;*.log" -> *.txt) without its first character.
  const String& mask = dialog->FileTypes[static_cast<std::size_t>(index) - 1].Mask;
  const String first = mask.substr(0, mask.find(u';'));
  const String ext = first.empty() ? String() : first.substr(1);
  if (ext == u".*") return;
  String name = dialog->TypedFileName();
  if (name.empty()) name = dialog->FileName;
  if (name.empty()) return;
  name = name.substr(NameStart(name));
  const std::size_t dot = name.rfind(u'.');
  if (dot != String::npos) name.resize(dot);
  dialog->SetTypedFileName(name + ext);
}

}  // namespace krv
