// Every header of the filesys area.
#pragma once

