// Readers of the freedesktop files behind the file-association lookup of platform/system.h:
// shared-mime-info glob lists, mimeapps.list / defaults.list and desktop entries. They take
// the file's text (read with the caps below) and never fail: malformed lines are passed over.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace krv::detail {

// Bytes read of any one of these files at most (a larger file is not used), and the longest
// line considered. The system's globs2 is some 40 KiB, desktop entries a few KiB.
inline constexpr std::size_t kMimeFileCap = 4 * 1024 * 1024;
inline constexpr std::size_t kMimeLineCap = 4096;

// Looks for the glob "*.ext" in a glob list: globs2 lines "weight:type:glob[:flags]" or
// globs lines "type:glob" (weight 50). Case is ignored unless the flags hold "cs". A match
// whose weight is above `weight` replaces `type` and `weight`; true when any line matched.
bool MatchExtensionGlobs(std::string_view text, bool globs2, std::string_view ext,
                         std::string& type, int& weight);

// The desktop ids listed for `mime_type` (ASCII case ignored) in the [Default Applications]
// group of a mimeapps.list or defaults.list text, in order.
std::vector<std::string> DefaultApplications(std::string_view text, std::string_view mime_type);

// The Exec value of a desktop entry's [Desktop Entry] group, its escapes (\s \n \t \r \\)
// resolved; "" when the group has no Exec key or says Hidden=true.
std::string DesktopExec(std::string_view text);

}  // namespace krv::detail
