// What every wrapper shares: the failure status and the kept last error.
#include "win/sys.h"

namespace vx::sys {

namespace {
DWORD gLastError = 0;
}

DWORD lastError() { return gLastError; }

Status failure(Status own) { return failure(own, GetLastError()); }

Status failure(Status own, DWORD code) {
  gLastError = code;
  // The code is also the system's, for callers that ask it directly.
  SetLastError(code);
  return own;
}

Status check(bool ok, Status own) { return ok ? kOk : failure(own); }

}  // namespace vx::sys
