// Pure helpers of the file-system layer (no system calls): compiled wildcard masks, folded
// decoding of stored names, Windows name splitting, the drive table, the thread's last failure
// and the listing state. The system calls live in the backends
// (src/platform/posix/filesystem_posix.cpp, src/platform/win32/filesystem_win32.cpp), which
// also give the Os... primitives declared here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/types.h"

namespace krv::detail {

// A wildcard mask after the Windows rewriting of `*`, `?` and `.` (see MatchesWildcard).
class WildMask {
 public:
  enum Kind : std::uint8_t { kLit, kStar, kDosStar, kDosQm, kDosDot };
  struct Token {
    Kind kind;
    Char c;  // folded character of kLit
  };

  WildMask() = default;
  // With `fold` the mask matches ignoring case (names are then given folded, FoldInto);
  // without, it matches names as they are.
  explicit WildMask(std::u16string_view mask, bool fold = true);

  // `name` must already be folded (FoldInto) when the mask folds. Uses `scratch` to avoid
  // allocations.
  bool MatchFolded(std::u16string_view name, std::vector<std::uint8_t>& scratch) const;
  bool HasWildcards() const { return has_wild_; }
  const std::vector<Token>& Tokens() const { return tokens_; }

 private:
  enum Shape : std::uint8_t { kGeneral, kAll, kExact, kAnyExt };
  std::vector<Token> tokens_;
  std::u16string literal_;  // kExact: the folded name; kAnyExt: the folded extension
  Shape shape_ = kGeneral;
  bool has_wild_ = false;
};

// Folds `s` into `out` (replacing its contents) with the simple Unicode fold.
void FoldInto(std::u16string_view s, std::u16string& out);
// Decodes the UTF-8 bytes of a stored name into folded UTF-16 in `out`. Undecodable bytes
// become the escapes FromNativeName gives (U+DC80 + byte); returns false when there were any.
bool DecodeFolded(std::string_view utf8, std::u16string& out);
// As DecodeFolded without folding (reusing the capacity of `out`).
bool DecodeInto(std::string_view utf8, std::u16string& out);

// An expanded Windows name taken apart: drive letter ('A'..'Z') and its components.
struct WinParts {
  Char drive = 0;
  std::vector<String> components;
  bool trailing_separator = false;
};
// The verbatim prefix "\\?\": "\\?\" + a native path names exactly that path, with no
// drive, case or separator rule (as the same prefix does on Windows).
inline bool IsVerbatimName(std::u16string_view name) {
  return name.size() >= 4 && name.substr(0, 4) == u"\\\\?\\";
}
// Resolves the names that need no Windows rule: a verbatim name, or a name that exists
// natively exactly as written. done: true when the answer is final (out holds the native path
// when the result is true; a false result then means the name cannot name a native file).
bool ResolveVerbatimOrLiteral(const String& name, std::string& out, bool& done);
// The native path a name stands for (see ToNativePath); false with the last OS error EINVAL.
bool ResolveName(const String& name, std::string& out);

// True when the native path (absolute or relative) is the directory a drive is mapped to,
// compared lexically after normalising.
bool IsDriveRootNative(std::string_view native);

// Splits the result of ExpandFileName; false for "", UNC names and names with NUL.
bool SplitExpanded(const String& expanded, WinParts& parts);

// Lexically normalises an absolute native path: no ".", "..", repeated or trailing '/'.
std::string NormalizeNative(std::string_view absolute);

// The current directory as a native path ("" on failure). Implemented by the posix layer.
std::string OsCurrentDir();
// True when the native path names a directory (links followed). Posix layer.
bool OsIsNativeDirectory(const std::string& native);

// Records the errno-style code of a failure for GetLastOSError().
void SetLastOSError(int code);
// SetLastOSError(code); false.
bool Fail(int code);
// The kFs... code that FindFirst, FileSetAttr and FileSetDate return for an errno-style code.
int CodeOf(int err);
// SetLastOSError(err); CodeOf(err).
int FailCode(int err);

// ---- Listings ------------------------------------------------------------------------------

// True when an entry with attributes `entry_attr` passes FindFirst's filter `wanted`.
bool PassesFilter(Integer entry_attr, Integer wanted);

// The system's side of a listing: the open directory and the entry last read from it.
// Defined by the backend, with the Os... listing calls below.
struct OsListing;
// Closes the directory of a listing and frees it (nullptr is ignored).
void OsCloseListing(OsListing* listing);
struct OsListingCloser {
  void operator()(OsListing* listing) const { OsCloseListing(listing); }
};
using OsListingPtr = std::unique_ptr<OsListing, OsListingCloser>;

// The listing state behind TSearchRec::FindData.
struct FindState {
  OsListingPtr os;  // without it FindNext has nothing to read and records nothing
  int phase = 0;    // 0: ".", 1: "..", 2: directory entries, 3: done
  WildMask mask;
  Integer attr = 0;
  std::u16string folded;
  std::vector<std::uint8_t> scratch;
};

// Starts listing the native directory `dir` for FindFirst: the entries whose names match
// `mask` and pass the filter `attr` ("." and ".." first unless `at_root`). Returns what
// FindFirst returns; on 0 `rec` holds the first entry and the listing.
int OpenListing(const std::string& dir, const String& mask, Integer attr, bool at_root,
                TSearchRec& rec);

// Backend: opens the listing of the native directory `dir` (every entry the system stores, in
// its order); empty with the errno-style `err` when the directory cannot be listed.
OsListingPtr OsOpenListing(const std::string& dir, int& err);
// Backend: moves to the next entry of the listing, "." and ".." left out, and puts its name,
// folded (FoldInto), in `folded`; false at the end of the listing.
bool OsNextEntry(OsListing& listing, std::u16string& folded);
// Backend: Attr, Size and Time of the entry OsNextEntry moved to; false when it is gone.
bool OsDescribeEntry(const OsListing& listing, TSearchRec& rec);
// Backend: the name of the entry OsNextEntry moved to, as stored (see FromNativeName).
void OsEntryName(const OsListing& listing, String& name);
// Backend: Attr, Size and Time of the listed directory (".") or, with `parent`, of its parent
// (".."); false when it cannot be read.
bool OsDescribeDot(const OsListing& listing, bool parent, TSearchRec& rec);

}  // namespace krv::detail
