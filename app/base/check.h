#pragma once
// Runtime checks of the invariants the code relies on (stack depths, release
// sizes, the walk restoring cell flags, depth-list order). They are on in the
// sanitize and fuzz builds (VELTRIX_ASSERTS), where a broken invariant should
// stop at its cause rather than surface later as a stray write; in the shipped
// programs they compile to nothing, but the condition is still type-checked so
// that it cannot rot.

namespace vx {

// Prints "file:line: check failed: condition" on standard error and aborts.
[[noreturn]] void checkFailed(const char* file, int line, const char* condition);

}  // namespace vx

#ifdef VELTRIX_ASSERTS
#define VX_ASSERT(cond) ((cond) ? static_cast<void>(0) : ::vx::checkFailed(__FILE__, __LINE__, #cond))
#else
#define VX_ASSERT(cond) static_cast<void>(sizeof(static_cast<bool>(cond)))
#endif
