// The desktop save dialog on Windows: the common dialog GetSaveFileNameW, with a hook that
// reports file-type changes.
#include <string>
#include <vector>

#include "korvex/platform/dialogs.h"
#include "korvex/platform/filesystem.h"
#include "platform/win32/win32_util.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the dialog headers need its types.
#include <commdlg.h>
#include <dlgs.h>

namespace krv {
namespace {

// Longest file name the dialog may return, in UTF-16 units (the long-path limit).
constexpr std::size_t kNameUnits = 32768;

// The filter list: "name\0masks\0" per type, ended by an empty pair.
std::wstring FilterList(const std::vector<TDialogFileType>& types) {
  std::wstring list;
  for (const TDialogFileType& t : types) {
    list += detail::Wide(t.DisplayName);
    list += L'\0';
    list += detail::Wide(t.Mask);
    list += L'\0';
  }
  list += L'\0';
  return list;
}

// The native form of a Windows name, or the name as given when it has none.
std::wstring NativeOrPlain(const String& name) {
  const std::string native = ToNativePath(name);
  return native.empty() ? detail::Wide(name) : detail::Wide(native);
}

// The dialog passed to the hook through OPENFILENAMEW::lCustData.
struct HookData {
  TSaveDialog* dialog;
};

// The text of the dialog's file-name box.
String TypedName(HWND dlg) {
  std::wstring typed(kNameUnits, L'\0');
  const LRESULT n = ::SendMessageW(dlg, CDM_GETSPEC, static_cast<WPARAM>(typed.size()),
                                   reinterpret_cast<LPARAM>(typed.data()));
  if (n <= 0) return String();
  return detail::Utf16(typed.c_str());
}

// On a file-type change: FilterIndex and the typed name follow the dialog, the handler runs,
// and a name it set is put into the file-name box.
UINT_PTR CALLBACK Hook(HWND child, UINT msg, WPARAM, LPARAM lparam) {
  if (msg == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lparam);
    ::SetWindowLongPtrW(child, GWLP_USERDATA, static_cast<LONG_PTR>(ofn->lCustData));
    return 0;
  }
  if (msg != WM_NOTIFY) return 0;
  const auto* note = reinterpret_cast<const OFNOTIFYW*>(lparam);
  if (note->hdr.code != CDN_TYPECHANGE) return 0;
  auto* data = reinterpret_cast<HookData*>(::GetWindowLongPtrW(child, GWLP_USERDATA));
  if (data == nullptr) return 0;
  TSaveDialog& d = *data->dialog;
  const HWND dlg = ::GetParent(child);
  d.FilterIndex = static_cast<std::int32_t>(note->lpOFN->nFilterIndex);
  const String before = TypedName(dlg);
  d.SetTypedFileName(before);
  if (d.OnTypeChange) d.OnTypeChange(&d);
  if (d.TypedFileName() != before) {
    const std::wstring name = detail::Wide(d.TypedFileName());
    ::SendMessageW(dlg, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name.c_str()));
    ::SendMessageW(dlg, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name.c_str()));
  }
  return 0;
}

}  // namespace

bool TDesktopSaveDialog::Execute() {
  typed_.clear();
  std::wstring file(kNameUnits, L'\0');
  const std::wstring proposed = detail::Wide(FileName);
  if (proposed.size() < file.size() && proposed.find(L'\0') == std::wstring::npos)
    file.replace(0, proposed.size(), proposed);
  const std::wstring filters = FilterList(FileTypes);
  const std::wstring title = detail::Wide(Title);
  const std::wstring dir = InitialDir.empty() ? std::wstring() : NativeOrPlain(InitialDir);
  HookData data{this};

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = FileTypes.empty() ? nullptr : filters.c_str();
  ofn.nFilterIndex = FilterIndex > 0 ? static_cast<DWORD>(FilterIndex) : 0;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_HIDEREADONLY |
              OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  ofn.lCustData = reinterpret_cast<LPARAM>(&data);
  ofn.lpfnHook = Hook;

  if (::GetSaveFileNameW(&ofn)) {
    error_code_ = 0;
    FileName = detail::Utf16(file.c_str());
    FilterIndex = static_cast<std::int32_t>(ofn.nFilterIndex);
    return true;
  }
  // 0 after a plain cancel; otherwise the common-dialog error code (CDERR_INITIALIZATION and
  // CDERR_DIALOGFAILURE are the layer's kDlgErrInitialization and kDlgErrFailure).
  error_code_ = ::CommDlgExtendedError();
  return false;
}

}  // namespace krv
