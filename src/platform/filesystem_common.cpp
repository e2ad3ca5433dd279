// The part of korvex/platform/filesystem.h that is the same on every system: the thread's last
// failure, error codes, the listing loop of FindFirst/FindNext and ForceDirectories. What a
// listing reads from the system comes from the backend's Os... calls (internal/fs_names.h).
#include <cerrno>
#include <memory>
#include <string>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "platform/internal/fs_names.h"
#include "platform/internal/os_file.h"

namespace krv {
namespace detail {

namespace {
thread_local int t_last_error = 0;
}  // namespace

void SetLastOSError(int code) {
  t_last_error = code;
}

bool Fail(int code) {
  SetLastOSError(code);
  return false;
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

int FailCode(int err) {
  SetLastOSError(err);
  return CodeOf(err);
}

bool PassesFilter(Integer entry_attr, Integer wanted) {
  const Integer exclude = ~wanted & (faHidden | faSysFile | faVolumeID | faDirectory);
  return (entry_attr & exclude) == 0;
}

namespace {

// The next entry of the listing that matches and passes the filter: 0 or kFsNoMoreFiles.
int Advance(TSearchRec& rec) {
  FindState* s = rec.FindData.get();
  if (s == nullptr || s->os == nullptr) return kFsNoMoreFiles;
  while (s->phase < 3) {
    if (s->phase < 2) {
      const bool parent = s->phase == 1;
      ++s->phase;
      FoldInto(parent ? u".." : u".", s->folded);
      if (!s->mask.MatchFolded(s->folded, s->scratch)) continue;
      if (!OsDescribeDot(*s->os, parent, rec)) continue;
      if (!PassesFilter(rec.Attr, s->attr)) continue;
      rec.Name = parent ? u".." : u".";
      return 0;
    }
    if (!OsNextEntry(*s->os, s->folded)) {
      s->phase = 3;
      break;
    }
    if (!s->mask.MatchFolded(s->folded, s->scratch)) continue;
    if (!OsDescribeEntry(*s->os, rec)) continue;
    if (!PassesFilter(rec.Attr, s->attr)) continue;
    OsEntryName(*s->os, rec.Name);
    return 0;
  }
  SetLastOSError(ENOENT);
  return kFsNoMoreFiles;
}

}  // namespace

int OpenListing(const std::string& dir, const String& mask, Integer attr, bool at_root,
                TSearchRec& rec) {
  int err = 0;
  OsListingPtr os = OsOpenListing(dir, err);
  if (os == nullptr) {
    SetLastOSError(err);
    return err == ENOENT || err == ENOTDIR ? kFsPathNotFound : CodeOf(err);
  }
  auto state = std::make_unique<FindState>();
  state->os = std::move(os);
  state->mask = WildMask(mask);
  state->attr = attr;
  state->phase = at_root ? 2 : 0;  // a drive's root has no "." or ".."
  rec.FindData = std::move(state);
  if (Advance(rec) != 0) {
    FindClose(rec);
    return kFsFileNotFound;
  }
  return 0;
}

}  // namespace detail

int GetLastOSError() {
  return detail::t_last_error;
}

String SysErrorMessage(int code) {
  return ToUtf16(detail::OsErrorText(code));
}

// ---- Listing -------------------------------------------------------------------------------

TSearchRec::TSearchRec() = default;
TSearchRec::~TSearchRec() = default;
TSearchRec::TSearchRec(TSearchRec&&) noexcept = default;
TSearchRec& TSearchRec::operator=(TSearchRec&&) noexcept = default;

int FindNext(TSearchRec& rec) {
  return detail::Advance(rec);
}

void FindClose(TSearchRec& rec) {
  rec.FindData.reset();
}

// ---- Changes -------------------------------------------------------------------------------

bool ForceDirectories(const String& name) {
  const String e = ExcludeTrailingPathDelimiter(ExpandFileName(name));
  detail::WinParts parts;
  if (!detail::SplitExpanded(e.size() == 2 ? e + u'\\' : e, parts)) return detail::Fail(EINVAL);
  String prefix{parts.drive, u':', u'\\'};
  if (!DirectoryExists(prefix)) return false;
  for (std::size_t i = 0; i < parts.components.size(); ++i) {
    if (i > 0) prefix += u'\\';
    prefix += parts.components[i];
    if (!DirectoryExists(prefix) && !CreateDir(prefix) && !DirectoryExists(prefix)) return false;
  }
  return true;
}

}  // namespace krv
