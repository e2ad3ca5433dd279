// Resolving a tree's root once and naming its entries exactly.
#include "filesys/internal/tree_walk.h"

#include <cerrno>

#include "korvex/platform/filesystem.h"
#include "platform/internal/fs_names.h"

namespace krv::detail {
namespace {

#ifdef _WIN32
constexpr wchar_t kSeparators[] = L"\\/";
constexpr wchar_t kSeparator = L'\\';
#else
constexpr char kSeparators[] = "/";
constexpr char kSeparator = '/';
#endif

}  // namespace

bool OpenParentOf(const NativeName& native, OpenedEntry& entry, int& err) {
  NativeName path = native;
  while (path.size() > 1 && NativeName(kSeparators).find(path.back()) != NativeName::npos) {
    path.pop_back();
  }
  const std::size_t cut = path.find_last_of(kSeparators);
  NativeName dir;
  if (cut == NativeName::npos) {
    dir = NativeName(1, '.');
    entry.leaf = path;
  } else {
    dir = path.substr(0, cut + 1);
    entry.leaf = path.substr(cut + 1);
  }
  if (entry.leaf.empty()) {
    err = EINVAL;  // a root: it has no parent to delete it from
    return false;
  }
  entry.path = path;
  entry.parent = DirHandle::Open(dir, true, err);
  return entry.parent.Valid();
}

bool MakeDirectories(const NativeName& native, int& err) {
  NodeInfo info;
  // Every prefix ending before a separator, then the whole path.
  for (std::size_t end = 0; end != NativeName::npos;) {
    end = native.find_first_of(kSeparators, end + 1);
    const NativeName prefix = native.substr(0, end);
    if (prefix.empty() || prefix.back() == ':') continue;  // the root, a drive
    if (PathInfo(prefix, true, info, err)) {
      if (info.kind == NodeKind::kDirectory) continue;
      err = ENOTDIR;
      return false;
    }
    OpenedEntry entry;
    if (!OpenParentOf(prefix, entry, err)) return false;
    if (!entry.parent.MakeChildDir(entry.leaf, 0777, err) && err != EEXIST) return false;
  }
  if (PathInfo(native, true, info, err) && info.kind == NodeKind::kDirectory) return true;
  if (err == 0) err = ENOTDIR;
  return false;
}

NativeName ChildPath(const NativeName& dir_path, const NativeName& name) {
  NativeName out = dir_path;
  if (out.empty() || NativeName(kSeparators).find(out.back()) == NativeName::npos) {
    out += kSeparator;
  }
  return out + name;
}

String VerbatimOf(const NativeName& native) {
#ifdef _WIN32
  return String(native.begin(), native.end());
#else
  return u"\\\\?\\" + FromNative(native);
#endif
}

String ExactName(const NativeName& dir_path, const NativeName& name) {
  return VerbatimOf(ChildPath(dir_path, name));
}

}  // namespace krv::detail
