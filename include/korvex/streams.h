// Every header of the streams area.
#pragma once

#include "korvex/streams/binary_io.h"
#include "korvex/streams/number_scan.h"
#include "korvex/streams/read_until.h"
#include "korvex/streams/search_replace.h"
#include "korvex/streams/tags.h"
#include "korvex/streams/text_io.h"
