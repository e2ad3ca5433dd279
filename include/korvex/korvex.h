// The whole Korvex library.
#pragma once

#include "korvex/platform.h"
#include "korvex/base.h"
#include "korvex/stringl.h"
#include "korvex/streams.h"
#include "korvex/dstruct.h"
#include "korvex/package.h"
