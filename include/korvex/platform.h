// Every header of the platform area.
#pragma once

#include "korvex/platform/casefold.h"
#include "korvex/platform/component.h"
#include "korvex/platform/cpu_features.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/export.h"
#include "korvex/platform/geometry.h"
#include "korvex/platform/indexed_array.h"
#include "korvex/platform/random.h"
#include "korvex/platform/rounding.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"
#include "korvex/platform/variant.h"
