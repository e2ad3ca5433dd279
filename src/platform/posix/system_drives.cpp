// Drive types from the mount table and free space by statvfs (platform/system.h).
#include <limits.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "korvex/platform/system.h"
#include "platform/internal/system_files.h"

namespace krv {
namespace {

// The mount table is the kernel's, but it is still read with bounds: a table larger than
// kMaxTableBytes is not read, and lines longer than kMaxLineBytes are skipped.
constexpr std::size_t kMaxLineBytes = 64 * 1024;
constexpr std::size_t kMaxTableBytes = 16 * 1024 * 1024;

struct Mount {
  std::string device, point, type;
};

// Undoes the octal escapes (\040 for a blank) of a mount-table field.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// Splits "device point type options ..." into its first three fields.
bool ParseMountLine(std::string_view line, Mount& m) {
  std::string_view fields[3];
  std::size_t pos = 0;
  for (auto& f : fields) {
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string_view::npos) return false;
    const std::size_t end = std::min(line.find_first_of(" \t", pos), line.size());
    f = line.substr(pos, end - pos);
    pos = end;
  }
  m = {Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2])};
  return true;
}

// True when `point` is `path` or a folder above it.
bool Covers(const std::string& point, const std::string& path) {
  if (point == "/") return true;
  return path.compare(0, point.size(), point) == 0 &&
         (path.size() == point.size() || path[point.size()] == '/');
}

// The mount holding the real path `path`; false when the table cannot be read.
bool FindMount(const std::string& path, Mount& found) {
  std::string table;
  if (!detail::ReadFileCapped("/proc/self/mounts", kMaxTableBytes, table)) return false;
  bool any = false;
  detail::ForEachLine(table, kMaxLineBytes, [&](std::string_view line) {
    Mount m;
    if (!ParseMountLine(line, m) || !Covers(m.point, path)) return;
    if (!any || m.point.size() >= found.point.size()) found = std::move(m);
    any = true;
  });
  return any;
}

bool IsOneOf(const std::string& type, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (type == n) return true;
  return false;
}

// Reads the first byte of a small sysfs file.
char FirstByte(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return 0;
  const int c = std::fgetc(f);
  std::fclose(f);
  return c == EOF ? 0 : static_cast<char>(c);
}

// True when the kernel marks the block device (or, for a partition, its disk) removable.
bool IsRemovable(const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return false;
  const std::string name = device.substr(5);
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
    return false;
  char real[PATH_MAX];
  const std::string node = "/sys/class/block/" + name;
  if (::realpath(node.c_str(), real) == nullptr) return false;
  std::string dir = real;
  if (FirstByte(dir + "/partition") != 0) dir = dir.substr(0, dir.rfind('/'));
  return FirstByte(dir + "/removable") == '1';
}

}  // namespace

std::int32_t NativeDriveType(const std::string& dir) {
  char real[PATH_MAX];
  if (dir.empty() || ::realpath(dir.c_str(), real) == nullptr) return kDriveNoRootDir;
  Mount m;
  if (!FindMount(real, m)) return kDriveUnknown;
  if (IsOneOf(m.type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda", "9p",
                       "virtiofs", "ceph", "glusterfs", "lustre", "sshfs", "fuse.sshfs",
                       "fuse.glusterfs", "fuse.rclone", "fuse.s3fs"}))
    return kDriveRemote;
  if (IsOneOf(m.type, {"tmpfs", "ramfs", "devtmpfs"})) return kDriveRamDisk;
  if (IsOneOf(m.type, {"iso9660", "udf"})) return kDriveCdRom;
  return IsRemovable(m.device) ? kDriveRemovable : kDriveFixed;
}

bool NativeFreeBytes(const std::string& dir, std::uint64_t& bytes) {
  struct statvfs st;
  if (dir.empty() || ::statvfs(dir.c_str(), &st) != 0) return false;
  bytes = static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
  return true;
}

}  // namespace krv
