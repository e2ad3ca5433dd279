// Every header of the filesys area.
#pragma once

#include "korvex/filesys/paths.h"
