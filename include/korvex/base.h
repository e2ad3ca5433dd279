// Every header of the base area.
#pragma once

#include "korvex/base/canvas_draw.h"
#include "korvex/base/enums.h"
#include "korvex/base/exceptions.h"
#include "korvex/base/labels.h"
#include "korvex/base/tables.h"
#include "korvex/base/types.h"
#include "korvex/base/univconst.h"
#include "korvex/base/xmlnames.h"
