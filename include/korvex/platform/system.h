// Operating-system services the areas above the platform layer ask for: processors, the
// millisecond tick count, scheduling priority, the cryptographic random source, the
// environment, the temporary folder, drive types and free space from the mount table, and
// file associations from the freedesktop shared-mime-info and desktop-entry files.
// Implemented for POSIX systems in src/platform/posix/system*.cpp and for Windows in
// src/platform/win32/system*.cpp; where the two differ, the Windows behaviour is given after
// "Windows:".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// The number of processors online now (sysconf(_SC_NPROCESSORS_ONLN); Windows: the active
// processors of all groups); at least 1.
std::int32_t OnlineProcessorCount();

// Milliseconds of the monotonic clock, wrapping at 2^32 like a Windows tick count. Never
// goes back, whatever happens to the wall clock.
std::uint32_t TickCount();

// The scheduling state of the calling thread: its nice value and its policy with priority.
struct SchedulingState {
  int Nice = 0;
  int Policy = 0;
  int Priority = 0;
  bool Valid = false;  // false when the state could not be read (nothing to restore)
};

// Saves the calling thread's scheduling state, then raises it as far as the process is
// allowed: nice -20 and the real-time FIFO policy at its highest priority. Steps that are
// not permitted are skipped silently.
SchedulingState RaiseThreadPriority();

// Windows: Nice holds the process's priority class, Priority the thread's priority; they are
// raised to the real-time class and the time-critical thread priority.
//
// Puts back a state saved by RaiseThreadPriority: the policy first, then the nice value.
// Failures are ignored.
void RestoreThreadPriority(const SchedulingState& saved);

// Fills buf with n bytes from the operating system's cryptographic random source
// (getrandom, or /dev/urandom on kernels without it; Windows: RtlGenRandom). Returns false when no
// source answered; buf is then unspecified.
bool SecureRandomBytes(void* buf, std::size_t n);

// ---- Environment and folders ----------------------------------------------------------------

// The process environment, one "NAME=value" entry per element, in the order of environ
// (Windows: of the environment block, in UTF-8).
std::vector<std::string> EnvironmentStrings();

// The native temporary folder: $TMPDIR when it is set to an absolute path, otherwise /tmp.
// No trailing '/' (except for "/"). Windows: GetTempPathW in its long form, without trailing
// backslash (except for a root such as "C:\").
std::string TempDirectoryNative();

// The folder of the system's shared libraries and programs, native: /usr/lib (Windows:
// GetSystemDirectoryW).
std::string SystemDirectoryNative();

// The folder of system-wide settings, native: /etc (Windows: GetWindowsDirectoryW).
std::string WindowsDirectoryNative();

// ---- Drives -----------------------------------------------------------------------------

// Drive types, numbered as Windows numbers them.
inline constexpr std::int32_t kDriveUnknown = 0;    // the mount table could not be read
inline constexpr std::int32_t kDriveNoRootDir = 1;  // the directory does not exist
inline constexpr std::int32_t kDriveRemovable = 2;  // the kernel marks the block device removable
inline constexpr std::int32_t kDriveFixed = 3;      // every other local file system
inline constexpr std::int32_t kDriveRemote = 4;     // network and host-shared file systems
inline constexpr std::int32_t kDriveCdRom = 5;      // iso9660, udf
inline constexpr std::int32_t kDriveRamDisk = 6;    // tmpfs, ramfs, devtmpfs

// The type of the file system holding the native directory `dir`: the mount of
// /proc/self/mounts whose mount point is the longest prefix of the directory's real path
// (the last such entry when several are mounted on one point), classified by its type:
// remote for nfs, nfs4, cifs, smb3, smbfs, ncpfs, afs, coda, 9p, virtiofs, ceph, glusterfs,
// lustre, sshfs and the FUSE forms fuse.sshfs, fuse.glusterfs, fuse.rclone, fuse.s3fs; RAM
// disk for tmpfs, ramfs, devtmpfs; CD-ROM for iso9660 and udf; removable when
// /sys/class/block/<device>/removable (the whole disk's, for a partition) is 1; fixed
// otherwise. Windows: GetDriveTypeW of the root of the volume holding `dir`.
std::int32_t NativeDriveType(const std::string& dir);

// Free bytes available to the caller on the file system holding `dir` (statvfs: f_bavail x
// f_frsize; Windows: GetDiskFreeSpaceExW). False when the directory cannot be queried.
bool NativeFreeBytes(const std::string& dir, std::uint64_t& bytes);

// ---- File associations ---------------------------------------------------------------------
//
// The files below are read whole only up to 4 MiB each (a larger one is passed over), and
// lines longer than 4096 bytes are ignored.

// The MIME type of files named *.ext: the glob "*.ext" (case-insensitive unless flagged "cs")
// of the shared-mime-info database, globs2 (or else globs) in $XDG_DATA_HOME/mime (default
// ~/.local/share/mime) and then in each of $XDG_DATA_DIRS (default /usr/local/share:/usr/share)
// + /mime. The first folder that matches decides; in it the highest weight wins, the first
// line among equals. Only literal globs "*.<text>" take part. "" when none matches.
std::string MimeTypeOfExtension(std::string_view ext);

// The command of the default application for a MIME type: the first desktop id listed for
// it under [Default Applications] in mimeapps.list of $XDG_CONFIG_HOME (default ~/.config),
// each of $XDG_CONFIG_DIRS (default /etc/xdg), and mimeapps.list then defaults.list in the
// applications folder of $XDG_DATA_HOME and of each of $XDG_DATA_DIRS, in that order, whose
// desktop file (looked up in the same applications folders) exists, is not Hidden and has an
// Exec key. The result is that Exec value with the desktop-entry escapes (\s \n \t \r \\)
// resolved and its field codes (%f, %u...) kept. "" when there is none.
std::string DefaultOpenCommand(std::string_view mime_type);

// The command that opens files named *.ext: DefaultOpenCommand of the extension's MIME type,
// or the MIME type itself when it has no default application; "" when the extension has no
// MIME type.
//
// Windows: MimeTypeOfExtension is the "Content Type" value of the key .ext of
// HKEY_CLASSES_ROOT, and DefaultOpenCommand the open command of the extension that the
// "Extension" value of MIME\Database\Content Type\<type> names. This function reads the keys
// of HKEY_CLASSES_ROOT, without creating any: the default value of .ext\shell\open\command
// when that key exists; otherwise, when .ext exists, its default value is the program
// identifier, and the result is the default value of <identifier>\shell\open\command when
// the identifier is not empty and that key exists, else the identifier itself; "" when .ext
// does not exist.
std::string OpenCommandOfExtension(std::string_view ext);

}  // namespace krv
KORVEX_API_END
