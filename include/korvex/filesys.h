// Every header of the filesys area.
#pragma once

#include "korvex/filesys/copying.h"
#include "korvex/filesys/dirs.h"
#include "korvex/filesys/passwords.h"
#include "korvex/filesys/paths.h"
#include "korvex/filesys/savedialog.h"
#include "korvex/filesys/scanning.h"
#include "korvex/filesys/sysinfo.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/filesys/trees.h"
