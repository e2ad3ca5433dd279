// Linked against the shared library.
#include <gtest/gtest.h>

#include "package/startup_checks.h"

TEST(SharedLibrary, StartsAsTheStaticLibraryDoes) {
  krv::testing::ExpectStartupStateThenLoad();
}
