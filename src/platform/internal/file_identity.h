// Which file a name or an open handle stands for (device and inode), and the permission bits
// a copy takes over. Used by the file copies to refuse copying a file onto itself and to keep
// a tree copy out of its own destination. Implemented in src/platform/posix/.
#pragma once

#include <cstdint>
#include <string>

namespace krv::detail {

struct FileId {
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

// The identity of the native path (links followed); false when it cannot be read.
bool NativeFileId(const std::string& native, FileId& id);
// The identity of an open file handle; false when it cannot be read.
bool HandleFileId(int handle, FileId& id);
// Gives `to` the permission bits (rwx for owner, group, others) of `from`, with the owner's
// write bit set. False when either cannot be read or changed.
bool CopyPermissionsWritable(int from, int to);
// Tells the system that `handle` will be read once from start to end.
void AdviseSequential(int handle);

}  // namespace krv::detail
