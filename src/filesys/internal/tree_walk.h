// What the tree walks (deleting, copying, scanning) share: a name resolved once and opened as
// a parent handle plus the entry's native name, and the descent into a child directory that
// keeps few handles open however deep the tree is.
#pragma once

#include <string>

#include "korvex/platform/text.h"
#include "platform/internal/dir_handle.h"

namespace krv::detail {

// Directory handles a walk keeps open at the most. Below that depth a level closes its
// parent's handle while it works and opens it again afterwards through "..", checking that
// it is still the same directory, so a tree of any depth needs only this many descriptors.
inline constexpr int kKeepOpenDepth = 32;

// An entry reached from its parent directory's handle.
struct OpenedEntry {
  DirHandle parent;
  NativeName leaf;  // the entry's name in `parent`
  NativeName path;  // the native path it was resolved to
};

// Splits the native path into its directory and last name and opens the directory (links in
// the directory part are followed, as every path is; the leaf is not opened). False with `err`.
bool OpenParentOf(const NativeName& native, OpenedEntry& entry, int& err);

// Creates the directory `native` and every missing parent (as `mkdir -p`: links on the way
// are followed). True when it is a directory at the end; false with `err`.
bool MakeDirectories(const NativeName& native, int& err);

// The native path of an entry of the directory `dir_path`.
NativeName ChildPath(const NativeName& dir_path, const NativeName& name);

// A name the layer resolves to exactly the native path and no other (the verbatim form on
// POSIX, the full name on Windows).
String VerbatimOf(const NativeName& native);

// A name for the entry `name` of the directory `dir_path` that the layer resolves to exactly
// that entry and no other (the verbatim form on POSIX).
String ExactName(const NativeName& dir_path, const NativeName& name);

// Opens the child directory `name` of `dir` (never through a link) and runs body(child).
// Deeper than kKeepOpenDepth, `dir` is closed meanwhile and opened again from the child, and
// must still be the directory `dir_id`. False with `err` when the child cannot be opened or
// `dir` cannot be opened again (then `dir` is left closed).
template <class Body>
bool Descend(DirHandle& dir, const FileId& dir_id, const NativeName& name, int depth, int& err,
             Body&& body) {
  DirHandle child = dir.OpenChild(name, err);
  if (!child.Valid()) return false;
  const bool release = depth >= kKeepOpenDepth;
  if (release) dir.Close();
  body(child);
  if (release) {
    if (!child.Valid()) return false;
    dir = child.OpenParent(dir_id, err);
    return dir.Valid();
  }
  return true;
}

}  // namespace krv::detail
