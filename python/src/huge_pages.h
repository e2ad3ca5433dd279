// Huge pages for large transient buffers (a file's bytes, a table of value places).
#pragma once

#include <cstddef>

namespace korvex_py {

// Asks the system to back the 2 MiB-aligned part of [p, p + n) with huge pages (Linux
// transparent huge pages, which Debian grants on request): filling tens of megabytes then
// costs a few dozen page faults instead of thousands, which matters where a fault is costly,
// as on virtual machines. Advice only: ranges under 4 MiB, refusals and other systems leave
// the memory as it is. Call it before the memory is first touched.
void AdviseHugePages(void* p, std::size_t n);

}  // namespace korvex_py
