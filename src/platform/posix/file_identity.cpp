// POSIX side of internal/file_identity.h.
#include "platform/internal/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace krv::detail {

bool NativeFileId(const std::string& native, FileId& id) {
  struct stat st;
  if (native.empty() || ::stat(native.c_str(), &st) != 0) return false;
  id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool HandleFileId(int handle, FileId& id) {
  struct stat st;
  if (handle < 0 || ::fstat(handle, &st) != 0) return false;
  id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool CopyPermissionsWritable(int from, int to) {
  struct stat st;
  if (from < 0 || to < 0 || ::fstat(from, &st) != 0) return false;
  return ::fchmod(to, (st.st_mode & 0777) | S_IWUSR) == 0;
}

void AdviseSequential(int handle) {
  if (handle >= 0) ::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
}

}  // namespace krv::detail
