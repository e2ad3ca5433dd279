#include "filesys/internal/write_probe.h"

#include <string>

#include "korvex/platform/filesystem.h"

namespace krv::detail {

namespace {

// How many numbered names ("$%$LO%$.$$$.1" ...) are tried when the usual one exists.
constexpr int kProbeVariants = 100;

String Numbered(const String& name, int n) {
  if (n == 0) return name;
  String out = name + u'.';
  for (Char c : std::to_string(n)) out += c;
  return out;
}

}  // namespace

ProbeResult ProbeWritable(const String& dir, const String& name, int& err) {
  err = 0;
  for (int n = 0; n < kProbeVariants; ++n) {
    const String probe = dir + Numbered(name, n);
    const TFileHandle h = FileCreateNew(probe);
    if (h == kInvalidFileHandle) {
      if (FileGetAttr(probe) != -1) continue;  // taken: try the next name
      return ProbeResult::kNotWritable;
    }
    const bool ours = SameFile(probe, h);
    if (!FileClose(h)) {
      err = GetLastOSError();
      return ProbeResult::kCleanupFailed;
    }
    if (ours && !DeleteFile(probe)) {
      err = GetLastOSError();
      return ProbeResult::kCleanupFailed;
    }
    return ProbeResult::kWritable;
  }
  return ProbeResult::kNotWritable;
}

}  // namespace krv::detail
