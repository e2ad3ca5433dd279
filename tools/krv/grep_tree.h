// krv grep -r: the files below folders, searched on every core, each file's output printed
// whole and in the order of the walk (names sorted byte by byte within each folder), so the
// output does not depend on timing.
#pragma once

#include <string>
#include <vector>

#include "grep_search.h"

namespace krv::tool {

class Output;

struct GrepTotals {
  long long selected = 0;
  bool error = false;
};

// Searches every operand: a folder's files recursively (links followed only when
// o.follow_links, or when the link is the operand itself), other operands as files. An
// empty operand list stands for ".", whose files are then named without "./".
GrepTotals SearchTree(const GrepOptions& o, const std::vector<std::string>& patterns,
                      const GrepColors& colors, bool names,
                      const std::vector<std::string>& operands, Output& out);

// The "--" line between groups of context lines, coloured as the options say.
std::string GroupSeparator(const GrepColors& colors);

}  // namespace krv::tool
