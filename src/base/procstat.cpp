#include "korvex/base/types.h"

namespace krv {

std::int64_t ProcStat = 0;
std::int64_t LastProcStat = 0;
std::intptr_t AbortMathProc = 0;
FeedBackProcType MathFeedBackProc = nullptr;

}  // namespace krv
