// Open directories for tree walks that cannot be redirected. A tree is walked through the
// handles of its directories: every child is opened relative to its parent's handle, and a
// child that is a symbolic link (or was swapped for one after it was listed) is never entered,
// because the open refuses to follow it. Nothing is looked up again by a path string, so the
// walk stays inside the tree whatever another process renames meanwhile, and depth is not
// bound by the system's path length limit.
//
// Names here are native: the bytes the file system stores (POSIX) or UTF-16 (Windows).
// Implemented in src/platform/posix/dir_handle.cpp and src/platform/win32/dir_handle.cpp;
// every call reports failure through its result and an errno-style code in `err`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "korvex/platform/filesystem.h"
#include "platform/internal/file_identity.h"

namespace krv::detail {

#ifdef _WIN32
using NativeName = std::wstring;
#else
using NativeName = std::string;
#endif

enum class NodeKind : std::uint8_t {
  kFile,
  kDirectory,
  kSymLink,
  kFifo,
  kSocket,
  kDevice,  // a character or block device
  kOther,
};

// What an lstat tells of an entry (a link is described itself, not its target).
struct NodeInfo {
  NodeKind kind = NodeKind::kOther;
  FileId id;
  unsigned mode = 0;  // permission bits (07777)
  std::int64_t size = 0;
  TFileTime time = kNoFileTime;  // last-write time
  std::uint64_t links = 1;
};

class DirHandle {
 public:
  DirHandle() = default;
  ~DirHandle() { Close(); }
  DirHandle(DirHandle&& other) noexcept;
  DirHandle& operator=(DirHandle&& other) noexcept;
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;

  // Opens the directory `path`. Earlier components are resolved by the system as usual;
  // the last one is followed when it is a symbolic link only with `follow_last` (otherwise
  // the open fails with ELOOP or ENOTDIR).
  static DirHandle Open(const NativeName& path, bool follow_last, int& err);
  // Opens the child directory `name` without following a link.
  DirHandle OpenChild(const NativeName& name, int& err) const;
  // Opens this directory's parent ("..") and checks that it is the directory `expected`
  // (ESTALE when it is not: the tree was moved during the walk).
  DirHandle OpenParent(const FileId& expected, int& err) const;

  bool Valid() const;
  void Close();

  // The entry names, without "." and "..", in the file system's order.
  bool List(std::vector<NativeName>& names, int& err) const;
  // As List, with each entry's kind where the directory records it (kOther: not recorded; a
  // link reads as kSymLink), so a walk needs no stat for most entries.
  bool ListKinds(std::vector<NativeName>& names, std::vector<NodeKind>& kinds, int& err) const;
  // The kind of what the entry `name` is or, for a symbolic link, points to (kOther when a
  // link dangles). For deciding what to skip only: nothing is opened through the link.
  NodeKind ChildTargetKind(const NativeName& name) const;
  // Describes this directory, or one of its entries (without following a link).
  bool Info(NodeInfo& info, int& err) const;
  bool ChildInfo(const NativeName& name, NodeInfo& info, int& err) const;
  // Removes the entry: a directory (empty) with `directory`, anything else without it.
  bool RemoveChild(const NativeName& name, bool directory, int& err) const;
  // Renames an entry of this directory to another name in the same directory, never
  // replacing an entry that has the new name (EEXIST).
  bool RenameChild(const NativeName& from, const NativeName& to, int& err) const;
  // Creates a child directory with the permission bits `mode` (the umask applies).
  bool MakeChildDir(const NativeName& name, unsigned mode, int& err) const;
  // Creates a symbolic link `name` holding `target`.
  bool MakeChildLink(const NativeName& name, const NativeName& target, int& err) const;
  // Creates a FIFO with the permission bits `mode` (the umask applies).
  bool MakeChildFifo(const NativeName& name, unsigned mode, int& err) const;
  // The target of the symbolic link `name`.
  bool ReadChildLink(const NativeName& name, NativeName& target, int& err) const;
  // Opens the regular file `name` for reading, never through a link (ELOOP), never a FIFO or
  // device (the open does not block; such an entry gives EINVAL). A file handle of
  // filesystem.h, or kInvalidFileHandle.
  TFileHandle OpenChildForReading(const NativeName& name, int& err) const;
  // Creates the file `name` for writing with the permission bits 0600: exclusively when
  // `exclusive`, else an existing regular file (not a link) is opened and truncated.
  TFileHandle CreateChildFile(const NativeName& name, bool exclusive, int& err) const;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // HANDLE of the open directory
  std::wstring path_;       // its full name, for the calls that take names
#else
  int fd_ = -1;
#endif
};

// Describes the entry a path names; with `follow` a symbolic link's target.
bool PathInfo(const NativeName& path, bool follow, NodeInfo& info, int& err);
// The identities of the current directory and of every directory above it, up to the root.
bool CurrentDirChain(std::vector<FileId>& chain, int& err);

// Sets the permission bits of an open file (fchmod); false with err set.
bool SetHandleMode(TFileHandle handle, unsigned mode, int& err);
// Describes an open file.
bool HandleInfo(TFileHandle handle, NodeInfo& info, int& err);
// The process's file-creation mask (read without changing it where the system allows).
unsigned CurrentUmask();

// Resolves `name` once to its native path (the layer's rules, see filesystem.h); false when it
// cannot name a native file (the last OS error says why).
bool ResolveNative(const String& name, NativeName& native);

// Native names of text: the bytes (POSIX) or UTF-16 (Windows) a String stands for; false
// when the String has no native form (see ToNativeName in text.h).
bool ToNative(const String& name, NativeName& out);
String FromNative(const NativeName& name);

}  // namespace krv::detail
