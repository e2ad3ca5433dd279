// Finding out whether files can be created in a directory, by creating one and removing it.
//
// The probe file is created exclusively, so an existing file of that name is never opened,
// truncated or deleted; when the usual name is taken, numbered variants are tried. Only the
// file the probe created (checked by device and inode) is removed again.
#pragma once

#include "korvex/platform/types.h"

namespace krv::detail {

enum class ProbeResult {
  kWritable,       // a probe file was created, closed and removed
  kNotWritable,    // no probe file could be created
  kCleanupFailed,  // created, but closing or removing it failed (error code in `err`)
};

// Probes directory `dir` (a Windows name ending with `\`) with the file `name` ("$%$LO%$.$$$").
// `err` receives the errno-style code of a cleanup failure.
ProbeResult ProbeWritable(const String& dir, const String& name, int& err);

}  // namespace krv::detail
