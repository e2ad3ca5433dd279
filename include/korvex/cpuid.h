// Every header of the cpuid area.
#pragma once

