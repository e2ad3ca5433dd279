// System queries over the platform's drive mapping, mount table, environment and
// file-association lookup.
#include "korvex/filesys/sysinfo.h"

#include "filesys/internal/write_probe.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/system.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

constexpr std::uint8_t kLastDrive = 25;

Char Letter(std::uint8_t drive) {
  return static_cast<Char>(u'A' + drive);
}

// The native directory of a drive; "" above Z: or when unmapped.
std::string DriveRoot(std::uint8_t drive) {
  return drive > kLastDrive ? std::string() : DriveNativeRoot(Letter(drive));
}

bool SameIgnoringCase(const Char* a, const String& b) {
  for (std::size_t i = 0; i < b.size(); ++i)
    if (UnicodeFold(a[i]) != UnicodeFold(b[i])) return false;
  return true;
}

}  // namespace

void BuildDriveList(TStringList& list) {
  list.Clear();
  const std::uint32_t mask = GetLogicalDrives();
  for (std::uint8_t d = 0; d <= kLastDrive; ++d)
    if ((mask >> d) & 1u) list.Add(String{Letter(d), u':'});
}

std::int32_t GetDiskDriveType(std::uint8_t drive) {
  if (drive > kLastDrive) return kDriveUnknown;
  const std::string root = DriveRoot(drive);
  return root.empty() ? kDriveNoRootDir : NativeDriveType(root);
}

Extended DiskFreeExtended(std::uint8_t drive) {
  const std::string root = DriveRoot(drive);
  std::uint64_t bytes = 0;
  if (root.empty() || !NativeFreeBytes(root, bytes)) return -1;
  return static_cast<Extended>(bytes);
}

bool DiskIsReadOnly(std::uint8_t drive) {
  if (DriveRoot(drive).empty()) return true;
  int err = 0;
  const String root{Letter(drive), u':', u'\\'};
  return detail::ProbeWritable(root, u"$%$LO%$.$$$", err) != detail::ProbeResult::kWritable;
}

bool FindEnviroVar(const String& name, String& value) {
  bool found = false;
  value.clear();
  for (const std::string& entry : EnvironmentStrings()) {
    const String e = ToUtf16(entry);
    if (e.size() > name.size() && e[name.size()] == u'=' && SameIgnoringCase(e.data(), name)) {
      value = e.substr(name.size() + 1);
      found = true;
    }
  }
  return found;
}

String GetEnviroVar(const String& name) {
  String value;
  FindEnviroVar(name, value);
  return value;
}

String GetProgAssoc(const String& ext) {
  return ToUtf16(OpenCommandOfExtension(ToUtf8(ext)));
}

String GetSystemDir() {
  return FromNativePath(SystemDirectoryNative());
}

String GetWindowsDir() {
  return FromNativePath(WindowsDirectoryNative());
}

String GetTempDir() {
  const String dir = FromNativePath(TempDirectoryNative());
  return dir.empty() ? dir : IncludeTrailingPathDelimiter(dir);
}

}  // namespace krv
