// Every header of the stringl area.
#pragma once

#include "korvex/stringl/casemap.h"
#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"
#include "korvex/stringl/format.h"
#include "korvex/stringl/grep.h"
#include "korvex/stringl/numscan.h"
#include "korvex/stringl/params.h"
#include "korvex/stringl/scramble.h"
#include "korvex/stringl/tokens.h"
#include "korvex/stringl/uucode.h"
#include "korvex/stringl/valuetext.h"
