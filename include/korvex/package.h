// Loading and unloading: the nine units initialise in unit order and finalise in reverse.
//
// Each unit's initialisation and finalisation runs at most once per load: a per-unit counter
// starts at 0; initialisation decrements it and works only when it was 0 before, finalisation
// increments it and works only when it comes back to 0. A second PackageLoad without an
// intervening PackageUnload therefore does nothing.
//
// The shared library runs PackageLoad when it is loaded and PackageUnload when it is
// unloaded; explicit calls stay harmless. With the static library, call PackageLoad once at
// start-up (everything also works without it: the scrambling tables start out built from the
// default seed).
#pragma once

#include <cstdint>

namespace krv {

// The nine units, in initialisation order.
enum TKrvUnit : std::uint8_t {
  Krv_univconst, Krv_krvbase, Krv_krvcolors, Krv_stringl, Krv_streams,
  Krv_htmlsupport, Krv_dstruct, Krv_cpuid, Krv_filesys
};
inline constexpr int kUnitCount = 9;

using TUnitProc = void (*)();

struct TPackageUnitEntry {
  TUnitProc Init;  // may be null
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
inline void Initialize() { PackageLoad(); }
inline void Finalize() { PackageUnload(); }

// How often a unit's initialisation (or finalisation) has done its work since the process
// started; for tests and diagnostics.
int UnitInitializationRuns(TKrvUnit unit);
int UnitFinalizationRuns(TKrvUnit unit);

}  // namespace krv
