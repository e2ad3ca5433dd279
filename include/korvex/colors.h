// Every header of the colors area.
#pragma once

