// The end of a failed invariant check.
#include "base/Chk_Assert.h"

#include <cstdio>
#include <cstdlib>

void Chk_fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}
