#include "korvex/stringl/chars.h"

namespace krv {

TCharSet WordSeps = kDefaultWordSeps;

}  // namespace krv
