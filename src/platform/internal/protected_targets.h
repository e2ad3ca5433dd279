// The check behind ProtectedTargetReason (filesystem.h), for callers that resolved their name
// already and must not resolve it again.
#pragma once

#include <cerrno>

#include "korvex/platform/types.h"
#include "platform/internal/dir_handle.h"

namespace krv::detail {

// The errno-style code a refused call leaves for GetLastOSError().
inline constexpr int kRefusedError = EPERM;

// The reason `given`, resolved to `native`, may not be deleted, moved or overwritten; "" when
// it may. See ProtectedTargetReason.
String ProtectedReasonOf(const String& given, const NativeName& native, bool follow);

// When the target is protected: records the reason for LastRefusalReason(), sets the last OS
// error to kRefusedError and returns true.
bool RefuseProtected(const String& given, const NativeName& native, bool follow);

}  // namespace krv::detail
