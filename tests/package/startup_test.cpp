// Linked against the static library.
#include <gtest/gtest.h>

#include "package/startup_checks.h"

TEST(StaticLibrary, StartsAsTheSharedLibraryDoes) {
  krv::testing::ExpectStartupStateThenLoad();
}
