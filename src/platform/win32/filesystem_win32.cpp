// Windows implementation of korvex/platform/filesystem.h: names are real Windows paths on the
// system's own drives (no drive mapping), listings come from FindFirstFileW, attributes and
// times from the file system, plain file handles from CreateFileW.
#include <cerrno>

#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "platform/internal/file_identity.h"
#include "platform/internal/fs_names.h"
#include "platform/internal/os_file.h"
#include "platform/win32/win32_util.h"

namespace krv {
namespace detail {

namespace {
thread_local int t_last_error = 0;
}  // namespace

void SetLastOSError(int code) {
  t_last_error = code;
}

std::string OsCurrentDir() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return Narrow(buf);
    }
    buf.resize(n);
  }
}

bool OsIsNativeDirectory(const std::string& native) {
  const DWORD a = ::GetFileAttributesW(WidePath(native).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The listing state behind TSearchRec::FindData.
struct FindState {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
  bool pending = false;  // `data` holds an entry not yet looked at
  int phase = 0;         // 0: ".", 1: "..", 2: directory entries, 3: done
  std::wstring dir;      // the listed directory, with a trailing '\'
  WildMask mask;
  Integer attr = 0;
  std::u16string folded;
  std::vector<std::uint8_t> scratch;
  ~FindState() {
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  }
};

namespace {

bool Fail(int code) {
  SetLastOSError(code);
  return false;
}

bool FailLast() {
  return Fail(LastError());
}

int CodeOf(int err) {
  switch (err) {
    case ENOENT:
      return kFsFileNotFound;
    case ENOTDIR:
      return kFsPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kFsAccessDenied;
    case ENAMETOOLONG:
    case EINVAL:
      return kFsInvalidName;
    default:
      return kFsOsErrorBase + err;
  }
}

bool DriveExists(Char drive) {
  const Char u = AsciiUpper(drive);
  return u >= u'A' && u <= u'Z' && (::GetLogicalDrives() & (1u << (u - u'A'))) != 0;
}

// The native path of an expanded name: its drive's root and components. False for names that
// cannot name a file (UNC names, NUL characters, drives the system does not have).
bool Resolve(const String& expanded, std::string& out) {
  WinParts parts;
  if (!SplitExpanded(expanded, parts) || !DriveExists(parts.drive)) return false;
  String path{parts.drive, u':', u'\\'};
  for (std::size_t i = 0; i < parts.components.size(); ++i) {
    if (i > 0) path += u'\\';
    path += parts.components[i];
  }
  out = ToUtf8(path);
  return true;
}

bool ResolveName(const String& name, std::string& out) {
  if (!Resolve(ExpandFileName(name), out)) return Fail(EINVAL);
  return true;
}

Integer AttrOf(DWORD a) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_REPARSE_POINT;
  static_assert(FILE_ATTRIBUTE_READONLY == faReadOnly && FILE_ATTRIBUTE_HIDDEN == faHidden &&
                FILE_ATTRIBUTE_SYSTEM == faSysFile && FILE_ATTRIBUTE_DIRECTORY == faDirectory &&
                FILE_ATTRIBUTE_ARCHIVE == faArchive && FILE_ATTRIBUTE_REPARSE_POINT == faSymLink);
  return static_cast<Integer>(a & kKept);
}

void Describe(DWORD attrs, DWORD size_high, DWORD size_low, const FILETIME& written,
              TSearchRec& rec) {
  rec.Attr = AttrOf(attrs);
  const bool dir = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  rec.Size = dir ? 0 : static_cast<Int64>((static_cast<std::uint64_t>(size_high) << 32) | size_low);
  rec.Time = NanosOf(written);
}

bool PassesFilter(Integer entry_attr, Integer wanted) {
  const Integer exclude = ~wanted & (faHidden | faSysFile | faVolumeID | faDirectory);
  return (entry_attr & exclude) == 0;
}

// Describes "." or ".." of the listed directory from the directory itself.
bool DescribeDot(const std::wstring& path, TSearchRec& rec) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return false;
  Describe(d.dwFileAttributes, 0, 0, d.ftLastWriteTime, rec);
  return true;
}

// The next entry of the listing that matches and passes the filter: 0 or kFsNoMoreFiles.
int Advance(TSearchRec& rec) {
  FindState* s = rec.FindData.get();
  if (s == nullptr) return kFsNoMoreFiles;
  while (s->phase < 3) {
    if (s->phase < 2) {
      const bool dot = s->phase == 0;
      ++s->phase;
      FoldInto(dot ? u"." : u"..", s->folded);
      if (!s->mask.MatchFolded(s->folded, s->scratch)) continue;
      if (!DescribeDot(dot ? s->dir : s->dir + L"..", rec)) continue;
      if (!PassesFilter(rec.Attr, s->attr)) continue;
      rec.Name = dot ? u"." : u"..";
      return 0;
    }
    if (!s->pending && (s->find == INVALID_HANDLE_VALUE || !::FindNextFileW(s->find, &s->data))) {
      s->phase = 3;
      break;
    }
    s->pending = false;
    const std::wstring_view name(s->data.cFileName);
    if (name == L"." || name == L"..") continue;
    const std::u16string_view name16(reinterpret_cast<const char16_t*>(name.data()), name.size());
    FoldInto(name16, s->folded);
    if (!s->mask.MatchFolded(s->folded, s->scratch)) continue;
    const WIN32_FIND_DATAW& d = s->data;
    Describe(d.dwFileAttributes, d.nFileSizeHigh, d.nFileSizeLow, d.ftLastWriteTime, rec);
    if (!PassesFilter(rec.Attr, s->attr)) continue;
    rec.Name.assign(name16);
    return 0;
  }
  SetLastOSError(ENOENT);
  return kFsNoMoreFiles;
}

int FindSingle(const String& expanded, Integer attr, TSearchRec& rec) {
  std::string native;
  if (!Resolve(expanded, native)) return kFsInvalidName;
  WIN32_FIND_DATAW d;
  const HANDLE find = ::FindFirstFileW(WidePath(native).c_str(), &d);
  if (find == INVALID_HANDLE_VALUE) {
    const int err = LastError();
    SetLastOSError(err);
    return CodeOf(err);
  }
  ::FindClose(find);
  Describe(d.dwFileAttributes, d.nFileSizeHigh, d.nFileSizeLow, d.ftLastWriteTime, rec);
  if (!PassesFilter(rec.Attr, attr)) return kFsFileNotFound;
  rec.Name.assign(reinterpret_cast<const char16_t*>(d.cFileName));
  rec.FindData = std::make_unique<FindState>();
  rec.FindData->phase = 3;
  return 0;
}

bool AttributesOf(const std::string& native, WIN32_FILE_ATTRIBUTE_DATA& d) {
  if (::GetFileAttributesExW(WidePath(native).c_str(), GetFileExInfoStandard, &d)) return true;
  return FailLast();
}

// Sets the last-write time of an open handle.
bool SetWriteTime(HANDLE h, TFileTime time) {
  const FILETIME ft = FileTimeOf(time);
  return ::SetFileTime(h, nullptr, nullptr, &ft) != 0;
}

}  // namespace
}  // namespace detail

using detail::Fail;

int GetLastOSError() {
  return detail::t_last_error;
}

String SysErrorMessage(int code) {
  return ToUtf16(detail::OsErrorText(code));
}

std::string ToNativePath(const String& name) {
  std::string out;
  if (!detail::Resolve(ExpandFileName(name), out)) return {};
  return out;
}

// ---- Drives: the system's own ------------------------------------------------------------------

// Windows has its drives already: mapping is refused, and the drive list is the system's.
bool MapDrive(Char /*letter*/, std::string_view /*native_dir*/) {
  return false;
}

bool UnmapDrive(Char /*letter*/) {
  return false;
}

std::vector<TDriveMapping> MappedDrives() {
  std::vector<TDriveMapping> out;
  const DWORD mask = ::GetLogicalDrives();
  for (int d = 0; d < 26; ++d) {
    if ((mask & (1u << d)) == 0) continue;
    const char root[] = {static_cast<char>('A' + d), ':', '\\', '\0'};
    out.push_back({static_cast<Char>(u'A' + d), root});
  }
  return out;
}

std::uint32_t GetLogicalDrives() {
  return ::GetLogicalDrives();
}

std::string DriveNativeRoot(Char letter) {
  if (!detail::DriveExists(letter)) return {};
  return {static_cast<char>(AsciiUpper(letter)), ':', '\\'};
}

String FromNativePath(std::string_view native) {
  if (native.empty() || native.find('\0') != std::string_view::npos) return {};
  std::wstring w = detail::WidePath(native);
  if (w.rfind(L"\\\\?\\", 0) == 0) w.erase(0, 4);
  const bool drive_absolute = w.size() >= 3 && w[1] == L':' && w[2] == L'\\';
  if (!drive_absolute) {
    const DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring full(n, L'\0');
    const DWORD m = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    if (m == 0 || m >= n) return {};
    full.resize(m);
    w = std::move(full);
    if (w.size() < 3 || w[1] != L':' || w[2] != L'\\') return {};  // UNC: no drive
  }
  return ExpandFileName(String(w.begin(), w.end()));
}

// ---- Listing -------------------------------------------------------------------------------

TSearchRec::TSearchRec() = default;
TSearchRec::~TSearchRec() = default;
TSearchRec::TSearchRec(TSearchRec&&) noexcept = default;
TSearchRec& TSearchRec::operator=(TSearchRec&&) noexcept = default;

int FindFirst(const String& path_with_mask, Integer attr, TSearchRec& rec) {
  FindClose(rec);
  const String e = ExpandFileName(path_with_mask);
  detail::WinParts parts;
  if (!detail::SplitExpanded(e, parts)) return kFsInvalidName;
  const std::size_t cut = e.rfind(u'\\') + 1;
  const String mask = e.substr(cut);
  if (mask.empty()) return kFsFileNotFound;
  if (!HasWildcards(mask)) return detail::FindSingle(e, attr, rec);
  std::string dir;
  if (!detail::Resolve(e.substr(0, cut), dir)) return kFsInvalidName;
  auto state = std::make_unique<detail::FindState>();
  state->dir = detail::WidePath(dir);
  if (state->dir.back() != L'\\') state->dir += L'\\';
  // The system lists everything; the library's own mask rules pick the entries.
  state->find = ::FindFirstFileW((state->dir + L'*').c_str(), &state->data);
  if (state->find == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_NOT_FOUND) {
      const int err = detail::FoldWin32Error(code);
      detail::SetLastOSError(err);
      return err == ENOENT || err == ENOTDIR ? kFsPathNotFound : detail::CodeOf(err);
    }
  } else {
    state->pending = true;
  }
  state->mask = detail::WildMask(mask);
  state->attr = attr;
  state->phase = parts.components.size() <= 1 ? 2 : 0;  // a drive's root has no "." or ".."
  rec.FindData = std::move(state);
  if (detail::Advance(rec) != 0) {
    FindClose(rec);
    return kFsFileNotFound;
  }
  return 0;
}

int FindNext(TSearchRec& rec) {
  return detail::Advance(rec);
}

void FindClose(TSearchRec& rec) {
  rec.FindData.reset();
}

// ---- Questions and changes -------------------------------------------------------------------

bool FileExists(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return false;
  return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return false;
  return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Integer FileGetAttr(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return -1;
  return detail::AttrOf(d.dwFileAttributes);
}

int FileSetAttr(const String& name, Integer attr) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kFsInvalidName;
  const std::wstring w = detail::WidePath(native);
  const DWORD a = ::GetFileAttributesW(w.c_str());
  const int err = a == INVALID_FILE_ATTRIBUTES ? detail::LastError() : 0;
  if (err == 0) {
    DWORD want = (attr & faReadOnly) != 0 ? (a | FILE_ATTRIBUTE_READONLY)
                                          : (a & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (want == 0) want = FILE_ATTRIBUTE_NORMAL;
    if (want == a || ::SetFileAttributesW(w.c_str(), want)) return 0;
  }
  const int code = err != 0 ? err : detail::LastError();
  detail::SetLastOSError(code);
  return detail::CodeOf(code);
}

TFileTime FileAge(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return kNoFileTime;
  return detail::NanosOf(d.ftLastWriteTime);
}

int FileSetDate(const String& name, TFileTime time) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kFsInvalidName;
  // FILE_WRITE_ATTRIBUTES is granted on read-only files too; backup semantics opens folders.
  const HANDLE h = ::CreateFileW(detail::WidePath(native).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  int err = h == INVALID_HANDLE_VALUE ? detail::LastError() : 0;
  if (err == 0) {
    if (!detail::SetWriteTime(h, time)) err = detail::LastError();
    ::CloseHandle(h);
  }
  if (err == 0) return 0;
  detail::SetLastOSError(err);
  return detail::CodeOf(err);
}

bool DeleteFile(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return false;
  const DWORD a = d.dwFileAttributes;
  if ((a & FILE_ATTRIBUTE_DIRECTORY) != 0 && (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return Fail(EISDIR);
  }
  if ((a & FILE_ATTRIBUTE_READONLY) != 0) return Fail(EACCES);
  // A link to a folder is removed as a folder entry; the folder it points to stays.
  const std::wstring w = detail::WidePath(native);
  const BOOL ok = (a & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ::RemoveDirectoryW(w.c_str())
                                                      : ::DeleteFileW(w.c_str());
  return ok ? true : detail::FailLast();
}

bool RenameFile(const String& old_name, const String& new_name) {
  std::string from;
  std::string to;
  if (!detail::ResolveName(old_name, from) || !detail::ResolveName(new_name, to)) return false;
  // Without MOVEFILE_REPLACE_EXISTING an existing target is never replaced; the entry itself
  // may take another case of its own name.
  if (!::MoveFileExW(detail::WidePath(from).c_str(), detail::WidePath(to).c_str(), 0)) {
    return detail::FailLast();
  }
  return true;
}

bool CreateDir(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  if (!::CreateDirectoryW(detail::WidePath(native).c_str(), nullptr)) return detail::FailLast();
  return true;
}

bool RemoveDir(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return false;
  if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Fail(ENOTDIR);
  if (!::RemoveDirectoryW(detail::WidePath(native).c_str())) return detail::FailLast();
  return true;
}

bool ForceDirectories(const String& name) {
  const String e = ExcludeTrailingPathDelimiter(ExpandFileName(name));
  detail::WinParts parts;
  if (!detail::SplitExpanded(e.size() == 2 ? e + u'\\' : e, parts)) return Fail(EINVAL);
  String prefix{parts.drive, u':', u'\\'};
  if (!DirectoryExists(prefix)) return false;
  for (std::size_t i = 0; i < parts.components.size(); ++i) {
    if (i > 0) prefix += u'\\';
    prefix += parts.components[i];
    if (!DirectoryExists(prefix) && !CreateDir(prefix) && !DirectoryExists(prefix)) return false;
  }
  return true;
}

bool SetCurrentDir(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  if (!::SetCurrentDirectoryW(detail::WidePath(native).c_str())) return detail::FailLast();
  return true;
}

// ---- Plain file handles -----------------------------------------------------------------------

namespace {

DWORD ShareOf(Word mode) {
  switch (mode & 0xF0) {
    case fmShareExclusive:
      return 0;
    case fmShareDenyWrite:
      return FILE_SHARE_READ;
    case fmShareDenyRead:
      return FILE_SHARE_WRITE;
    default:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
}

// Opens the native file; directories are refused (EISDIR), as on the other systems.
TFileHandle Open(const std::string& native, DWORD access, DWORD share, DWORD disposition) {
  const std::wstring w = detail::WidePath(native);
  const DWORD a = ::GetFileAttributesW(w.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    detail::SetLastOSError(disposition == CREATE_NEW ? EEXIST : EISDIR);
    return kInvalidFileHandle;
  }
  // A read-only file is never written, even where the system would allow it (Wine as root).
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0 &&
      (access & GENERIC_WRITE) != 0) {
    detail::SetLastOSError(disposition == CREATE_NEW ? EEXIST : EACCES);
    return kInvalidFileHandle;
  }
  const HANDLE h =
      ::CreateFileW(w.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    detail::SetLastOSError(detail::LastError());
    return kInvalidFileHandle;
  }
  int err = 0;
  const int fd = detail::DescriptorOf(h, err);
  if (fd < 0) detail::SetLastOSError(err);
  return fd;
}

}  // namespace

TFileHandle FileOpen(const String& name, Word mode) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kInvalidFileHandle;
  const int access = mode & 3;
  if (access == 3) {
    detail::SetLastOSError(EINVAL);
    return kInvalidFileHandle;
  }
  const DWORD rights = access == fmOpenRead    ? GENERIC_READ
                       : access == fmOpenWrite ? GENERIC_WRITE
                                               : GENERIC_READ | GENERIC_WRITE;
  return Open(native, rights, ShareOf(mode), OPEN_EXISTING);
}

TFileHandle FileCreate(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kInvalidFileHandle;
  return Open(native, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
              CREATE_ALWAYS);
}

TFileHandle FileCreateNew(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kInvalidFileHandle;
  return Open(native, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_NEW);
}

Int64 FileRead(TFileHandle handle, void* buffer, Int64 count) {
  if (count < 0) return -1;
  int err = 0;
  const std::ptrdiff_t n = detail::OsRead(handle, buffer, static_cast<std::size_t>(count), err);
  if (n < 0) detail::SetLastOSError(err);
  return n;
}

Int64 FileWrite(TFileHandle handle, const void* buffer, Int64 count) {
  if (count < 0) return -1;
  int err = 0;
  const std::size_t n = detail::OsWrite(handle, buffer, static_cast<std::size_t>(count), err);
  if (err != 0 && n == 0) {
    detail::SetLastOSError(err);
    return -1;
  }
  return static_cast<Int64>(n);
}

Int64 FileSeek(TFileHandle handle, Int64 offset, int origin) {
  if (origin < 0 || origin > 2) return -1;
  int err = 0;
  const std::int64_t r = detail::OsSeek(handle, offset, origin, err);
  if (r < 0) detail::SetLastOSError(err);
  return r;
}

bool FileClose(TFileHandle handle) {
  if (handle < 0) return Fail(EBADF);
  int err = 0;
  if (!detail::OsClose(handle, err)) return Fail(err);
  return true;
}

bool SameFile(const String& name, TFileHandle handle) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  detail::FileId a;
  detail::FileId b;
  if (!detail::NativeFileId(native, a) || !detail::HandleFileId(handle, b)) {
    return detail::FailLast();
  }
  return a == b;
}

Int64 FileSizeOfHandle(TFileHandle handle) {
  int err = 0;
  const std::int64_t r = detail::OsFileSize(handle, err);
  if (r < 0) detail::SetLastOSError(err);
  return r;
}

Int64 FileSize64(const String& name) {
  std::string native;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!detail::ResolveName(name, native) || !detail::AttributesOf(native, d)) return -1;
  if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    detail::SetLastOSError(EISDIR);
    return -1;
  }
  return static_cast<Int64>((static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
}

TFileTime FileGetDate(TFileHandle handle) {
  FILETIME written;
  if (!::GetFileTime(detail::HandleOf(handle), nullptr, nullptr, &written)) {
    detail::SetLastOSError(detail::LastError());
    return kNoFileTime;
  }
  return detail::NanosOf(written);
}

int FileSetDate(TFileHandle handle, TFileTime time) {
  if (!detail::SetWriteTime(detail::HandleOf(handle), time)) {
    const int err = detail::LastError();
    detail::SetLastOSError(err);
    return detail::CodeOf(err);
  }
  return 0;
}

}  // namespace krv
