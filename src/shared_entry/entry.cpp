// Built into the shared library only: runs the load sequence when the library is loaded and
// the unload sequence when it is unloaded.
#include "korvex/package.h"

namespace {
__attribute__((constructor)) void KorvexLibraryLoaded() { krv::PackageLoad(); }
__attribute__((destructor)) void KorvexLibraryUnloaded() { krv::PackageUnload(); }
}  // namespace
