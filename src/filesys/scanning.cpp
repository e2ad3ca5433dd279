// Counting and listing files by mask, one directory level or a whole tree.
//
// Names are reported upper-cased, as the argument was given. The walk itself runs on the
// directories' stored names: a wildcard mask reads each directory once, taking the kind of
// each entry from the directory itself (no stat per file, so a large tree is counted about as
// fast as `find` does); a mask naming one entry looks it up through the file-system layer.
#include "korvex/filesys/scanning.h"

#include <string>
#include <string_view>
#include <vector>

#include "filesys/internal/tree_names.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/casemap.h"
#include "platform/internal/dir_scan.h"
#include "platform/internal/fs_names.h"

namespace krv {
namespace {

class Scan {
 public:
  Scan(const String& mask, bool subdirs, TStringList* list, TScanFilesFeedback feedback)
      : mask_text_(mask),
        mask_(mask),
        every_name_(mask == u"*" || mask == u"*.*"),
        subdirs_(subdirs),
        list_(list),
        feedback_(feedback) {}

  // A wildcard mask: one fast read of each directory serves the files and the
  // subdirectories. shown: the upper-cased directory part; native: the directory itself.
  void Fast(const String& shown, const std::string& native) {
    if (feedback_ != nullptr) feedback_(shown, count_);
    std::vector<std::string> subdirs;
    detail::ScanNativeDirectory(native, [&](std::string_view name, detail::EntryKind kind) {
      if (name.find('\\') != std::string_view::npos) return;  // no Windows name for it
      if (kind == detail::EntryKind::kDirectory) {
        if (subdirs_ && name[0] != '.') subdirs.emplace_back(name);
      } else if (kind == detail::EntryKind::kFile && Matches(name)) {
        ++count_;
        if (list_ != nullptr) list_->Add(shown + ToUtf16(name));
      }
    });
    const std::string base = native.empty() || native.back() == '/' ? native : native + '/';
    for (const std::string& name : subdirs) {
      Fast(UnicodeUpperCase(shown + ToUtf16(name) + detail::SeparatorOf(shown)), base + name);
    }
  }

  // A mask naming one entry: it is looked up as the file system layer resolves names.
  // shown: the upper-cased directory part; real: the same directory, spelled as stored.
  void Listed(const String& shown, const String& real) {
    if (feedback_ != nullptr) feedback_(shown, count_);
    List(real + mask_text_, faAnyFile, [&](const TSearchRec& rec) {
      if ((rec.Attr & faDirectory) == 0) {
        ++count_;
        if (list_ != nullptr) list_->Add(shown + rec.Name);
      }
    });
    if (!subdirs_) return;
    std::vector<String> subdirs;
    List(real + u"*.*", faDirectory, [&](const TSearchRec& rec) {
      if ((rec.Attr & (faDirectory | faSymLink)) == faDirectory && !detail::IsDotEntry(rec.Name))
        subdirs.push_back(rec.Name);
    });
    for (const String& name : subdirs) {
      Listed(UnicodeUpperCase(shown + name + detail::SeparatorOf(shown)),
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

  bool Matches(std::string_view name) {
    if (every_name_) return true;
    detail::DecodeFolded(name, folded_);
    return mask_.MatchFolded(folded_, scratch_);
  }

  const String mask_text_;
  const detail::WildMask mask_;
  const bool every_name_;
  const bool subdirs_;
  TStringList* const list_;
  const TScanFilesFeedback feedback_;
  std::int32_t count_ = 0;
  std::u16string folded_;
  std::vector<std::uint8_t> scratch_;
};

// Upper-cases the argument, splits it and scans.
std::int32_t Run(const String& pathWithMask, bool subdirs, TStringList* list,
                 TScanFilesFeedback feedback) {
  const String upper = UnicodeUpperCase(pathWithMask);
  const std::size_t split = detail::NamePartStart(upper);
  const String shown = upper.substr(0, split), mask = upper.substr(split);
  Scan scan(mask, subdirs, list, feedback);
  if (HasWildcards(mask)) {
    scan.Fast(shown, ToNativePath(shown.empty() ? String(u".") : shown));
  } else {
    String real = shown;
    const String stored = shown.empty() ? String() : FromNativePath(ToNativePath(shown));
    if (!stored.empty()) real = detail::WithTrailingSeparator(stored);
    scan.Listed(shown, real);
  }
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
