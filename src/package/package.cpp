#include "korvex/package.h"

#include <array>
#include <mutex>

#include "korvex/base/types.h"
#include "korvex/stringl/scramble.h"

namespace krv {
namespace {

struct UnitState {
  int counter = 0;  // 0 when unloaded, -1 when loaded
  int init_runs = 0;
  int final_runs = 0;
};

std::array<UnitState, kUnitCount> g_units;
// Guards g_units: loads and unloads from different threads take turns.
std::mutex g_units_mutex;

// Wraps a unit's own work with the once-only counter.
template <TKrvUnit U>
void InitUnit(void (*work)()) {
  UnitState& s = g_units[U];
  if (s.counter-- != 0) return;
  ++s.init_runs;
  if (work != nullptr) work();
}

template <TKrvUnit U>
void FinalizeUnit() {
  UnitState& s = g_units[U];
  // An unload without a matching load would push the counter above zero and block every
  // later load; it is ignored instead.
  if (s.counter == 0) return;
  if (++s.counter != 0) return;
  // Finalisation only released the units' string tables; the C++ tables are static data
  // that outlive the load, so there is nothing else to undo.
  ++s.final_runs;
}

void BaseWork() {
  ProcStat = 0;
}
void StringlWork() {
  InitScramble(kDefaultScrambleSeed);
}

template <TKrvUnit U>
void Init() {
  InitUnit<U>(nullptr);
}
template <>
void Init<Krv_krvbase>() {
  InitUnit<Krv_krvbase>(&BaseWork);
}
template <>
void Init<Krv_stringl>() {
  InitUnit<Krv_stringl>(&StringlWork);
}

constexpr std::array<TPackageUnitEntry, kUnitCount> kUnitTable = {{
    {&Init<Krv_univconst>, &FinalizeUnit<Krv_univconst>},
    {&Init<Krv_krvbase>, &FinalizeUnit<Krv_krvbase>},
    {&Init<Krv_krvcolors>, &FinalizeUnit<Krv_krvcolors>},
    {&Init<Krv_stringl>, &FinalizeUnit<Krv_stringl>},
    {&Init<Krv_streams>, &FinalizeUnit<Krv_streams>},
    {&Init<Krv_htmlsupport>, &FinalizeUnit<Krv_htmlsupport>},
    {&Init<Krv_dstruct>, &FinalizeUnit<Krv_dstruct>},
    {&Init<Krv_cpuid>, &FinalizeUnit<Krv_cpuid>},
    {&Init<Krv_filesys>, &FinalizeUnit<Krv_filesys>},
}};

constexpr TPackageInfoTable kPackageInfo = {kUnitCount, kUnitTable.data()};

}  // namespace

const TPackageInfoTable* GetPackageInfoTable() {
  return &kPackageInfo;
}

void PackageLoad() {
  const std::lock_guard<std::mutex> lock(g_units_mutex);
  for (const auto& e : kUnitTable)
    if (e.Init != nullptr) e.Init();
}

void PackageUnload() {
  const std::lock_guard<std::mutex> lock(g_units_mutex);
  for (auto it = kUnitTable.rbegin(); it != kUnitTable.rend(); ++it)
    if (it->FInit != nullptr) it->FInit();
}

int UnitInitializationRuns(TKrvUnit unit) {
  const std::lock_guard<std::mutex> lock(g_units_mutex);
  return unit < kUnitCount ? g_units[unit].init_runs : 0;
}
int UnitFinalizationRuns(TKrvUnit unit) {
  const std::lock_guard<std::mutex> lock(g_units_mutex);
  return unit < kUnitCount ? g_units[unit].final_runs : 0;
}

}  // namespace krv
