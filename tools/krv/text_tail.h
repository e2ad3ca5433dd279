// The last lines of an input, byte for byte as coreutils `tail -n` prints them.
#pragma once

#include <cstdint>

#include "io.h"

namespace krv::tool {

// Writes the last n lines of `in` to `out` unchanged: lines end at LF bytes whatever the
// encoding (a CR stays where it is, a byte-order mark is part of the first line), a last line
// without a line end is written without one, and a shorter input is written whole. n = 0
// writes nothing and reads nothing.
//
// A regular file that is not empty (standard input too, from its start) is read from its end
// in blocks, and the lines found are copied in blocks, so neither its size nor the length of
// its lines costs memory. Other inputs (pipes, terminals, devices) are read through once,
// holding the bytes that may belong to the last n lines: up to kTextWindow of them in memory,
// the older ones in temporary files in the system's temporary folder (unnamed on POSIX),
// each removed once none of its bytes can be among the last lines any more. Throws Failure.
void WriteLastLines(Input& in, std::int64_t n, Output& out);

}  // namespace krv::tool
