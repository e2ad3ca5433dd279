// POSIX implementation of the file wrappers in internal/os_file.h.
#include "platform/internal/os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace krv::detail {

static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit (_FILE_OFFSET_BITS=64)");

// Windows names: drives, both separators, case resolved as the file-system layer does.
std::string NativeFileName(const String& name) {
  return ToNativePath(name);
}

int OsOpenFile(const String& name, OsOpenMode mode, int& err, unsigned /*share*/) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OsOpenMode::kRead:
      flags |= O_RDONLY;
      break;
    case OsOpenMode::kWrite:
      flags |= O_WRONLY;
      break;
    case OsOpenMode::kReadWrite:
      flags |= O_RDWR;
      break;
    case OsOpenMode::kCreate:
      flags |= O_RDWR | O_CREAT;
      break;
    case OsOpenMode::kCreateWriteOnly:
      flags |= O_WRONLY | O_CREAT;
      break;
    case OsOpenMode::kAppendWriteOnly:
      flags |= O_WRONLY;
      break;
  }
  const std::string native = NativeFileName(name);
  if (native.empty() || native.find('\0') != std::string::npos) {
    err = ENOENT;
    return -1;
  }
  int fd;
  do {
    fd = ::open(native.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    err = errno;
    return -1;
  }
  // A read-only file (owner write bit clear) is never overwritten, as on Windows, even by
  // root; so creating truncates only after this check.
  const bool writing = mode != OsOpenMode::kRead;
  const bool truncate = mode == OsOpenMode::kCreate || mode == OsOpenMode::kCreateWriteOnly;
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    int refuse = 0;
    if (S_ISDIR(st.st_mode)) {
      refuse = EISDIR;
    } else if (writing && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
      refuse = EACCES;
    } else if (truncate && S_ISREG(st.st_mode) && st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
      refuse = errno;
    }
    if (refuse != 0) {
      ::close(fd);
      err = refuse;
      return -1;
    }
  }
  if (mode == OsOpenMode::kAppendWriteOnly && ::lseek(fd, 0, SEEK_END) < 0) {
    err = errno;
    ::close(fd);
    return -1;
  }
  err = 0;
  return fd;
}

namespace {

// Opens `native` with `flags`; refuses a directory and, when `writing`, a read-only file (the
// owner's write bit clear), even for root.
int OpenChecked(const std::string& native, int flags, bool writing, int& err) {
  int fd;
  do fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    err = errno;
    return -1;
  }
  struct stat st;
  int refuse = 0;
  if (::fstat(fd, &st) != 0) {
    refuse = errno;
  } else if (S_ISDIR(st.st_mode)) {
    refuse = EISDIR;
  } else if (writing && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
    refuse = EACCES;
  }
  if (refuse != 0) {
    ::close(fd);
    err = refuse;
    return -1;
  }
  return fd;
}

}  // namespace

int OsOpenHandle(const std::string& native, int access, unsigned /*share*/, int& err) {
  const int flags = access == fmOpenRead ? O_RDONLY : access == fmOpenWrite ? O_WRONLY : O_RDWR;
  return OpenChecked(native, flags, access != fmOpenRead, err);
}

int OsCreateNewHandle(const std::string& native, int& err) {
  int fd;
  do fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    err = errno;
    return -1;
  }
  return fd;
}

int OsCreateHandle(const std::string& native, int& err) {
  int fd = OsCreateNewHandle(native, err);
  if (fd >= 0 || err != EEXIST) return fd;
  // The name exists: truncated only once it is known to be a writable file.
  fd = OpenChecked(native, O_RDWR, true, err);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
    err = errno;
    ::close(fd);
    return -1;
  }
  return fd;
}

std::ptrdiff_t OsRead(int fd, void* buffer, std::size_t count, int& err) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, count);
    if (n >= 0) return n;
    if (errno != EINTR) {
      err = errno;
      return -1;
    }
  }
}

std::size_t OsWrite(int fd, const void* buffer, std::size_t count, int& err) {
  const char* p = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, p + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      err = n < 0 ? errno : EIO;
      break;
    }
  }
  return done;
}

std::int64_t OsSeek(int fd, std::int64_t offset, int whence, int& err) {
  const int w = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(fd, static_cast<off_t>(offset), w);
  if (r < 0) {
    err = errno;
    return -1;
  }
  return r;
}

std::int64_t OsFileSize(int fd, int& err) {
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    err = errno;
    return -1;
  }
  return st.st_size;
}

bool OsTruncate(int fd, std::int64_t size, int& err) {
  int r;
  do {
    r = ::ftruncate(fd, static_cast<off_t>(size));
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    err = errno;
    return false;
  }
  return true;
}

bool OsClose(int fd, int& err) {
  // POSIX leaves the descriptor state unspecified after EINTR; Linux has closed it.
  if (::close(fd) != 0 && errno != EINTR) {
    err = errno;
    return false;
  }
  return true;
}

std::string OsErrorText(int err) {
  char buf[256];
  buf[0] = '\0';
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  const char* s = ::strerror_r(err, buf, sizeof buf);
  return s ? std::string(s) : std::string();
#else
  if (::strerror_r(err, buf, sizeof buf) != 0) return "error " + std::to_string(err);
  return buf;
#endif
}

}  // namespace krv::detail
