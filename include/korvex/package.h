// Loading and unloading: the nine units initialise in unit order and finalise in reverse.
//
// Each unit's initialisation and finalisation runs at most once per load: a per-unit counter
// starts at 0; initialisation decrements it and works only when it was 0 before, finalisation
// increments it and works only when it comes back to 0. A second PackageLoad without an
// intervening PackageUnload therefore does nothing.
//
// Nothing runs before main, with the static library or the shared one: a program calls
// PackageLoad once at start-up, before its first use of the library, and PackageUnload when
// it is done, whichever it links, and then sees the same state with both. Loading sets
// ProcStat to 0 and calls InitScramble(kDefaultScrambleSeed), which leaves RandSeed where the
// table draws end. Without PackageLoad everything works as well: the scrambling tables are
// those of the default seed from the start and ProcStat is 0, but RandSeed keeps its start
// value 0.
//
// Threads: PackageLoad, PackageUnload and the run counters may be called from several threads
// at once; loads and unloads take turns. A load writes ProcStat, a plain variable, so no other
// thread may use ProcStat while one runs.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// The nine units, in initialisation order.
// clang-format off
enum TKrvUnit : std::uint8_t {
  Krv_univconst, Krv_krvbase, Krv_krvcolors, Krv_stringl, Krv_streams,
  Krv_htmlsupport, Krv_dstruct, Krv_cpuid, Krv_filesys
};
// clang-format on
inline constexpr int kUnitCount = 9;

using TUnitProc = void (*)();

struct TPackageUnitEntry {
  TUnitProc Init;   // may be null
  TUnitProc FInit;  // may be null
};

// The unit table: the number of entries followed by one (initialisation, finalisation) pair
// per unit, in unit order.
struct TPackageInfoTable {
  std::int32_t UnitCount;
  const TPackageUnitEntry* UnitInfo;
};

const TPackageInfoTable* GetPackageInfoTable();
void PackageLoad();
void PackageUnload();
inline void Initialize() {
  PackageLoad();
}
inline void Finalize() {
  PackageUnload();
}

// How often a unit's initialisation (or finalisation) has done its work since the process
// started; for tests and diagnostics.
int UnitInitializationRuns(TKrvUnit unit);
int UnitFinalizationRuns(TKrvUnit unit);

}  // namespace krv
KORVEX_API_END
