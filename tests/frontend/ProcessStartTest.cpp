// What a `corvan solve` process loads: the command, the platform library and
// the system library carry their own copies of the C++ library, so that a
// solve loads no shared one (except in the sanitizer builds, whose runtime
// wants it), while every library they need still loads and the solve runs.
#include <gtest/gtest.h>

#include <string>

#include "tests/frontend/CliFixture.h"

namespace {

TEST(ProcessStart, ASolveLoadsTheSystemLibraryButNoSharedCxxLibrary) {
#ifndef CORVAN_PRIVATE_RUNTIME
  GTEST_SKIP() << "this build links the shared C++ library";
#endif
  // The loader names every file it loads on standard error.
  CliRun r = corvan("solve " + data("lp/afiro.xlsx") + " --quiet", "LD_DEBUG=files");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.has("Corvan32.dll [0];  dynamically loaded")) << r.out;
  EXPECT_FALSE(r.has("libstdc++")) << r.out;
  EXPECT_TRUE(r.has("-464.753")) << r.out;  // afiro's known optimum, printed as usual
}

}  // namespace
