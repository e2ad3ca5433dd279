// Windows side of internal/dir_handle.h. A DirHandle holds the directory's handle and a full
// name that led to it, in the "\\?\" form, so that names reach the file system as written: no
// trailing dots or spaces cut off, no device names such as NUL, no MAX_PATH limit (the
// system's own limit of 32767 units remains). The Win32 API has no call that opens a name
// relative to a directory handle, so an entry is opened by its directory's name and its own,
// then checked before anything is done to it, and what is done goes through that handle:
// - a reparse point (symbolic link, junction, mount point, and every other kind) is described
//   as a link and never entered or read (ELOOP);
// - the directory's name must still lead to the directory (ESTALE otherwise: it was moved,
//   and its name may now stand for another one; where POSIX goes on working in a moved
//   directory, this side refuses);
// - the system's name of the opened entry must be the directory's name of the moment plus the
//   entry's name (ELOOP otherwise: the lookup went through a link the system did not show, as
//   a directory above replaced by a junction in between, or a Unix symbolic link under Wine,
//   which presents one as its target). Such an entry is described as a link. Where the file
//   system cannot name handles, this test is left out.
// Removing and renaming act on the checked handle (delete disposition, rename of the handle);
// listing reads a new handle to the directory, opened from the held one. Creating goes by
// name: a new file that did not land in this directory is removed again; new directories and
// links are not checked. Windows has no permission bits: the read-only attribute stands for a
// clear owner write bit, directories are made without one, and FIFOs cannot be made (ENOSYS).
#include "platform/internal/dir_handle.h"

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/win32/win32_util.h"
// After <windows.h>, which it needs.
#include <winioctl.h>

#ifndef SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
#define SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE 0x2
#endif

namespace krv::detail {
namespace {

// MinGW's <errno.h> has no ESTALE; the Win32 code for "the opened file is no longer valid"
// (with its system text) stands for it.
#ifdef ESTALE
constexpr int kStale = ESTALE;
#else
constexpr int kStale = kWin32ErrorBase + ERROR_FILE_INVALID;
#endif

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kDirAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kWriteAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES;
// Opens directories too, and a reparse point itself rather than what it points to.
constexpr DWORD kNoFollow = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
// Pipes and devices have no volume; volume serial numbers have 32 bits, so none is this.
constexpr std::uint64_t kNoVolume = ~std::uint64_t{0};
constexpr DWORD kListBytes = 64 * 1024;
// FileDispositionInfoEx (Windows 10 1607 and later), which MinGW's headers declare only behind
// a version test that never holds.
static_assert(FileIdExtdDirectoryRestartInfo == 20);
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// Closes the handle it owns.
class Owned {
 public:
  explicit Owned(HANDLE h) : h_(h) {}
  ~Owned() {
    if (Valid()) ::CloseHandle(h_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Get() const { return h_; }
  HANDLE Release() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

HANDLE OpenRaw(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags, int& err) {
  const HANDLE h =
      ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) err = LastError();
  return h;
}

std::uint64_t Join(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool DescribeDisk(HANDLE h, NodeInfo& info, int& err) {
  BY_HANDLE_FILE_INFORMATION d;
  if (!::GetFileInformationByHandle(h, &d)) {
    err = LastError();
    return false;
  }
  const DWORD a = d.dwFileAttributes;
  info.kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? NodeKind::kSymLink
              : (a & FILE_ATTRIBUTE_DIRECTORY) != 0   ? NodeKind::kDirectory
                                                      : NodeKind::kFile;
  const unsigned rw = (a & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  info.mode = info.kind == NodeKind::kSymLink     ? 0777
              : info.kind == NodeKind::kDirectory ? rw | 0111
                                                  : rw;
  info.id = FileId{d.dwVolumeSerialNumber, Join(d.nFileIndexHigh, d.nFileIndexLow)};
  info.size = static_cast<std::int64_t>(Join(d.nFileSizeHigh, d.nFileSizeLow));
  info.time = NanosOf(d.ftLastWriteTime);
  info.links = d.nNumberOfLinks;
  return true;
}

// Describes an open handle. A pipe or device has no file identity on Windows; it gets one that
// no disk file has, distinct for each open handle.
bool Describe(HANDLE h, NodeInfo& info, int& err) {
  ::SetLastError(ERROR_SUCCESS);
  const DWORD type = ::GetFileType(h);
  if (type == FILE_TYPE_DISK) return DescribeDisk(h, info, err);
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != ERROR_SUCCESS) {
    err = LastError();
    return false;
  }
  info = NodeInfo{};
  info.kind = type == FILE_TYPE_PIPE   ? NodeKind::kFifo
              : type == FILE_TYPE_CHAR ? NodeKind::kDevice
                                       : NodeKind::kOther;
  info.id = FileId{kNoVolume, reinterpret_cast<std::uintptr_t>(h)};
  info.mode = 0666;
  return true;
}

// The full name of `name` in the directory `dir`. A name must be one entry of it: not empty,
// "." or "..", and without separators, ':' (a stream or drive) or NUL (EINVAL); a handle that
// is not open has no entries (EBADF).
bool ChildPath(const std::wstring& dir, const NativeName& name, std::wstring& full, int& err) {
  constexpr wchar_t kNotInNames[] = {L'\\', L'/', L':', L'\0'};
  if (dir.empty()) {
    err = EBADF;
    return false;
  }
  if (name.empty() || name == L"." || name == L".." ||
      name.find_first_of(kNotInNames, 0, 4) != NativeName::npos) {
    err = EINVAL;
    return false;
  }
  full = dir;
  if (full.back() != L'\\') full += L'\\';
  full += name;
  return true;
}

// A full name in the "\\?\" form, which the system takes as it is written.
std::wstring Verbatim(const std::wstring& full) {
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The length of the root of a "\\?\" name: "\\?\C:\", "\\?\Volume{...}\", "\\?\UNC\s\share\".
std::size_t RootLength(const std::wstring& p) {
  std::size_t at = 4;
  int parts = 1;
  if (p.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    at = 8;
    parts = 2;
  } else if (p.rfind(L"\\\\?\\", 0) != 0 && p.rfind(L"\\\\.\\", 0) != 0) {
    return 0;
  }
  for (; parts > 0; --parts) {
    const std::size_t sep = p.find(L'\\', at);
    if (sep == std::wstring::npos) return p.size();
    at = sep + 1;
  }
  return at;
}

// The directory above a "\\?\" name; the root is its own parent (and keeps its final '\':
// without it the name is the volume, not its root directory).
std::wstring ParentPath(const std::wstring& p) {
  const std::size_t root = RootLength(p);
  std::size_t end = p.size();
  while (end > root && p[end - 1] == L'\\') --end;
  const std::size_t cut = end == 0 ? std::wstring::npos : p.rfind(L'\\', end - 1);
  if (cut == std::wstring::npos || cut < root) return p.substr(0, root);
  return p.substr(0, cut);
}

bool FinalName(HANDLE h, std::wstring& out) {
  std::wstring buf(MAX_PATH, L'\0');
  for (int tries = 0; tries < 3; ++tries) {
    const DWORD n = ::GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return false;
    if (n < buf.size()) {
      buf.resize(n);
      out = Verbatim(buf);
      return true;
    }
    buf.resize(n);  // n counted the terminating NUL
  }
  return false;
}

// The given name made absolute by the system, in the "\\?\" form.
bool AbsoluteName(const std::wstring& given, std::wstring& out, int& err) {
  const DWORD n = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  std::wstring full(n, L'\0');
  const DWORD m = n == 0 ? 0 : ::GetFullPathNameW(given.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) {
    err = m == 0 ? LastError() : ENAMETOOLONG;
    return false;
  }
  full.resize(m);
  out = Verbatim(full);
  return true;
}

// Whether `path` names the entry `id` now.
bool Names(const std::wstring& path, const FileId& id) {
  NodeInfo info;
  int ignored = 0;
  return PathInfo(path, true, info, ignored) && info.id == id;
}

// A full name of an open directory that names it now: the system's name of what is open
// (links in the given name resolved), else the given name made absolute (some systems report
// names that lead elsewhere: Wine cuts trailing dots and spaces). ESTALE when neither does.
bool FullNameOf(HANDLE h, const std::wstring& given, std::wstring& out, int& err) {
  NodeInfo info;
  if (!Describe(h, info, err)) return false;
  std::wstring name;
  if ((FinalName(h, name) && Names(name, info.id)) ||
      (AbsoluteName(given, name, err) && Names(name, info.id))) {
    out = std::move(name);
    return true;
  }
  err = kStale;
  return false;
}

// Splits an absolute "\\?\" name into its directory and last component; false for a root.
bool SplitLast(const std::wstring& full, std::wstring& dir, std::wstring& leaf) {
  dir = ParentPath(full);
  std::size_t end = full.size();
  while (end > dir.size() && full[end - 1] == L'\\') --end;
  std::size_t at = dir.size();
  if (at < end && full[at] == L'\\') ++at;
  if (at >= end) return false;
  leaf = full.substr(at, end - at);
  return true;
}

// A directory held open and its full name.
struct DirRef {
  HANDLE handle;
  const std::wstring& path;
};

// Whether `leaf`, a name the system reports, is `name`: alike but for case, or but for the
// trailing dots and spaces that some systems (Wine) leave out of the names they report.
bool SameLeaf(std::wstring_view leaf, std::wstring_view name) {
  const auto same = [](std::wstring_view a, std::wstring_view b) {
    const int n = static_cast<int>(a.size());
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), n, b.data(), n, TRUE) == CSTR_EQUAL;
  };
  if (same(leaf, name)) return true;
  const std::size_t kept = name.find_last_not_of(L". ");
  return kept != std::wstring_view::npos && kept + 1 < name.size() &&
         same(leaf, name.substr(0, kept + 1));
}

// Checks that the open entry `h` is the entry `name` of `dir` now (see the top of this file):
// 0 when it is; ESTALE when the directory's name no longer leads to the directory (it was
// moved, and its name may now stand for another); ELOOP when the entry was reached through a
// link the system did not show. The second test is left out where the system cannot name the
// handles.
int EntryCheck(const DirRef& dir, HANDLE h, const NativeName& name) {
  NodeInfo here;
  int ignored = 0;
  if (!Describe(dir.handle, here, ignored) || !Names(dir.path, here.id)) return kStale;
  std::wstring dir_name;
  std::wstring entry_name;
  if (!FinalName(dir.handle, dir_name) || !FinalName(h, entry_name)) return 0;
  if (dir_name.back() != L'\\') dir_name += L'\\';
  const bool same = entry_name.size() > dir_name.size() &&
                    entry_name.compare(0, dir_name.size(), dir_name) == 0 &&
                    SameLeaf(std::wstring_view(entry_name).substr(dir_name.size()), name);
  return same ? 0 : ELOOP;
}

// Opens the existing entry `name` of `dir` itself (a link is not followed) and checks that it
// is that entry (EntryCheck).
HANDLE OpenEntry(const DirRef& dir, const NativeName& name, DWORD access, DWORD flags, int& err) {
  std::wstring full;
  if (!ChildPath(dir.path, name, full, err)) return INVALID_HANDLE_VALUE;
  Owned h(OpenRaw(full, access, OPEN_EXISTING, kNoFollow | flags, err));
  if (!h.Valid()) return INVALID_HANDLE_VALUE;
  err = EntryCheck(dir, h.Get(), name);
  return err == 0 ? h.Release() : INVALID_HANDLE_VALUE;
}

// Deletes the entry an open handle (with DELETE access) stands for: at once where the system
// can (POSIX semantics: the name goes even while others hold the entry open), else when the
// last handle to it is closed.
bool Dispose(HANDLE h, int& err) {
  FILE_DISPOSITION_INFO_EX now{FILE_DISPOSITION_FLAG_DELETE |
                               FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  if (::SetFileInformationByHandle(h, kDispositionInfoEx, &now, sizeof now)) return true;
  const DWORD code = ::GetLastError();
  if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED &&
      code != ERROR_INVALID_FUNCTION && code != ERROR_CALL_NOT_IMPLEMENTED) {
    err = FoldWin32Error(code);
    return false;
  }
  FILE_DISPOSITION_INFO later{TRUE};
  if (::SetFileInformationByHandle(h, FileDispositionInfo, &later, sizeof later)) return true;
  err = LastError();
  return false;
}

// Opens a directory for listing; a reparse point in the last component is refused (ELOOP)
// unless `follow`, anything else than a directory too (ENOTDIR).
HANDLE OpenDirectory(const std::wstring& path, bool follow, int& err) {
  Owned h(OpenRaw(path, kDirAccess, OPEN_EXISTING, follow ? FILE_FLAG_BACKUP_SEMANTICS : kNoFollow,
                  err));
  if (!h.Valid()) return INVALID_HANDLE_VALUE;
  BY_HANDLE_FILE_INFORMATION d;
  if (!::GetFileInformationByHandle(h.Get(), &d)) {
    err = LastError();
    return INVALID_HANDLE_VALUE;
  }
  if (!follow && (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    err = ELOOP;
    return INVALID_HANDLE_VALUE;
  }
  if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    err = ENOTDIR;
    return INVALID_HANDLE_VALUE;
  }
  return h.Release();
}

// Checks that an opened entry is a regular disk file: not a link (ELOOP), a directory
// (EISDIR) or a device (EINVAL); for writing, not read-only (EACCES), which the system would
// let an administrator (or Wine running as root) write.
bool CheckRegular(HANDLE h, bool writing, int& err) {
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    err = EINVAL;
    return false;
  }
  BY_HANDLE_FILE_INFORMATION d;
  if (!::GetFileInformationByHandle(h, &d)) {
    err = LastError();
    return false;
  }
  const DWORD a = d.dwFileAttributes;
  err = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0         ? ELOOP
        : (a & FILE_ATTRIBUTE_DIRECTORY) != 0           ? EISDIR
        : writing && (a & FILE_ATTRIBUTE_READONLY) != 0 ? EACCES
                                                        : 0;
  return err == 0;
}

// Creates the new file `full`, the entry `name` of `dir`. A file that did not land in `dir`
// is removed again (EntryCheck tells why).
HANDLE CreateNew(const DirRef& dir, const std::wstring& full, const NativeName& name, int& err) {
  Owned h(OpenRaw(full, kWriteAccess | DELETE, CREATE_NEW,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, err));
  if (!h.Valid()) return INVALID_HANDLE_VALUE;
  err = EntryCheck(dir, h.Get(), name);
  if (err == 0) return h.Release();
  int ignored = 0;
  Dispose(h.Get(), ignored);
  return INVALID_HANDLE_VALUE;
}

// Truncates an existing file opened for writing once it proved to be a regular file.
TFileHandle Truncated(HANDLE raw, int& err) {
  Owned h(raw);
  if (!CheckRegular(h.Get(), true, err)) return kInvalidFileHandle;
  if (!::SetEndOfFile(h.Get())) {  // the file pointer of a new handle is at 0
    err = LastError();
    return kInvalidFileHandle;
  }
  return DescriptorOf(h.Release(), err);
}

// Appends the names of one answer of FileIdBothDirectoryInfo, without "." and "..". False
// when the answer is malformed.
bool AppendNames(const unsigned char* buf, std::size_t size, std::vector<NativeName>& names) {
  constexpr std::size_t kNameAt = offsetof(FILE_ID_BOTH_DIR_INFO, FileName);
  for (std::size_t at = 0;;) {
    if (at % alignof(FILE_ID_BOTH_DIR_INFO) != 0 || size - at < kNameAt) return false;
    const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buf + at);
    if (e->FileNameLength % sizeof(wchar_t) != 0 || size - at - kNameAt < e->FileNameLength) {
      return false;
    }
    const std::wstring_view name(reinterpret_cast<const wchar_t*>(buf + at + kNameAt),
                                 e->FileNameLength / sizeof(wchar_t));
    if (name != L"." && name != L"..") names.emplace_back(name);
    if (e->NextEntryOffset == 0) return true;
    if (e->NextEntryOffset > size - at) return false;
    at += e->NextEntryOffset;
  }
}

// The error of a refused symbolic link: EPERM where links may not be made (no privilege, or a
// file system without them), as symlink() reports it.
int LinkError(DWORD code) {
  switch (code) {
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return EPERM;
    default:
      return FoldWin32Error(code);
  }
}

// Whether the target of a link to be made in `dir` is a directory: Windows links are made as
// links to files or to directories. A relative target is taken from the link's directory.
bool TargetIsDirectory(const std::wstring& dir, const std::wstring& target) {
  const bool absolute =
      (target.size() >= 2 && target[1] == L':') || target[0] == L'\\' || target[0] == L'/';
  std::wstring where = target;
  if (!absolute) {
    // Without "\\?\" the system resolves ".." in the target, as the link itself will.
    std::wstring base = dir;
    if (base.rfind(L"\\\\?\\UNC\\", 0) == 0) {
      base = L"\\\\" + base.substr(8);
    } else if (base.rfind(L"\\\\?\\", 0) == 0) {
      base.erase(0, 4);
    }
    where = base + L'\\' + target;
  }
  const DWORD a = ::GetFileAttributesW(where.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The name held in the reparse data of a symbolic link or junction (the layout of
// REPARSE_DATA_BUFFER): its print name, else its substitute name without the "\??\" prefix.
// EINVAL for other kinds of reparse point, EIO for malformed data.
bool LinkTargetOf(const unsigned char* p, std::size_t n, NativeName& target, int& err) {
  DWORD tag = 0;
  if (n >= sizeof tag) std::memcpy(&tag, p, sizeof tag);
  const std::size_t names_at = tag == static_cast<DWORD>(IO_REPARSE_TAG_SYMLINK)       ? 20
                               : tag == static_cast<DWORD>(IO_REPARSE_TAG_MOUNT_POINT) ? 16
                                                                                       : 0;
  if (names_at == 0) {
    err = n >= sizeof tag ? EINVAL : EIO;
    return false;
  }
  WORD f[4] = {};  // substitute name offset and length, print name offset and length (bytes)
  if (n >= names_at) std::memcpy(f, p + 8, sizeof f);
  const auto read = [&](WORD off, WORD len, std::wstring& out) {
    if (n < names_at || off % 2 != 0 || len % 2 != 0 || n - names_at < std::size_t{off} + len) {
      return false;
    }
    out.resize(len / 2);
    std::memcpy(out.data(), p + names_at + off, len);
    return true;
  };
  std::wstring sub;
  std::wstring print;
  if (!read(f[0], f[1], sub) || !read(f[2], f[3], print)) {
    err = EIO;
    return false;
  }
  if (print.empty() && sub.rfind(L"\\??\\UNC\\", 0) == 0) {
    print = L"\\\\" + sub.substr(8);
  } else if (print.empty()) {
    print = sub.rfind(L"\\??\\", 0) == 0 ? sub.substr(4) : sub;
  }
  target = std::move(print);
  return true;
}

}  // namespace

DirHandle::DirHandle(DirHandle&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = nullptr;
  other.path_.clear();
}

DirHandle& DirHandle::operator=(DirHandle&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = nullptr;
    other.path_.clear();
  }
  return *this;
}

bool DirHandle::Valid() const {
  return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE;
}

void DirHandle::Close() {
  if (Valid()) ::CloseHandle(handle_);
  handle_ = nullptr;
  path_.clear();
}

DirHandle DirHandle::Open(const NativeName& path, bool follow_last, int& err) {
  DirHandle h;
  if (path.empty() || path.find(L'\0') != NativeName::npos) {
    err = path.empty() ? ENOENT : EINVAL;
    return h;
  }
  // Without following the last component, it is opened from its directory, with the checks
  // every child gets.
  std::wstring full;
  std::wstring dir;
  std::wstring leaf;
  if (!follow_last) {
    if (!AbsoluteName(path, full, err)) return h;
    if (SplitLast(full, dir, leaf)) {
      const DirHandle parent = Open(dir, true, err);
      return parent.Valid() ? parent.OpenChild(leaf, err) : DirHandle();
    }
  }
  Owned raw(OpenDirectory(path, follow_last, err));
  if (raw.Valid() && FullNameOf(raw.Get(), path, h.path_, err)) h.handle_ = raw.Release();
  return h;
}

DirHandle DirHandle::OpenChild(const NativeName& name, int& err) const {
  DirHandle h;
  std::wstring full;
  if (!ChildPath(path_, name, full, err)) return h;
  Owned raw(OpenDirectory(full, false, err));
  if (!raw.Valid()) return h;
  err = EntryCheck(DirRef{handle_, path_}, raw.Get(), name);
  if (err != 0) return h;
  h.handle_ = raw.Release();
  h.path_ = std::move(full);
  return h;
}

DirHandle DirHandle::OpenParent(const FileId& expected, int& err) const {
  DirHandle h;
  if (!Valid()) {
    err = EBADF;
    return h;
  }
  // The directory above by name; whatever that leads to must be `expected`.
  std::wstring up = ParentPath(path_);
  const HANDLE raw = OpenDirectory(up, true, err);
  if (raw == INVALID_HANDLE_VALUE) return h;
  h.handle_ = raw;
  h.path_ = std::move(up);
  NodeInfo info;
  if (!h.Info(info, err)) {
    h.Close();
  } else if (!(info.id == expected)) {
    err = kStale;
    h.Close();
  }
  return h;
}

bool DirHandle::List(std::vector<NativeName>& names, int& err) const {
  names.clear();
  if (!Valid()) {
    err = EBADF;
    return false;
  }
  // Each listing reads a new handle to this same directory (opened from the handle, not by
  // name): a listing position is never shared between calls, and no system can answer from
  // what an earlier listing cached (Wine does, and misses entries made since).
  const Owned fresh(::ReOpenFile(handle_, FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll, kNoFollow));
  const HANDLE dir = fresh.Valid() ? fresh.Get() : handle_;
  std::vector<std::uint64_t> buf(kListBytes / sizeof(std::uint64_t));  // aligned for the entries
  auto* bytes = reinterpret_cast<unsigned char*>(buf.data());
  FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;  // from the first entry
  for (;;) {
    if (!::GetFileInformationByHandleEx(dir, what, bytes, kListBytes)) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_NO_MORE_FILES) return true;
      if (code == ERROR_FILE_NOT_FOUND && what == FileIdBothDirectoryRestartInfo) return true;
      err = FoldWin32Error(code);
      names.clear();
      return false;
    }
    what = FileIdBothDirectoryInfo;
    if (!AppendNames(bytes, kListBytes, names)) {
      err = EIO;
      names.clear();
      return false;
    }
  }
}

bool DirHandle::Info(NodeInfo& info, int& err) const {
  if (Valid()) return Describe(handle_, info, err);
  err = EBADF;
  return false;
}

bool DirHandle::ChildInfo(const NativeName& name, NodeInfo& info, int& err) const {
  std::wstring full;
  if (!ChildPath(path_, name, full, err)) return false;
  const Owned h(OpenRaw(full, FILE_READ_ATTRIBUTES, OPEN_EXISTING, kNoFollow, err));
  if (!h.Valid() || !Describe(h.Get(), info, err)) return false;
  const int check = EntryCheck(DirRef{handle_, path_}, h.Get(), name);
  if (check == ELOOP) {  // reached through a link the system did not show
    info.kind = NodeKind::kSymLink;
    info.mode = 0777;
  } else if (check != 0) {
    err = check;
    return false;
  }
  return true;
}

bool DirHandle::RemoveChild(const NativeName& name, bool directory, int& err) const {
  const Owned h(OpenEntry(DirRef{handle_, path_}, name, DELETE | FILE_READ_ATTRIBUTES, 0, err));
  BY_HANDLE_FILE_INFORMATION d;
  if (!h.Valid()) return false;
  if (!::GetFileInformationByHandle(h.Get(), &d)) {
    err = LastError();
    return false;
  }
  const bool is_dir = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool link = (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (directory && (link || !is_dir)) {
    err = ENOTDIR;
    return false;
  }
  if (!directory && is_dir && !link) {
    err = EISDIR;
    return false;
  }
  return Dispose(h.Get(), err);  // a link goes, not what it points to
}

bool DirHandle::RenameChild(const NativeName& from, const NativeName& to, int& err) const {
  std::wstring new_path;
  if (!ChildPath(path_, to, new_path, err)) return false;
  const Owned h(OpenEntry(DirRef{handle_, path_}, from, DELETE | SYNCHRONIZE, 0, err));
  if (!h.Valid()) return false;
  // The entry checked above is renamed through its handle; an existing entry is never
  // replaced (EEXIST).
  const std::size_t bytes = new_path.size() * sizeof(wchar_t);
  std::vector<std::uint64_t> buf((sizeof(FILE_RENAME_INFO) + bytes) / sizeof(std::uint64_t) + 1);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buf.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(reinterpret_cast<unsigned char*>(buf.data()) + offsetof(FILE_RENAME_INFO, FileName),
              new_path.data(), bytes);
  const auto size = static_cast<DWORD>(buf.size() * sizeof(std::uint64_t));
  if (::SetFileInformationByHandle(h.Get(), FileRenameInfo, info, size)) return true;
  err = LastError();
  return false;
}

// Windows directories have no permission bits: `mode` has nothing to apply to (a read-only
// attribute would only make the directory impossible to remove).
bool DirHandle::MakeChildDir(const NativeName& name, unsigned /*mode*/, int& err) const {
  std::wstring full;
  if (!ChildPath(path_, name, full, err)) return false;
  if (::CreateDirectoryW(full.c_str(), nullptr)) return true;
  err = LastError();
  return false;
}

bool DirHandle::MakeChildLink(const NativeName& name, const NativeName& target, int& err) const {
  std::wstring full;
  if (!ChildPath(path_, name, full, err)) return false;
  if (target.empty() || target.find(L'\0') != NativeName::npos) {
    err = target.empty() ? ENOENT : EINVAL;
    return false;
  }
  DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if (TargetIsDirectory(path_, target)) flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  bool made = ::CreateSymbolicLinkW(full.c_str(), target.c_str(), flags) != 0;
  if (!made && ::GetLastError() == ERROR_INVALID_PARAMETER) {  // systems before the flag
    flags &= ~DWORD{SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE};
    made = ::CreateSymbolicLinkW(full.c_str(), target.c_str(), flags) != 0;
  }
  if (!made) {
    err = LinkError(::GetLastError());
    return false;
  }
  // A system that answers yes without making the link (an emulator's placeholder) must not
  // pass for one that made it; whatever the name holds then is not this call's, and stays.
  const DWORD a = ::GetFileAttributesW(full.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    err = ENOSYS;
    return false;
  }
  return true;
}

// Windows has no FIFOs in directories.
bool DirHandle::MakeChildFifo(const NativeName& /*name*/, unsigned /*mode*/, int& err) const {
  err = ENOSYS;
  return false;
}

bool DirHandle::ReadChildLink(const NativeName& name, NativeName& target, int& err) const {
  const Owned h(OpenEntry(DirRef{handle_, path_}, name, FILE_READ_ATTRIBUTES, 0, err));
  if (!h.Valid()) return false;
  std::vector<std::uint64_t> buf(MAXIMUM_REPARSE_DATA_BUFFER_SIZE / sizeof(std::uint64_t));
  DWORD got = 0;
  if (!::DeviceIoControl(h.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buf.data(),
                         MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &got, nullptr)) {
    const DWORD code = ::GetLastError();
    err = code == ERROR_NOT_A_REPARSE_POINT ? EINVAL : FoldWin32Error(code);
    return false;
  }
  const std::size_t n =
      got < MAXIMUM_REPARSE_DATA_BUFFER_SIZE ? got : MAXIMUM_REPARSE_DATA_BUFFER_SIZE;
  return LinkTargetOf(reinterpret_cast<const unsigned char*>(buf.data()), n, target, err);
}

TFileHandle DirHandle::OpenChildForReading(const NativeName& name, int& err) const {
  Owned h(OpenEntry(DirRef{handle_, path_}, name, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN, err));
  if (!h.Valid() || !CheckRegular(h.Get(), false, err)) return kInvalidFileHandle;
  return DescriptorOf(h.Release(), err);
}

// The file is created with no read-only attribute, which is what 0600 comes to on Windows.
// An existing file is opened first and truncated only once it proved to be a regular,
// writable file, so a link or a read-only file is never cut short.
TFileHandle DirHandle::CreateChildFile(const NativeName& name, bool exclusive, int& err) const {
  std::wstring full;
  if (!ChildPath(path_, name, full, err)) return kInvalidFileHandle;
  const DirRef dir{handle_, path_};
  for (int tries = 0; tries < 4; ++tries) {  // the name may come and go in between
    if (!exclusive) {
      const HANDLE old = OpenEntry(dir, name, kWriteAccess, 0, err);
      if (old != INVALID_HANDLE_VALUE) return Truncated(old, err);
      if (err != ENOENT) return kInvalidFileHandle;
    }
    const HANDLE made = CreateNew(dir, full, name, err);
    if (made != INVALID_HANDLE_VALUE) return DescriptorOf(made, err);
    if (exclusive || err != EEXIST) return kInvalidFileHandle;
  }
  return kInvalidFileHandle;
}

bool PathInfo(const NativeName& path, bool follow, NodeInfo& info, int& err) {
  if (path.empty() || path.find(L'\0') != NativeName::npos) {
    err = path.empty() ? ENOENT : EINVAL;
    return false;
  }
  const DWORD flags = follow ? FILE_FLAG_BACKUP_SEMANTICS : kNoFollow;
  const Owned h(OpenRaw(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, flags, err));
  return h.Valid() && Describe(h.Get(), info, err);
}

bool CurrentDirChain(std::vector<FileId>& chain, int& err) {
  chain.clear();
  std::wstring cwd(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(cwd.size()), cwd.data());
    if (n == 0) {
      err = LastError();
      return false;
    }
    const bool fits = n < cwd.size();
    cwd.resize(n);
    if (fits) break;
  }
  // From the name of what the current directory is, so that ".." of each is its real parent.
  const Owned h(OpenDirectory(cwd, true, err));
  std::wstring path;
  if (!h.Valid() || !FullNameOf(h.Get(), cwd, path, err)) return false;
  for (;;) {
    NodeInfo info;
    if (!PathInfo(path, true, info, err)) return false;
    chain.push_back(info.id);
    std::wstring up = ParentPath(path);
    if (up.size() >= path.size()) return true;  // the root
    path = std::move(up);
  }
}

bool SetHandleMode(TFileHandle handle, unsigned mode, int& err) {
  const HANDLE h = HandleOf(handle);
  FILE_BASIC_INFO basic;
  if (h == INVALID_HANDLE_VALUE ||
      !::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
    err = h == INVALID_HANDLE_VALUE ? EBADF : LastError();
    return false;
  }
  const DWORD was = basic.FileAttributes;
  DWORD want =
      (mode & 0200) != 0 ? was & ~DWORD{FILE_ATTRIBUTE_READONLY} : was | FILE_ATTRIBUTE_READONLY;
  if (want == was) return true;
  FILE_BASIC_INFO change{};  // times of 0 are left as they are
  change.FileAttributes = want == 0 ? FILE_ATTRIBUTE_NORMAL : want;
  if (::SetFileInformationByHandle(h, FileBasicInfo, &change, sizeof change)) return true;
  if (::GetLastError() != ERROR_ACCESS_DENIED) {
    err = LastError();
    return false;
  }
  // A handle opened for reading may not change attributes; a second handle to the same open
  // file (never a name) asks for that right.
  const Owned again(::ReOpenFile(h, FILE_WRITE_ATTRIBUTES, kShareAll, kNoFollow));
  if (again.Valid() &&
      ::SetFileInformationByHandle(again.Get(), FileBasicInfo, &change, sizeof change)) {
    return true;
  }
  err = LastError();
  return false;
}

bool HandleInfo(TFileHandle handle, NodeInfo& info, int& err) {
  const HANDLE h = HandleOf(handle);
  if (h != INVALID_HANDLE_VALUE) return Describe(h, info, err);
  err = EBADF;
  return false;
}

// Windows applies no creation mask.
unsigned CurrentUmask() {
  return 0;
}

bool ToNative(const String& name, NativeName& out) {
  if (name.find(u'\0') != String::npos) return false;
  out = Wide(name);
  return true;
}

String FromNative(const NativeName& name) {
  return Utf16(name);
}

// The directory listing carries no kinds here that the walk could trust without a check of
// its own: every entry is described afterwards through ChildInfo.
bool DirHandle::ListKinds(std::vector<NativeName>& names, std::vector<NodeKind>& kinds,
                          int& err) const {
  if (!List(names, err)) return false;
  kinds.assign(names.size(), NodeKind::kOther);
  return true;
}

NodeKind DirHandle::ChildTargetKind(const NativeName& name) const {
  NodeInfo info;
  int err = 0;
  return PathInfo(path_ + L"\\" + name, true, info, err) ? info.kind : NodeKind::kOther;
}

}  // namespace krv::detail
