// Windows implementation of korvex/platform/filesystem.h: names are real Windows paths on the
// system's own drives (no drive mapping), listings come from FindFirstFileW, attributes and
// times from the file system, of names and of open handles.
#include <cerrno>

#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "platform/internal/file_identity.h"
#include "platform/internal/fs_names.h"
#include "platform/win32/win32_util.h"

namespace krv {
namespace detail {

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

// The system's side of a listing: a FindFirstFileW search over every entry of a directory.
struct OsListing {
  HANDLE find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
  bool pending = false;  // `data` holds an entry not yet looked at
  std::wstring dir;      // the listed directory, with a trailing '\'
  ~OsListing() {
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
  }
};

namespace {

bool FailLast() {
  return Fail(LastError());
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

}  // namespace

bool ResolveName(const String& name, std::string& out) {
  if (!Resolve(ExpandFileName(name), out)) return Fail(EINVAL);
  return true;
}

namespace {

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

// Describes "." or ".." of the listed directory from the directory itself.
bool DescribeDot(const std::wstring& path, TSearchRec& rec) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return false;
  Describe(d.dwFileAttributes, 0, 0, d.ftLastWriteTime, rec);
  return true;
}

// The name of a found entry, as the system stores it.
std::u16string_view StoredName(const WIN32_FIND_DATAW& d) {
  const std::wstring_view name(d.cFileName);
  return {reinterpret_cast<const char16_t*>(name.data()), name.size()};
}

// Describes an entry from what the search returned for it.
void DescribeFound(const WIN32_FIND_DATAW& d, TSearchRec& rec) {
  Describe(d.dwFileAttributes, d.nFileSizeHigh, d.nFileSizeLow, d.ftLastWriteTime, rec);
}

int FindSingle(const String& expanded, Integer attr, TSearchRec& rec) {
  std::string native;
  if (!Resolve(expanded, native)) return kFsInvalidName;
  WIN32_FIND_DATAW d;
  const HANDLE find = ::FindFirstFileW(WidePath(native).c_str(), &d);
  if (find == INVALID_HANDLE_VALUE) return FailCode(LastError());
  ::FindClose(find);
  DescribeFound(d, rec);
  if (!PassesFilter(rec.Attr, attr)) return kFsFileNotFound;
  rec.Name.assign(StoredName(d));
  // A listing that has ended: FindNext records ENOENT as at the end of any listing.
  rec.FindData = std::make_unique<FindState>();
  rec.FindData->os.reset(new OsListing);
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

// ---- The listing primitives of OpenListing ---------------------------------------------------

void OsCloseListing(OsListing* listing) {
  delete listing;
}

OsListingPtr OsOpenListing(const std::string& dir, int& err) {
  OsListingPtr listing(new OsListing);
  listing->dir = WidePath(dir);
  if (listing->dir.back() != L'\\') listing->dir += L'\\';
  // The system lists everything; the library's own mask rules pick the entries.
  listing->find = ::FindFirstFileW((listing->dir + L'*').c_str(), &listing->data);
  if (listing->find != INVALID_HANDLE_VALUE) {
    listing->pending = true;
    return listing;
  }
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return listing;  // the directory stores no entry at all
  err = FoldWin32Error(code);
  return nullptr;
}

bool OsNextEntry(OsListing& listing, std::u16string& folded) {
  for (;;) {
    if (!listing.pending &&
        (listing.find == INVALID_HANDLE_VALUE || !::FindNextFileW(listing.find, &listing.data))) {
      return false;
    }
    listing.pending = false;
    const std::u16string_view name = StoredName(listing.data);
    if (name == u"." || name == u"..") continue;
    FoldInto(name, folded);
    return true;
  }
}

bool OsDescribeEntry(const OsListing& listing, TSearchRec& rec) {
  DescribeFound(listing.data, rec);
  return true;
}

void OsEntryName(const OsListing& listing, String& name) {
  name.assign(StoredName(listing.data));
}

bool OsDescribeDot(const OsListing& listing, bool parent, TSearchRec& rec) {
  return DescribeDot(parent ? listing.dir + L".." : listing.dir, rec);
}

}  // namespace detail

using detail::Fail;

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
  return detail::OpenListing(dir, mask, attr, parts.components.size() <= 1, rec);
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
  return detail::FailCode(err != 0 ? err : detail::LastError());
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
  return err == 0 ? 0 : detail::FailCode(err);
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

bool SetCurrentDir(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  if (!::SetCurrentDirectoryW(detail::WidePath(native).c_str())) return detail::FailLast();
  return true;
}

// ---- Plain file handles -----------------------------------------------------------------------
// Opening, reading and writing a handle are portable (file_handles.cpp); what a file's
// attributes and its handle tell stays here.

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
    return detail::FailCode(detail::LastError());
  }
  return 0;
}

}  // namespace krv
