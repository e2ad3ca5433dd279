// Counting and listing files by mask, one directory level or a whole tree.
//
// Names are reported upper-cased, as the argument was given; the listing itself runs on the
// directory's exact stored spelling, so each level costs one stat per component instead of
// a case-insensitive search of every parent directory.
#include "korvex/filesys/scanning.h"

#include <vector>

#include "filesys/internal/tree_names.h"
#include "korvex/platform/filesystem.h"
#include "korvex/stringl/casemap.h"

namespace krv {
namespace {

class Scan {
 public:
  Scan(const String& mask, bool subdirs, TStringList* list, TScanFilesFeedback feedback)
      : mask_(mask),
        subdirs_(subdirs),
        one_listing_(subdirs && HasWildcards(mask)),
        list_(list),
        feedback_(feedback) {}

  // shown: the upper-cased directory part; real: the same directory, spelled as stored.
  void Directory(const String& shown, const String& real) {
    if (feedback_ != nullptr) feedback_(shown, count_);
    std::vector<String> subdirs;
    if (one_listing_) {
      // A wildcard mask matches names exactly as the listing would: one pass serves both.
      List(real + u"*.*", faAnyFile, [&](const TSearchRec& rec) {
        if (IsSubdirectory(rec)) {
          subdirs.push_back(rec.Name);
        } else if ((rec.Attr & faDirectory) == 0 && MatchesWildcard(rec.Name, mask_)) {
          Found(shown, rec.Name);
        }
      });
    } else {
      List(real + mask_, faAnyFile, [&](const TSearchRec& rec) {
        if ((rec.Attr & faDirectory) == 0) Found(shown, rec.Name);
      });
      if (subdirs_) {
        List(real + u"*.*", faDirectory, [&](const TSearchRec& rec) {
          if (IsSubdirectory(rec)) subdirs.push_back(rec.Name);
        });
      }
    }
    for (const String& name : subdirs) {
      Directory(UnicodeUpperCase(shown + name + detail::SeparatorOf(shown)),
                real + name + detail::SeparatorOf(real));
    }
  }

  std::int32_t Count() const { return count_; }

 private:
  template <class Visit>
  static void List(const String& pattern, Integer attr, Visit&& visit) {
    TSearchRec rec;
    for (int rc = FindFirst(pattern, attr, rec); rc == 0; rc = FindNext(rec)) {
      if (!detail::IsUnaddressable(rec.Name)) visit(rec);
    }
    FindClose(rec);
  }

  // A directory entry the walk enters: not "." or "..", not a link, and (as a listing of
  // directories without hidden ones gives them) not hidden.
  static bool IsSubdirectory(const TSearchRec& rec) {
    return (rec.Attr & faDirectory) != 0 && (rec.Attr & (faSymLink | faHidden | faSysFile)) == 0 &&
           !detail::IsDotEntry(rec.Name);
  }

  void Found(const String& shown, const String& name) {
    ++count_;
    if (list_ != nullptr) list_->Add(shown + name);
  }

  const String mask_;
  const bool subdirs_;
  const bool one_listing_;
  TStringList* const list_;
  const TScanFilesFeedback feedback_;
  std::int32_t count_ = 0;
};

// Upper-cases the argument, splits it and scans.
std::int32_t Run(const String& pathWithMask, bool subdirs, TStringList* list,
                 TScanFilesFeedback feedback) {
  const String upper = UnicodeUpperCase(pathWithMask);
  const std::size_t split = detail::NamePartStart(upper);
  const String shown = upper.substr(0, split);
  String real = shown;
  if (!shown.empty()) {
    const String stored = FromNativePath(ToNativePath(shown));
    if (!stored.empty()) real = detail::WithTrailingSeparator(stored);
  }
  Scan scan(upper.substr(split), subdirs, list, feedback);
  scan.Directory(shown, real);
  return scan.Count();
}

}  // namespace

std::int32_t CountFiles(const String& pathWithMask, bool includeSubdirs,
                        TScanFilesFeedback feedback) {
  return Run(pathWithMask, includeSubdirs, nullptr, feedback);
}

void ScanFilesToStrList(const String& pathWithMask, bool includeSubdirs, TStringList* list,
                        TScanFilesFeedback feedback) {
  if (list != nullptr) Run(pathWithMask, includeSubdirs, list, feedback);
}

}  // namespace krv
