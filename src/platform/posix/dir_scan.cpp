// POSIX side of internal/dir_scan.h: readdir with d_type, fstatat only where needed.
#include "platform/internal/dir_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krv::detail {
namespace {

bool IsDot(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

// The kind of a link or of an entry without a recorded type.
EntryKind KindByStat(int dfd, const char* name) {
  struct stat st;
  if (::fstatat(dfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::kFile;
  if (S_ISDIR(st.st_mode)) return EntryKind::kDirectory;
  if (!S_ISLNK(st.st_mode)) return EntryKind::kFile;
  const bool dir = ::fstatat(dfd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
  return dir ? EntryKind::kLinkToDirectory : EntryKind::kFile;
}

}  // namespace

bool ScanNativeDirectory(const std::string& native_dir,
                         const std::function<void(std::string_view, EntryKind)>& visit) {
  const int fd = ::open(native_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    ::close(fd);
    return false;
  }
  while (const dirent* e = ::readdir(d)) {
    if (IsDot(e->d_name)) continue;
    EntryKind kind;
    switch (e->d_type) {
      case DT_DIR:
        kind = EntryKind::kDirectory;
        break;
      case DT_LNK:
      case DT_UNKNOWN:
        kind = KindByStat(fd, e->d_name);
        break;
      default:
        kind = EntryKind::kFile;
        break;
    }
    visit(e->d_name, kind);
  }
  ::closedir(d);
  return true;
}

}  // namespace krv::detail
