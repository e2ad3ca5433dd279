// Every header of the dstruct area.
#pragma once

#include "korvex/dstruct/ascii85.h"
#include "korvex/dstruct/assocarray.h"
#include "korvex/dstruct/bitfld.h"
#include "korvex/dstruct/bytematrix.h"
#include "korvex/dstruct/combinatorics.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/dstruct/fifo.h"
#include "korvex/dstruct/logicop.h"
#include "korvex/dstruct/rle.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/dstruct/stringaccu.h"
#include "korvex/dstruct/stringarray.h"
