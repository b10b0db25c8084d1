// What every wrapper shares: the failure status and the kept last error.
#include "win/sys.h"

namespace vx::sys {

namespace {
DWORD gLastError = 0;
}

DWORD lastError() { return gLastError; }

Status failure() {
  gLastError = GetLastError();
  return kSystemCallFailed;
}

Status check(bool ok) { return ok ? kOk : failure(); }

}  // namespace vx::sys
