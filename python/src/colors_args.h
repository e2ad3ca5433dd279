// Colour values and RGB arrays at the Python edge, shared by the colours and drawing bindings.
#pragma once

#include <pybind11/numpy.h>

#include <cstdint>
#include <mutex>

#include "bind.h"
#include "korvex/platform/types.h"

namespace korvex_py {

// A colour from Python: an int 0..0xFFFFFFFF (the library's TColor, red in the low byte), a
// sequence (r, g, b) of three ints 0..255, or a str: a name of the colour dictionary (any
// ASCII case, blanks ignored), "#RRGGBB" (web order) or "$BBGGRR" (the library's order).
// Anything else raises TypeError, a value out of range or an unknown name ValueError.
krv::TColor ColorArg(const py::handle& value);

// The dictionary index (1-based) of a colour name compared ignoring ASCII case and blanks;
// 0 when no name matches.
long FindColorName(std::u16string_view name);

// An array of RGB triples as uint8, C-contiguous, of `ndim` dimensions whose last is 3:
// integers must lie in 0..255, floats in 0.0..1.0 (scaled by 255 and rounded). Anything
// else raises ValueError (values, shape) or TypeError (dtype).
py::array_t<std::uint8_t> RgbArray(const py::handle& value, int ndim);

// PathArg for the files these areas write and read, refusing (ValueError, as open() does) a
// name with a NUL character, which no file can have.
krv::String FileArg(const py::object& path);

// The lock every colour array, bitmap, canvas and PDF document is used under, so that a call
// running without the GIL never meets another thread's change to the same object.
std::mutex& ObjectLock();

// Runs f with the GIL released and the object lock held; f touches no Python object.
template <typename F>
auto Unlocked(F&& f) {
  py::gil_scoped_release release;
  const std::lock_guard<std::mutex> lock(ObjectLock());
  return f();
}

// Runs f with the GIL kept and the object lock held; f touches no Python object.
template <typename F>
auto Locked(F&& f) {
  const std::lock_guard<std::mutex> lock(ObjectLock());
  return f();
}

}  // namespace korvex_py
