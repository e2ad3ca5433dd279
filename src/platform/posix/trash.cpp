// The freedesktop Trash: an exclusive info file first, then a rename (or a copy across file
// systems) of the file into Trash/files.
#include "korvex/platform/trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

constexpr std::size_t kMaxTrashName = 200;  // bytes; leaves room for ".NNNN.trashinfo"
constexpr int kMaxAttempts = 10000;
constexpr std::size_t kCopyBlock = std::size_t{1} << 18;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  // Closes now; false (errno set) when the close failed.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// mkdir -p with mode 0700 for what it creates; false with errno set.
bool MakeDirs(const std::string& dir) {
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  const std::size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash))) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string DataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  std::string h = home != nullptr && home[0] == '/' ? home : "";
  if (h.empty()) {
    struct passwd pw, *found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
      h = found->pw_dir;
    }
  }
  return h.empty() ? "" : h + "/.local/share";
}

std::string WithoutTrailingSlashes(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

// The original name as the Path key holds it: bytes outside the unreserved URI characters
// and '/' as %XX.
std::string EscapePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  struct tm local;
  char buf[32] = "";
  if (::localtime_r(&now, &local) != nullptr)
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
  return buf;
}

// The first `limit` bytes of a UTF-8 name, not cutting a character.
std::string CutName(const std::string& name, std::size_t limit) {
  if (name.size() <= limit) return name;
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
  return name.substr(0, n);
}

// The candidate trash name of attempt k (1, 2, ...): name, then stem.k.ext.
std::string Candidate(const std::string& name, int k) {
  if (k == 1) return name;
  const std::size_t dot = name.find_last_of('.');
  const bool has_ext = dot != std::string::npos && dot > 0;
  const std::string stem = has_ext ? name.substr(0, dot) : name;
  return stem + "." + std::to_string(k) + (has_ext ? name.substr(dot) : "");
}

// Copies the regular file or link `from` (lstat in st) to the new name `to`, with mode and
// modification time; on failure removes what it made. 0 or an errno code.
int CopyInto(const std::string& from, const struct stat& st, const std::string& to) {
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 2);
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size() - 1);
    if (n < 0) return errno;
    target[static_cast<std::size_t>(n)] = '\0';
    return ::symlink(target.data(), to.c_str()) == 0 ? 0 : errno;
  }
  if (!S_ISREG(st.st_mode)) return EXDEV;  // devices, FIFOs and sockets stay where they are
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return errno;
  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (out.Get() < 0) return errno;
  std::vector<char> buf(kCopyBlock);
  int err = 0;
  for (;;) {
    const ssize_t n = ::read(in.Get(), buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || !WriteAll(out.Get(), buf.data(), static_cast<std::size_t>(n))) {
      err = errno;
      break;
    }
    if (n == 0) break;
  }
  if (err == 0) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::fchmod(out.Get(), st.st_mode & 07777);
    ::futimens(out.Get(), times);
    if (!out.Close()) err = errno;
  }
  if (err != 0) ::unlink(to.c_str());
  return err;
}

// Moves `from` to `to` unless `to` exists. 0, EEXIST or another errno code.
int MoveNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The native absolute name made absolute against the working directory.
std::string Absolute(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  std::vector<char> buf(4096);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE || buf.size() > (1u << 20)) return name;
    buf.resize(buf.size() * 2);
  }
  std::string cwd = buf.data();
  return cwd == "/" ? "/" + name : cwd + "/" + name;
}

int TrashNative(const std::string& given) {
  const std::string path = WithoutTrailingSlashes(Absolute(given));
  if (path.empty() || path.find('\0') != std::string::npos) return ENOENT;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  const std::string trash = TrashDirectory();
  if (trash.empty()) return ENOENT;
  const std::string files = trash + "/files/", info = trash + "/info/";
  if (!MakeDirs(trash + "/files") || !MakeDirs(trash + "/info")) return errno;

  const std::string base = CutName(path.substr(path.find_last_of('/') + 1), kMaxTrashName);
  const std::string content =
      "[Trash Info]\nPath=" + EscapePath(path) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int k = 1; k <= kMaxAttempts; ++k) {
    const std::string name = Candidate(base, k);
    const std::string info_name = info + name + ".trashinfo", target = files + name;
    Fd fd(::open(info_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.Get() < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    if (!WriteAll(fd.Get(), content.data(), content.size()) || !fd.Close()) {
      const int err = errno;
      ::unlink(info_name.c_str());
      return err;
    }
    int err = MoveNoReplace(path, target);
    if (err == EXDEV) {
      err = CopyInto(path, st, target);
      if (err == 0 && ::unlink(path.c_str()) != 0) {
        err = errno;
        ::unlink(target.c_str());
      }
    }
    if (err == 0) return 0;
    ::unlink(info_name.c_str());
    if (err != EEXIST) return err;
  }
  return EEXIST;
}

}  // namespace

std::string TrashDirectory() {
  const std::string data = DataHome();
  return data.empty() ? "" : WithoutTrailingSlashes(data) + "/Trash";
}

std::string TrashErrorText(int error) {
  return std::strerror(error);
}

int MoveFileToTrash(const String& fileName) {
  return TrashNative(ToNativePath(fileName));
}

}  // namespace krv
