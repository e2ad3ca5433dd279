// The whole Korvex library, area by area in unit order.
#pragma once

// clang-format off
#include "korvex/platform.h"
#include "korvex/base.h"
#include "korvex/colors.h"
#include "korvex/stringl.h"
#include "korvex/streams.h"
#include "korvex/htmlsupport.h"
#include "korvex/dstruct.h"
#include "korvex/cpuid.h"
#include "korvex/filesys.h"
#include "korvex/package.h"
// clang-format on
