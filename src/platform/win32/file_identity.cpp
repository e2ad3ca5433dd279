// Windows side of internal/file_identity.h: volume serial number and file index.
#include "platform/internal/file_identity.h"

#include "platform/win32/win32_util.h"

namespace krv::detail {

namespace {

bool IdOfHandle(HANDLE h, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info)) return false;
  id = {info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

}  // namespace

bool NativeFileId(const std::string& native, FileId& id) {
  if (native.empty()) return false;
  // No access rights asked: this works on files open elsewhere without sharing, and on
  // directories (backup semantics).
  const HANDLE h = ::CreateFileW(WidePath(native).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = IdOfHandle(h, id);
  ::CloseHandle(h);
  return ok;
}

bool HandleFileId(int handle, FileId& id) {
  return IdOfHandle(HandleOf(handle), id);
}

// Windows files carry no permission bits; a copy is created writable, which is all the callers
// need.
bool CopyPermissionsWritable(int from, int to) {
  return HandleOf(from) != INVALID_HANDLE_VALUE && HandleOf(to) != INVALID_HANDLE_VALUE;
}

// The read-ahead hint is given when a file is opened on Windows; nothing to do later.
void AdviseSequential(int /*handle*/) {}

}  // namespace krv::detail
