// The file-association lookup of platform/system.h over the XDG folders.
#include <cstdlib>
#include <string>
#include <vector>

#include "korvex/platform/system.h"
#include "platform/internal/mime_assoc.h"
#include "platform/internal/system_files.h"

namespace krv {
namespace {

// $name when it is an absolute path; otherwise $HOME + home_default ("" without a HOME).
std::string HomeDir(const char* name, const char* home_default) {
  const char* v = std::getenv(name);
  if (v != nullptr && v[0] == '/') return v;
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] == '/' ? std::string(home) + home_default : std::string();
}

// The absolute entries of the colon-separated $name, or of `fallback` when it is unset or empty.
std::vector<std::string> DirList(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  const std::string list = v != nullptr && v[0] != '\0' ? v : fallback;
  std::vector<std::string> dirs;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    const std::size_t end = std::min(list.find(':', pos), list.size());
    if (end > pos && list[pos] == '/') dirs.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return dirs;
}

// $XDG_DATA_HOME, then $XDG_DATA_DIRS.
std::vector<std::string> DataDirs() {
  std::vector<std::string> dirs;
  const std::string home = HomeDir("XDG_DATA_HOME", "/.local/share");
  if (!home.empty()) dirs.push_back(home);
  for (std::string& d : DirList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
    dirs.push_back(std::move(d));
  return dirs;
}

bool ReadData(const std::string& path, std::string& text) {
  return detail::ReadFileCapped(path, detail::kMimeFileCap, text);
}

// The Exec line of desktop id `id` from the first applications folder that has it.
std::string ExecOf(const std::string& id, const std::vector<std::string>& data_dirs) {
  if (id.find('/') != std::string::npos || id == "." || id == "..") return "";
  for (const std::string& dir : data_dirs) {
    std::string text;
    if (ReadData(dir + "/applications/" + id, text)) return detail::DesktopExec(text);
  }
  return "";
}

}  // namespace

std::string MimeTypeOfExtension(std::string_view ext) {
  for (const std::string& dir : DataDirs()) {
    std::string text, type;
    int weight = 0;
    const bool globs2 = ReadData(dir + "/mime/globs2", text);
    if (!globs2 && !ReadData(dir + "/mime/globs", text)) continue;
    if (detail::MatchExtensionGlobs(text, globs2, ext, type, weight)) return type;
  }
  return "";
}

std::string DefaultOpenCommand(std::string_view mime_type) {
  const std::vector<std::string> data_dirs = DataDirs();
  std::vector<std::string> lists;
  const std::string config_home = HomeDir("XDG_CONFIG_HOME", "/.config");
  if (!config_home.empty()) lists.push_back(config_home + "/mimeapps.list");
  for (const std::string& d : DirList("XDG_CONFIG_DIRS", "/etc/xdg"))
    lists.push_back(d + "/mimeapps.list");
  for (const std::string& d : data_dirs) {
    lists.push_back(d + "/applications/mimeapps.list");
    lists.push_back(d + "/applications/defaults.list");
  }
  for (const std::string& list : lists) {
    std::string text;
    if (!ReadData(list, text)) continue;
    for (const std::string& id : detail::DefaultApplications(text, mime_type)) {
      std::string exec = ExecOf(id, data_dirs);
      if (!exec.empty()) return exec;
    }
  }
  return "";
}

std::string OpenCommandOfExtension(std::string_view ext) {
  const std::string type = MimeTypeOfExtension(ext);
  if (type.empty()) return "";
  std::string command = DefaultOpenCommand(type);
  return command.empty() ? type : command;
}

}  // namespace krv
