// The targets no delete, move or overwrite may take as a whole: the roots, "." and "..", and
// the directories that hold the current directory (the rule of `rm --preserve-root`).
#include <vector>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "platform/internal/dir_handle.h"
#include "platform/internal/fs_names.h"
#include "platform/internal/protected_targets.h"

namespace krv {
namespace detail {
namespace {

thread_local String t_last_refusal;

bool IsSeparator(Char c) {
  return c == u'/' || c == u'\\';
}

// The last component of a name, trailing separators left out.
std::u16string_view LastComponent(std::u16string_view name) {
  while (name.size() > 1 && IsSeparator(name.back())) name.remove_suffix(1);
  const std::size_t p = name.find_last_of(u"\\/");
  return p == std::u16string_view::npos ? name : name.substr(p + 1);
}

bool HasDrivePrefix(const String& name) {
  return name.size() >= 2 && name[1] == u':' &&
         ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'));
}

String DriveRootReason(const FileId& id) {
  for (const TDriveMapping& m : MappedDrives()) {
    NativeName root;
    NodeInfo info;
    int err = 0;
    if (ToNative(FromNativeName(m.Native), root) && PathInfo(root, true, info, err) &&
        info.id == id) {
      return u"the root of drive " + String{m.Letter, u':'};
    }
  }
  return {};
}

String FileSystemRootReason(const FileId& id) {
#ifdef _WIN32
  (void)id;
  return {};  // every root on Windows is a drive's
#else
  NodeInfo info;
  int err = 0;
  if (PathInfo("/", true, info, err) && info.id == id) return u"the root of the file system";
  return {};
#endif
}

}  // namespace

bool ResolveNative(const String& name, NativeName& native) {
  std::string resolved;
  if (!ResolveName(name, resolved)) return false;
#ifdef _WIN32
  const String wide = ToUtf16(resolved);
  native.assign(wide.begin(), wide.end());
#else
  native = std::move(resolved);
#endif
  return true;
}

String ProtectedReasonOf(const String& given, const NativeName& native, bool follow) {
  // "." and ".." as written, whatever they resolve to (rm refuses them the same way).
  const String resolved = FromNative(native);
  for (const std::u16string_view last : {LastComponent(given), LastComponent(resolved)}) {
    if (last == u".") return u"'.'";
    if (last == u"..") return u"'..'";
  }
  NodeInfo info;
  int err = 0;
  if (!PathInfo(native, follow, info, err)) return {};        // nothing there to protect
  if (!follow && info.kind == NodeKind::kSymLink) return {};  // only the link is at stake
  String reason = HasDrivePrefix(given) ? DriveRootReason(info.id) : FileSystemRootReason(info.id);
  if (reason.empty()) {
    reason = HasDrivePrefix(given) ? FileSystemRootReason(info.id) : DriveRootReason(info.id);
  }
  if (!reason.empty()) return reason;
  std::vector<FileId> chain;
  if (CurrentDirChain(chain, err)) {
    for (const FileId& id : chain) {
      if (id == info.id) return u"a folder that holds the current folder";
    }
  }
  return {};
}

bool RefuseProtected(const String& given, const NativeName& native, bool follow) {
  String reason = ProtectedReasonOf(given, native, follow);
  if (reason.empty()) return false;
  t_last_refusal = std::move(reason);
  SetLastOSError(kRefusedError);
  return true;
}

}  // namespace detail

String ProtectedTargetReason(const String& name, bool follow) {
  detail::NativeName native;
  if (name.empty() || !detail::ResolveNative(name, native)) return {};
  return detail::ProtectedReasonOf(name, native, follow);
}

String LastRefusalReason() {
  return detail::t_last_refusal;
}

}  // namespace krv
