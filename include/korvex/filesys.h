// Every header of the filesys area.
#pragma once

#include "korvex/filesys/passwords.h"
#include "korvex/filesys/paths.h"
