// POSIX side of internal/dir_handle.h: openat with O_NOFOLLOW | O_DIRECTORY, fstatat,
// unlinkat, mkdirat, symlinkat, mkfifoat, readlinkat and renameat2.
#include "platform/internal/dir_handle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "korvex/platform/text.h"

namespace krv::detail {
namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

NodeKind KindOf(mode_t m) {
  if (S_ISREG(m)) return NodeKind::kFile;
  if (S_ISDIR(m)) return NodeKind::kDirectory;
  if (S_ISLNK(m)) return NodeKind::kSymLink;
  if (S_ISFIFO(m)) return NodeKind::kFifo;
  if (S_ISSOCK(m)) return NodeKind::kSocket;
  if (S_ISCHR(m) || S_ISBLK(m)) return NodeKind::kDevice;
  return NodeKind::kOther;
}

void Fill(const struct stat& st, NodeInfo& info) {
  info.kind = KindOf(st.st_mode);
  info.id = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  info.mode = st.st_mode & 07777;
  info.size = static_cast<std::int64_t>(st.st_size);
  info.time = static_cast<TFileTime>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  info.links = static_cast<std::uint64_t>(st.st_nlink);
}

NodeKind KindOfEntry(unsigned char type) {
  switch (type) {
    case DT_REG:
      return NodeKind::kFile;
    case DT_DIR:
      return NodeKind::kDirectory;
    case DT_LNK:
      return NodeKind::kSymLink;
    case DT_FIFO:
      return NodeKind::kFifo;
    case DT_SOCK:
      return NodeKind::kSocket;
    case DT_CHR:
    case DT_BLK:
      return NodeKind::kDevice;
    default:
      return NodeKind::kOther;
  }
}

// The descriptor of an open (O_NONBLOCK) entry when it is a regular file, made blocking again;
// otherwise closed, with err EISDIR or EINVAL.
int RegularOnly(int fd, int& err) {
  if (fd < 0) {
    err = errno;
    return kInvalidFileHandle;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return kInvalidFileHandle;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool IsDot(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

}  // namespace

DirHandle::DirHandle(DirHandle&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

DirHandle& DirHandle::operator=(DirHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool DirHandle::Valid() const {
  return fd_ >= 0;
}

void DirHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

DirHandle DirHandle::Open(const NativeName& path, bool follow_last, int& err) {
  DirHandle h;
  h.fd_ = ::open(path.c_str(), follow_last ? kDirFlags & ~O_NOFOLLOW : kDirFlags);
  if (h.fd_ < 0) err = errno;
  return h;
}

DirHandle DirHandle::OpenChild(const NativeName& name, int& err) const {
  DirHandle h;
  h.fd_ = ::openat(fd_, name.c_str(), kDirFlags);
  if (h.fd_ < 0) err = errno;
  return h;
}

DirHandle DirHandle::OpenParent(const FileId& expected, int& err) const {
  DirHandle h;
  h.fd_ = ::openat(fd_, "..", kDirFlags);
  if (h.fd_ < 0) {
    err = errno;
    return h;
  }
  NodeInfo info;
  if (!h.Info(info, err)) {
    h.Close();
  } else if (!(info.id == expected)) {
    err = ESTALE;
    h.Close();
  }
  return h;
}

bool DirHandle::List(std::vector<NativeName>& names, int& err) const {
  std::vector<NodeKind> kinds;
  return ListKinds(names, kinds, err);
}

NodeKind DirHandle::ChildTargetKind(const NativeName& name) const {
  struct stat st;
  if (::fstatat(fd_, name.c_str(), &st, 0) != 0) return NodeKind::kOther;
  return KindOf(st.st_mode);
}

bool DirHandle::ListKinds(std::vector<NativeName>& names, std::vector<NodeKind>& kinds,
                          int& err) const {
  names.clear();
  kinds.clear();
  // fdopendir takes over the descriptor it is given: read through a duplicate.
  const int dup = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (dup < 0) {
    err = errno;
    return false;
  }
  DIR* d = ::fdopendir(dup);
  if (d == nullptr) {
    err = errno;
    ::close(dup);
    return false;
  }
  ::rewinddir(d);
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(d);
    if (e == nullptr) break;
    if (IsDot(e->d_name)) continue;
    names.emplace_back(e->d_name);
    kinds.push_back(KindOfEntry(e->d_type));
  }
  const int read_err = errno;
  ::closedir(d);
  if (read_err != 0) {
    err = read_err;
    return false;
  }
  return true;
}

bool DirHandle::Info(NodeInfo& info, int& err) const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    err = errno;
    return false;
  }
  Fill(st, info);
  return true;
}

bool DirHandle::ChildInfo(const NativeName& name, NodeInfo& info, int& err) const {
  struct stat st;
  if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    err = errno;
    return false;
  }
  Fill(st, info);
  return true;
}

bool DirHandle::RemoveChild(const NativeName& name, bool directory, int& err) const {
  if (::unlinkat(fd_, name.c_str(), directory ? AT_REMOVEDIR : 0) == 0) return true;
  err = errno;
  return false;
}

bool DirHandle::RenameChild(const NativeName& from, const NativeName& to, int& err) const {
#ifdef RENAME_NOREPLACE
  if (::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) {
    err = errno;
    return false;
  }
#endif
  // No exclusive rename here: a hard link cannot replace anything, then the old name goes.
  if (::linkat(fd_, from.c_str(), fd_, to.c_str(), 0) != 0) {
    err = errno;
    return false;
  }
  if (::unlinkat(fd_, from.c_str(), 0) != 0) {
    err = errno;
    ::unlinkat(fd_, to.c_str(), 0);
    return false;
  }
  return true;
}

bool DirHandle::MakeChildDir(const NativeName& name, unsigned mode, int& err) const {
  if (::mkdirat(fd_, name.c_str(), static_cast<mode_t>(mode)) == 0) return true;
  err = errno;
  return false;
}

bool DirHandle::MakeChildLink(const NativeName& name, const NativeName& target, int& err) const {
  if (::symlinkat(target.c_str(), fd_, name.c_str()) == 0) return true;
  err = errno;
  return false;
}

bool DirHandle::MakeChildFifo(const NativeName& name, unsigned mode, int& err) const {
  if (::mkfifoat(fd_, name.c_str(), static_cast<mode_t>(mode)) == 0) return true;
  err = errno;
  return false;
}

bool DirHandle::ReadChildLink(const NativeName& name, NativeName& target, int& err) const {
  std::string buf(256, '\0');
  for (;;) {
    const ssize_t n = ::readlinkat(fd_, name.c_str(), buf.data(), buf.size());
    if (n < 0) {
      err = errno;
      return false;
    }
    if (static_cast<std::size_t>(n) < buf.size()) {
      buf.resize(static_cast<std::size_t>(n));
      target = std::move(buf);
      return true;
    }
    if (buf.size() >= (1u << 20)) {
      err = ENAMETOOLONG;
      return false;
    }
    buf.resize(buf.size() * 2);
  }
}

TFileHandle DirHandle::OpenChildForReading(const NativeName& name, int& err) const {
  // O_NONBLOCK: a FIFO swapped in after the listing must not block the open.
  int fd;
  do fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return RegularOnly(fd, err);
}

TFileHandle DirHandle::CreateChildFile(const NativeName& name, bool exclusive, int& err) const {
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
  int fd;
  do fd = ::openat(fd_, name.c_str(), flags | O_NONBLOCK, 0600);
  while (fd < 0 && errno == EINTR);
  return RegularOnly(fd, err);
}

bool PathInfo(const NativeName& path, bool follow, NodeInfo& info, int& err) {
  struct stat st;
  if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    err = errno;
    return false;
  }
  Fill(st, info);
  return true;
}

bool CurrentDirChain(std::vector<FileId>& chain, int& err) {
  chain.clear();
  int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  while (fd >= 0) {
    struct stat st;
    if (::fstat(fd, &st) != 0) break;
    const FileId id{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    if (!chain.empty() && chain.back() == id) {  // ".." of the root is the root
      ::close(fd);
      return true;
    }
    chain.push_back(id);
    const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = up;
  }
  err = errno;
  if (fd >= 0) ::close(fd);
  return false;
}

bool SetHandleMode(TFileHandle handle, unsigned mode, int& err) {
  if (::fchmod(handle, static_cast<mode_t>(mode)) == 0) return true;
  err = errno;
  return false;
}

bool HandleInfo(TFileHandle handle, NodeInfo& info, int& err) {
  struct stat st;
  if (::fstat(handle, &st) != 0) {
    err = errno;
    return false;
  }
  Fill(st, info);
  return true;
}

unsigned CurrentUmask() {
  // /proc/self/status tells the mask without the race of setting and restoring it.
  if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f) != nullptr) {
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    }
    std::fclose(f);
    if (found) return mask & 0777;
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask & 0777;
}

bool ToNative(const String& name, NativeName& out) {
  return ToNativeName(name, out) && out.find('\0') == std::string::npos;
}

String FromNative(const NativeName& name) {
  return FromNativeName(name);
}

}  // namespace krv::detail
