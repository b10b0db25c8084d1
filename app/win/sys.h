#pragma once
// The programs reach the system only through these wrappers: one thin function
// per system call they use, each a line of a table rather than a layer of its own.
//
//   - Texts in and out are UTF-8 (std::string_view in, std::string& out); each
//     wrapper converts at the boundary and calls the Unicode (W) entry point, so
//     that every file name the system can hold works.
//   - A wrapper returns kOk, or kSystemCallFailed when the function returned its
//     documented failure value: zero or a null handle for most, -1 (CLR_INVALID,
//     GDI_ERROR, INVALID_HANDLE_VALUE) for those that say so. Where zero can be a
//     valid answer (window longs, scroll positions, the previous focus) the call
//     failed only when it also left a last error; the wrapper clears it first.
//   - Results come back through out parameters, which are left alone on failure.
//   - The system's last-error code of the latest failure is kept for lastError(),
//     since later calls would overwrite the system's own.
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

namespace vx::sys {

// The system's last-error code of the latest failed wrapper (0 before any).
DWORD lastError();

// Records the system's last error for lastError() and returns kSystemCallFailed;
// for wrappers and for callers that test a system result themselves.
Status failure();
// kOk when `ok`, failure() otherwise.
Status check(bool ok);

}  // namespace vx::sys

#include "win/sys_process.h"
#include "win/sys_files.h"
#include "win/sys_window.h"
#include "win/sys_gdi.h"
#include "win/sys_dialogs.h"
#include "win/sys_clipboard.h"
