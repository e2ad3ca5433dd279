// Every header of the htmlsupport area.
#pragma once

#include "korvex/htmlsupport/htmlproducer.h"
#include "korvex/htmlsupport/htmltext.h"
