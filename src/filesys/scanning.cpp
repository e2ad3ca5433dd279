// Counting and listing files by mask, one directory level or a whole tree.
//
// Names are reported upper-cased, as the argument was given. The walk runs through directory
// handles (filesys/internal/tree_walk.h): each directory is read once, and the kind of each
// entry comes from the directory itself where the file system records it (no stat per file,
// so a large tree is counted about as fast as `find` does it).
#include "korvex/filesys/scanning.h"

#include <algorithm>
#include <string>
#include <vector>

#include "filesys/internal/tree_names.h"
#include "filesys/internal/tree_walk.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/casemap.h"
#include "platform/internal/fs_names.h"

namespace krv {
namespace {

using detail::DirHandle;
using detail::NativeName;
using detail::NodeKind;

struct ScanSettings {
  bool subdirs = false;
  bool case_sensitive = false;
  TStringList* list = nullptr;
  TScanFilesFeedback feedback = nullptr;
  const std::function<void(const String&)>* visit = nullptr;
  Char stored_separator = 0;  // after subdirectories in stored names; 0: as the shown names
};

class Scan {
 public:
  Scan(const String& mask, const ScanSettings& settings)
      : mask_text_(mask),
        mask_(mask, !settings.case_sensitive),
        plain_(!HasWildcards(mask)),
        s_(settings) {}

  // shown: the upper-cased directory part; stored: the directory as given + stored names.
  void Walk(DirHandle& dir, const detail::FileId& id, const String& shown, const String& stored,
            int depth) {
    if (s_.feedback != nullptr) s_.feedback(shown, count_);
    std::vector<NativeName> names;
    std::vector<NodeKind> kinds;
    int err = 0;
    if (!dir.ListKinds(names, kinds, err)) return;
    std::vector<String> texts(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      texts[i] = detail::FromNative(names[i]);
      kinds[i] = KindOf(dir, names[i], kinds[i]);
    }
    const std::size_t only = plain_ ? PlainMatch(texts) : texts.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
      const bool file = kinds[i] != NodeKind::kDirectory && kinds[i] != NodeKind::kSymLink;
      if (file && (plain_ ? i == only : Matches(texts[i]))) Found(shown, stored, texts[i]);
    }
    if (!s_.subdirs) return;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (kinds[i] != NodeKind::kDirectory || texts[i][0] == u'.') continue;
      detail::Descend(dir, id, names[i], depth, err, [&](DirHandle& sub) {
        detail::NodeInfo info;
        int e = 0;
        if (!sub.Info(info, e)) return;
        const Char stored_sep =
            s_.stored_separator != 0 ? s_.stored_separator : detail::SeparatorOf(stored);
        Walk(sub, info.id, UnicodeUpperCase(shown + texts[i] + detail::SeparatorOf(shown)),
             stored + texts[i] + stored_sep, depth + 1);
      });
      if (!dir.Valid()) return;  // the tree moved: it cannot be reopened safely
    }
  }

  std::int32_t Count() const { return count_; }

 private:
  // kDirectory for a directory (not a link), kSymLink for a link to a directory (neither
  // counted nor entered), any other kind for what counts as a file.
  static NodeKind KindOf(const DirHandle& dir, const NativeName& name, NodeKind recorded) {
    NodeKind kind = recorded;
    if (kind == NodeKind::kOther) {
      detail::NodeInfo info;
      int err = 0;
      kind = dir.ChildInfo(name, info, err) ? info.kind : NodeKind::kOther;
    }
    if (kind == NodeKind::kDirectory) return kind;
    if (kind == NodeKind::kSymLink && dir.ChildTargetKind(name) == NodeKind::kDirectory) {
      return NodeKind::kSymLink;
    }
    return kind == NodeKind::kSymLink ? NodeKind::kFile : kind;
  }

  void Found(const String& shown, const String& stored, const String& name) {
    ++count_;
    if (s_.list != nullptr) s_.list->Add(shown + name);
    if (s_.visit != nullptr) (*s_.visit)(stored + name);
  }

  bool Matches(const String& name) {
    if (!s_.case_sensitive) {
      detail::FoldInto(name, folded_);
      return mask_.MatchFolded(folded_, scratch_);
    }
    return mask_.MatchFolded(name, scratch_);
  }

  // A plain name stands for one entry, as the layer resolves it: the exact spelling, else
  // (ignoring case) the first matching name in byte order of the stored names.
  std::size_t PlainMatch(const std::vector<String>& texts) {
    std::size_t best = texts.size();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (texts[i] == mask_text_) return i;
      if (!s_.case_sensitive && Matches(texts[i]) &&
          (best == texts.size() || NativeNameOf(texts[i]) < NativeNameOf(texts[best]))) {
        best = i;
      }
    }
    return best;
  }

  const String mask_text_;
  const detail::WildMask mask_;
  const bool plain_;
  const ScanSettings s_;
  std::int32_t count_ = 0;
  std::u16string folded_;
  std::vector<std::uint8_t> scratch_;
};

// Resolves the directory once and scans it; -1 when it cannot be opened.
std::int32_t Start(const String& given_dir, const String& mask, const String& shown,
                   const ScanSettings& settings) {
  if (mask.empty()) return 0;
  NativeName native;
  if (!detail::ResolveNative(detail::DirectoryPartOrCurrent(given_dir), native)) return -1;
  int err = 0;
  DirHandle dir = DirHandle::Open(native, true, err);
  detail::NodeInfo info;
  if (!dir.Valid() || !dir.Info(info, err)) return -1;
  Scan scan(mask, settings);
  scan.Walk(dir, info.id, shown, given_dir, 0);
  return scan.Count();
}

// Splits the argument at its last separator and scans.
std::int32_t Run(const String& pathWithMask, const ScanSettings& settings) {
  const std::size_t split = detail::NamePartStart(pathWithMask);
  const String upper = UnicodeUpperCase(pathWithMask);
  return std::max(0, Start(pathWithMask.substr(0, split), upper.substr(split),
                           upper.substr(0, split), settings));
}

}  // namespace

std::int32_t CountFiles(const String& pathWithMask, bool includeSubdirs,
                        TScanFilesFeedback feedback) {
  return Run(pathWithMask, {.subdirs = includeSubdirs, .feedback = feedback});
}

void ScanFilesToStrList(const String& pathWithMask, bool includeSubdirs, TStringList* list,
                        TScanFilesFeedback feedback) {
  if (list != nullptr)
    Run(pathWithMask, {.subdirs = includeSubdirs, .list = list, .feedback = feedback});
}

std::int32_t ScanStoredNames(const String& directory, const String& mask, bool includeSubdirs,
                             bool caseSensitive,
                             const std::function<void(const String& path)>& visit) {
  const ScanSettings settings{
      .subdirs = includeSubdirs,
      .case_sensitive = caseSensitive,
      .visit = &visit,
      .stored_separator = !directory.empty() && directory.back() == u'\\' ? u'\\' : u'/'};
  return Start(directory, caseSensitive ? mask : UnicodeUpperCase(mask), String(), settings);
}

}  // namespace krv
