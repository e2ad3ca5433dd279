// Every header of the cpuid area.
#pragma once

#include "korvex/cpuid/cpuid.h"
