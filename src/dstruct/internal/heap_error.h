// The allocation failure every data-structure component reports the same way.
#pragma once

#include <new>
#include <stdexcept>
#include <utility>

#include "korvex/base/exceptions.h"
#include "korvex/platform/component.h"

namespace krv::detail {

// Raises EKRVDStructError "Component \"Name\": <text>".
[[noreturn]] inline void RaiseDStructError(const TComponent& c, const String& text) {
  throw EKRVDStructError(c.ComponentMessage(text));
}

// Runs fn; a std::bad_alloc (or std::length_error from an impossible size) becomes
// EKRVDStructError with the component message "<text>".
template <typename Fn>
decltype(auto) WithHeapGuard(const TComponent& c, const String& text, Fn&& fn) {
  try {
    return std::forward<Fn>(fn)();
  } catch (const std::bad_alloc&) {
    RaiseDStructError(c, text);
  } catch (const std::length_error&) {
    RaiseDStructError(c, text);
  }
}

inline constexpr char16_t kNoHeapText[] = u"not enough memory on heap";

}  // namespace krv::detail
