// Pure helpers of the file-system layer (no system calls): compiled wildcard masks, folded
// decoding of stored names, Windows name splitting and the drive table. The system calls live
// in src/platform/posix/filesystem_posix.cpp.
#pragma once

#include <cstdint>
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
  explicit WildMask(std::u16string_view mask);

  // `name` must already be folded (FoldInto). Uses `scratch` to avoid allocations.
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
// become U+FFFD; returns false when there were any.
bool DecodeFolded(std::string_view utf8, std::u16string& out);
// As DecodeFolded without folding (reusing the capacity of `out`).
bool DecodeInto(std::string_view utf8, std::u16string& out);

// An expanded Windows name taken apart: drive letter ('A'..'Z') and its components.
struct WinParts {
  Char drive = 0;
  std::vector<String> components;
  bool trailing_separator = false;
};
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

}  // namespace krv::detail
