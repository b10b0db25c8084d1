#include "base/check.h"

#include <cstdio>
#include <cstdlib>

namespace vx {

void checkFailed(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace vx
