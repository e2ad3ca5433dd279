// What the shared library exports.
//
// The library is compiled with hidden visibility. Every public header wraps its namespace krv
// block in KORVEX_API_BEGIN ... KORVEX_API_END, which gives each declaration in it default
// visibility, so the shared library exports exactly what the public headers declare (classes
// with their vtables and typeinfo, free functions, variables) and nothing from krv::detail or
// the source files. A declaration keeps the visibility of its first declaration, so the source
// files reopen namespace krv without the macros. A public header that must name a krv::detail
// type closes the block around it (KORVEX_API_END ... KORVEX_API_BEGIN).
//
// For a program, static or shared, the macros only restate the default visibility.
#pragma once

#define KORVEX_API_BEGIN _Pragma("GCC visibility push(default)")
#define KORVEX_API_END _Pragma("GCC visibility pop")
