// A fast read of one native directory for tree walks that need only names and kinds: the
// kind comes from the directory entry where the file system records it, so most entries
// cost no stat (links and file systems without entry types do). Implemented in
// src/platform/posix/.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace krv::detail {

enum class EntryKind : unsigned char {
  kFile,             // a regular file, a device, FIFO or socket, a link to one, a dangling link
  kDirectory,        // a directory (not a link)
  kLinkToDirectory,  // a symbolic link whose target is a directory
};

// Calls visit(name, kind) for every entry of the native directory except "." and "..", in
// the file system's order. False (nothing visited) when the directory cannot be opened.
bool ScanNativeDirectory(const std::string& native_dir,
                         const std::function<void(std::string_view, EntryKind)>& visit);

}  // namespace krv::detail
