// Drive types and free space of Windows volumes (platform/system.h).
#include <string>

#include "korvex/platform/system.h"
#include "platform/win32/win32_util.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace krv {
namespace {

static_assert(DRIVE_UNKNOWN == kDriveUnknown && DRIVE_NO_ROOT_DIR == kDriveNoRootDir &&
              DRIVE_REMOVABLE == kDriveRemovable && DRIVE_FIXED == kDriveFixed &&
              DRIVE_REMOTE == kDriveRemote && DRIVE_CDROM == kDriveCdRom &&
              DRIVE_RAMDISK == kDriveRamDisk);

// The root ("C:\", "\\server\share\") of the volume holding the native directory `dir`, or ""
// when it does not exist.
std::wstring VolumeRoot(const std::string& dir) {
  const std::wstring wide = detail::Wide(dir);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos ||
      ::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
    return L"";
  std::wstring root(wide.size() + MAX_PATH, L'\0');
  if (!::GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size()))) return L"";
  root.resize(std::wstring_view(root.c_str()).size());
  if (root.empty() || root.back() != L'\\') root += L'\\';
  return root;
}

}  // namespace

std::int32_t NativeDriveType(const std::string& dir) {
  const std::wstring root = VolumeRoot(dir);
  if (root.empty()) return kDriveNoRootDir;
  const UINT type = ::GetDriveTypeW(root.c_str());
  return type <= DRIVE_RAMDISK ? static_cast<std::int32_t>(type) : kDriveUnknown;
}

bool NativeFreeBytes(const std::string& dir, std::uint64_t& bytes) {
  const std::wstring wide = detail::Wide(dir);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return false;
  ULARGE_INTEGER available{}, total{}, free{};
  if (!::GetDiskFreeSpaceExW(wide.c_str(), &available, &total, &free)) return false;
  bytes = available.QuadPart;
  return true;
}

}  // namespace krv
