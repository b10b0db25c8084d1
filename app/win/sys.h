#pragma once
// The programs reach the system only through these wrappers: one thin function
// per system call they use, each a line of a table rather than a layer of its own.
//
//   - Texts in and out are UTF-8 (std::string_view in, std::string& out); each
//     wrapper converts at the boundary and calls the Unicode (W) entry point, so
//     that every file name the system can hold works.
//   - A wrapper returns kOk, or the call's own status (sys_statuses.h, whose
//     bytes spell the call) when the function returned its documented failure
//     value: zero or a null handle for most, -1 (CLR_INVALID, GDI_ERROR,
//     INVALID_HANDLE_VALUE) for those that say so, an error code for the registry
//     functions, a failing HRESULT for COM. Where zero can be a valid answer
//     (window longs, scroll positions, the previous focus) the call failed only
//     when it also left a last error; the wrapper clears it first.
//   - Results come back through out parameters, which are left alone on failure.
//   - The system's last-error code of the latest failure is kept for lastError(),
//     since later calls would overwrite the system's own; the registry's error
//     codes and COM's HRESULTs are kept there too.
//   - A function that has no failure value (GetTickCount, SendMessage,
//     DispatchMessage) returns its result directly.
//
// The wrappers are named after the function in lowerCamelCase without its A/W
// suffix (the windows.h macros make the plain names unusable).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "win/sys_statuses.h"

namespace vx::sys {

// The system's last-error code of the latest failed wrapper (0 before any).
DWORD lastError();

// Records the system's last error for lastError() and returns `own`, the failed
// call's status.
Status failure(Status own);
// Records `code` (a registry error code, an HRESULT) as the last error and
// returns `own`.
Status failure(Status own, DWORD code);
// kOk when `ok`, failure(own) otherwise.
Status check(bool ok, Status own);

}  // namespace vx::sys

#include "win/sys_process.h"
#include "win/sys_files.h"
#include "win/sys_window.h"
#include "win/sys_gdi.h"
#include "win/sys_dialogs.h"
#include "win/sys_clipboard.h"
#include "win/sys_registry.h"
