// POSIX implementation of korvex/platform/filesystem.h: name resolution, listings,
// attributes, times and plain file handles.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "platform/internal/fs_names.h"

namespace krv {
namespace detail {

std::string OsCurrentDir() {
  std::string buf(256, '\0');
  for (;;) {
    if (::getcwd(buf.data(), buf.size()) != nullptr) {
      buf.resize(std::strlen(buf.c_str()));
      return buf;
    }
    if (errno != ERANGE || buf.size() > (1u << 20)) return {};
    buf.resize(buf.size() * 2);
  }
}

bool OsIsNativeDirectory(const std::string& native) {
  struct stat st;
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The system's side of a listing: an open directory stream.
struct OsListing {
  DIR* dir = nullptr;
  const char* name = nullptr;  // the entry OsNextEntry moved to
  ~OsListing() {
    if (dir != nullptr) ::closedir(dir);
  }
};

namespace {

void Append(std::string& path, std::string_view comp) {
  if (path.empty() || path.back() != '/') path += '/';
  path += comp;
}

// Decodes a stored name into `out` without folding (bad bytes escaped, see FromNativeName).
void DecodeName(const char* name, String& out) {
  DecodeInto(name, out);
}

// The stored name in native directory `dir` equal to `folded` ignoring case; of several the
// first in byte order. False when there is none (or the directory cannot be read).
bool ScanFolded(const std::string& dir, std::u16string_view folded, std::string& found) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return false;
  std::u16string buf;
  bool any = false;
  while (const dirent* e = ::readdir(d)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    // Cheap reject on the first byte when both sides are ASCII there.
    const unsigned char b0 = static_cast<unsigned char>(n[0]);
    if (b0 < 0x80 && !folded.empty() && folded[0] < 0x80 &&
        AsciiLower(static_cast<Char>(b0)) != folded[0]) {
      continue;
    }
    if (!DecodeFolded(n, buf) || buf != folded) continue;
    if (!any || std::strcmp(n, found.c_str()) < 0) found = n;
    any = true;
  }
  ::closedir(d);
  return any;
}

// Resolves an expanded name to a native path (see the header on case). False when the name
// cannot name a native file.
bool Resolve(const String& expanded, std::string& out) {
  WinParts parts;
  if (!SplitExpanded(expanded, parts)) return false;
  out = DriveNativeRoot(parts.drive);
  if (out.empty()) return false;
  const std::string root = out;
  std::vector<std::string> utf8(parts.components.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (!ToNativeName(parts.components[i], utf8[i])) return false;
  }
  for (const std::string& c : utf8) Append(out, c);
  struct stat st;
  if (::lstat(out.c_str(), &st) == 0 || errno != ENOENT) return true;
  out = root;
  std::size_t k = 0;
  std::u16string folded;
  std::string found;
  for (; k < utf8.size(); ++k) {
    const std::size_t len = out.size();
    Append(out, utf8[k]);
    if (::lstat(out.c_str(), &st) == 0) continue;
    const int err = errno;
    out.resize(len);
    if (err != ENOENT) break;
    FoldInto(parts.components[k], folded);
    if (!ScanFolded(out, folded, found)) break;
    Append(out, found);
  }
  for (; k < utf8.size(); ++k) Append(out, utf8[k]);
  return true;
}

}  // namespace

bool ResolveVerbatimOrLiteral(const String& name, std::string& out, bool& done) {
  done = true;
  if (name.empty() || name.find(Char{0}) != String::npos) return false;
  if (IsVerbatimName(name)) {
    return ToNativeName(std::u16string_view(name).substr(4), out) && !out.empty();
  }
  // A name that exists natively exactly as written is that entry, before any Windows rule:
  // a folder called "c:" is that folder, "Build" is not "build".
  struct stat st;
  if (ToNativeName(name, out) && ::lstat(out.c_str(), &st) == 0) return true;
  done = false;
  return false;
}

bool ResolveName(const String& name, std::string& out) {
  bool done;
  if (ResolveVerbatimOrLiteral(name, out, done)) return true;
  if (done || !Resolve(ExpandFileName(name), out)) return Fail(EINVAL);
  return true;
}

namespace {

TFileTime TimeOf(const struct stat& st) {
  return static_cast<TFileTime>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

struct timespec SpecOf(TFileTime t) {
  struct timespec ts;
  std::int64_t sec = t / 1000000000;
  std::int64_t ns = t % 1000000000;
  if (ns < 0) ns += 1000000000, --sec;
  ts.tv_sec = static_cast<time_t>(sec);
  ts.tv_nsec = static_cast<long>(ns);
  return ts;
}

bool IsDotName(const char* n) {
  return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

// Attributes, size and time of an entry from its lstat and (for links) its target's stat.
void Describe(const char* name, const struct stat& lst, const struct stat* target,
              TSearchRec& rec) {
  Integer a = 0;
  const struct stat* st = &lst;
  if (S_ISLNK(lst.st_mode)) {
    a |= faSymLink;
    st = target;
  }
  if (st != nullptr) {
    if (S_ISDIR(st->st_mode)) {
      a |= faDirectory;
    } else if (S_ISREG(st->st_mode)) {
      a |= faArchive;
    } else {
      a |= faSysFile;
    }
    if ((st->st_mode & S_IWUSR) == 0) a |= faReadOnly;
    rec.Size = S_ISREG(st->st_mode) ? static_cast<Int64>(st->st_size) : 0;
    rec.Time = TimeOf(*st);
  } else {
    rec.Size = 0;
    rec.Time = TimeOf(lst);
  }
  if (name[0] == '.' && !IsDotName(name)) a |= faHidden;
  rec.Attr = a;
}

// Describes the entry `name` of the open directory; false when it vanished.
bool DescribeAt(int dfd, const char* name, TSearchRec& rec) {
  struct stat lst, target;
  if (::fstatat(dfd, name, &lst, AT_SYMLINK_NOFOLLOW) != 0) return false;
  const bool link_ok = S_ISLNK(lst.st_mode) && ::fstatat(dfd, name, &target, 0) == 0;
  Describe(name, lst, link_ok ? &target : nullptr, rec);
  return true;
}

int FindSingle(const String& name, Integer attr, TSearchRec& rec) {
  std::string native;
  if (!ResolveName(name, native)) return kFsInvalidName;
  struct stat lst, target;
  if (::lstat(native.c_str(), &lst) != 0) return FailCode(errno);
  const bool link_ok = S_ISLNK(lst.st_mode) && ::stat(native.c_str(), &target) == 0;
  const std::string base = native.substr(native.rfind('/') + 1);
  Describe(base.c_str(), lst, link_ok ? &target : nullptr, rec);
  if (!PassesFilter(rec.Attr, attr)) return kFsFileNotFound;
  DecodeName(base.c_str(), rec.Name);
  rec.FindData = std::make_unique<FindState>();
  rec.FindData->phase = 3;
  return 0;
}

}  // namespace

// ---- The listing primitives of OpenListing ---------------------------------------------------

void OsCloseListing(OsListing* listing) {
  delete listing;
}

OsListingPtr OsOpenListing(const std::string& dir, int& err) {
  OsListingPtr listing(new OsListing);
  listing->dir = ::opendir(dir.c_str());
  if (listing->dir != nullptr) return listing;
  err = errno;
  return nullptr;
}

bool OsNextEntry(OsListing& listing, std::u16string& folded) {
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(listing.dir);
    if (e == nullptr) return false;
    if (IsDotName(e->d_name)) continue;
    listing.name = e->d_name;
    DecodeFolded(listing.name, folded);
    return true;
  }
}

bool OsDescribeEntry(const OsListing& listing, TSearchRec& rec) {
  return DescribeAt(::dirfd(listing.dir), listing.name, rec);
}

void OsEntryName(const OsListing& listing, String& name) {
  DecodeName(listing.name, name);
}

bool OsDescribeDot(const OsListing& listing, bool parent, TSearchRec& rec) {
  return DescribeAt(::dirfd(listing.dir), parent ? ".." : ".", rec);
}

}  // namespace detail

using detail::Fail;

std::string ToNativePath(const String& name) {
  std::string out;
  if (!detail::ResolveName(name, out)) return {};
  return out;
}

// ---- Listing -------------------------------------------------------------------------------

int FindFirst(const String& path_with_mask, Integer attr, TSearchRec& rec) {
  FindClose(rec);
  std::string dir;
  String mask;
  bool at_root = false;
  // A directory part that is verbatim or exists natively as written is taken as it is.
  const std::size_t given_cut = path_with_mask.find_last_of(u"\\/");
  bool literal = false;
  if (given_cut != String::npos) {
    mask = path_with_mask.substr(given_cut + 1);
    if (!detail::ResolveVerbatimOrLiteral(path_with_mask.substr(0, given_cut + 1), dir, literal) &&
        literal) {
      return kFsInvalidName;
    }
    at_root = literal && detail::IsDriveRootNative(dir);
  }
  if (!literal) {
    const String e = ExpandFileName(path_with_mask);
    detail::WinParts parts;
    if (!detail::SplitExpanded(e, parts)) return kFsInvalidName;
    const std::size_t cut = e.rfind(u'\\') + 1;
    mask = e.substr(cut);
    if (mask.empty()) return kFsFileNotFound;
    if (!HasWildcards(mask)) return detail::FindSingle(e, attr, rec);
    if (!detail::Resolve(e.substr(0, cut), dir)) return kFsInvalidName;
    at_root = parts.components.size() <= 1;
  } else if (mask.empty()) {
    return kFsFileNotFound;
  } else if (!HasWildcards(mask)) {
    return detail::FindSingle(path_with_mask, attr, rec);
  }
  return detail::OpenListing(dir, mask, attr, at_root, rec);
}

// ---- Questions and changes -------------------------------------------------------------------

bool FileExists(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return Fail(errno);
  return !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return Fail(errno);
  return S_ISDIR(st.st_mode);
}

Integer FileGetAttr(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return -1;
  struct stat lst, target;
  if (::lstat(native.c_str(), &lst) != 0) {
    detail::SetLastOSError(errno);
    return -1;
  }
  const bool link_ok = S_ISLNK(lst.st_mode) && ::stat(native.c_str(), &target) == 0;
  TSearchRec rec;
  const std::string base = native.substr(native.rfind('/') + 1);
  detail::Describe(base.c_str(), lst, link_ok ? &target : nullptr, rec);
  return rec.Attr;
}

int FileSetAttr(const String& name, Integer attr) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kFsInvalidName;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return detail::FailCode(errno);
  mode_t mode = st.st_mode & 07777;
  mode = (attr & faReadOnly) != 0 ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
  if (mode != (st.st_mode & 07777) && ::chmod(native.c_str(), mode) != 0) {
    return detail::FailCode(errno);
  }
  return 0;
}

TFileTime FileAge(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kNoFileTime;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) {
    detail::SetLastOSError(errno);
    return kNoFileTime;
  }
  return detail::TimeOf(st);
}

int FileSetDate(const String& name, TFileTime time) {
  std::string native;
  if (!detail::ResolveName(name, native)) return kFsInvalidName;
  struct timespec ts[2];
  ts[0].tv_sec = 0;
  ts[0].tv_nsec = UTIME_OMIT;
  ts[1] = detail::SpecOf(time);
  if (::utimensat(AT_FDCWD, native.c_str(), ts, 0) != 0) return detail::FailCode(errno);
  return 0;
}

bool DeleteFile(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return Fail(EACCES);
  if (::unlink(native.c_str()) != 0) return Fail(errno);
  return true;
}

bool RenameFile(const String& old_name, const String& new_name) {
  std::string from;
  if (!detail::ResolveName(old_name, from)) return false;
  struct stat from_st, to_st;
  if (::lstat(from.c_str(), &from_st) != 0) return Fail(errno);
  const String e = ExpandFileName(new_name);
  detail::WinParts parts;
  if (!detail::SplitExpanded(e, parts) || parts.components.empty()) return Fail(EINVAL);
  std::string parent;
  if (!detail::Resolve(e.substr(0, e.rfind(u'\\') + 1), parent)) return Fail(EINVAL);
  const String& last = parts.components.back();
  std::string to = parent;
  detail::Append(to, ToUtf8(last));
  if (::lstat(to.c_str(), &to_st) == 0) {
    // Only the entry itself may already answer to the new name (a case-insensitive volume).
    if (to_st.st_dev != from_st.st_dev || to_st.st_ino != from_st.st_ino) return Fail(EEXIST);
    if (::rename(from.c_str(), to.c_str()) != 0) return Fail(errno);
    return true;
  }
  std::u16string folded;
  detail::FoldInto(last, folded);
  std::string found;
  if (detail::ScanFolded(parent, folded, found)) {
    std::string other = parent;
    detail::Append(other, found);
    if (other != from) return Fail(EEXIST);
  }
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return Fail(errno);
#endif
  // No exclusive rename on this file system: the check above is the guard.
  if (::lstat(to.c_str(), &to_st) == 0) return Fail(EEXIST);
  if (::rename(from.c_str(), to.c_str()) != 0) return Fail(errno);
  return true;
}

bool CreateDir(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  if (::mkdir(native.c_str(), 0777) != 0) return Fail(errno);
  return true;
}

bool RemoveDir(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  struct stat lst, st;
  if (::lstat(native.c_str(), &lst) != 0) return Fail(errno);
  if (S_ISLNK(lst.st_mode)) {
    if (::stat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ENOTDIR);
    if (::unlink(native.c_str()) != 0) return Fail(errno);
    return true;
  }
  if (::rmdir(native.c_str()) != 0) return Fail(errno);
  return true;
}

bool SetCurrentDir(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  if (::chdir(native.c_str()) != 0) return Fail(errno);
  return true;
}

// ---- Plain file handles -----------------------------------------------------------------------
// Opening, reading and writing a handle are portable (file_handles.cpp); what stat, fstat and
// futimens tell about a file stays here.

bool SameFile(const String& name, TFileHandle handle) {
  std::string native;
  if (!detail::ResolveName(name, native)) return false;
  struct stat a, b;
  if (::lstat(native.c_str(), &a) != 0 || ::fstat(handle, &b) != 0) return Fail(errno);
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

Int64 FileSize64(const String& name) {
  std::string native;
  if (!detail::ResolveName(name, native)) return -1;
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) {
    detail::SetLastOSError(errno);
    return -1;
  }
  if (S_ISDIR(st.st_mode)) {
    detail::SetLastOSError(EISDIR);
    return -1;
  }
  return st.st_size;
}

TFileTime FileGetDate(TFileHandle handle) {
  struct stat st;
  if (::fstat(handle, &st) != 0) {
    detail::SetLastOSError(errno);
    return kNoFileTime;
  }
  return detail::TimeOf(st);
}

int FileSetDate(TFileHandle handle, TFileTime time) {
  struct timespec ts[2];
  ts[0].tv_sec = 0;
  ts[0].tv_nsec = UTIME_OMIT;
  ts[1] = detail::SpecOf(time);
  if (::futimens(handle, ts) != 0) return detail::FailCode(errno);
  return 0;
}

}  // namespace krv
