// The Windows Recycle Bin through the shell's file operation, which keeps what it needs to
// restore each file.
#include "korvex/platform/trash.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "korvex/platform/filesystem.h"
#include "platform/win32/win32_util.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the shell header needs its types.
#include <shellapi.h>

namespace krv {
namespace {

// errno-style code of a Win32 error or of one of the shell operation's own codes (DE_...).
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case 0x7C:  // DE_INVALIDFILES
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case 0x78:  // DE_ACCESSDENIEDSRC
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    default:
      return EIO;
  }
}

// The full name of `native`; "" when it cannot be had.
std::wstring FullName(const std::wstring& native) {
  const DWORD need = ::GetFullPathNameW(native.c_str(), 0, nullptr, nullptr);
  if (need == 0) return L"";
  std::wstring full(need, L'\0');
  const DWORD n = ::GetFullPathNameW(native.c_str(), need, full.data(), nullptr);
  if (n == 0 || n >= need) return L"";
  full.resize(n);
  return full;
}

int TrashNative(const std::string& native) {
  std::wstring path = detail::Wide(native);
  if (path.empty() || path.find(L'\0') != std::wstring::npos) return ENOENT;
  path = FullName(path);
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (path.empty()) return ENOENT;
  const DWORD attr = ::GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return ErrnoOf(::GetLastError());
  // A link to a directory is trashed itself; a real directory is refused.
  if ((attr & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attr & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    return EISDIR;
  path.append(2, L'\0');  // the operation takes a list of names ended by an empty one
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = path.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  const int rc = ::SHFileOperationW(&op);
  if (rc != 0) return ErrnoOf(static_cast<DWORD>(rc));
  if (op.fAnyOperationsAborted) return EIO;
  return 0;
}

}  // namespace

std::string TrashDirectory() {
  return "";
}

std::string TrashErrorText(int error) {
  return std::strerror(error);
}

int MoveFileToTrash(const String& fileName) {
  return TrashNative(ToNativePath(fileName));
}

}  // namespace krv
