// Every header of the colors area.
#pragma once

#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
