// What the Windows programs take from the C++ runtime, in a form that needs no
// exception support. The programs are built without exceptions, but the static
// runtime's own operator new and its __throw_* helpers throw, and linking them
// brings in the unwinder, the exception classes, their string copies, threads
// support and the name demangler of the terminate handler: more than the
// program itself. Every path that would throw ends here instead: exhaustion of
// memory through the allocator's out-of-memory exit (the program's host shows
// it), a broken library precondition by aborting.
//
// Linked into each small program as an object, ahead of the runtime library,
// so that these definitions replace the runtime's. The set is complete on
// purpose: a helper left out would pull in the runtime's object that defines it
// together with all the others, and the link would fail on the duplicates.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "base/memory.h"

namespace {

[[noreturn]] void brokenPrecondition() { std::abort(); }

void* allocateOrExit(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) vx::outOfMemory();
  return block;
}

// The runtime's aligned forms use the system's aligned heap, which must be
// released through its own routine; these keep that pairing.
void* allocateAligned(std::size_t size, std::align_val_t alignment) {
  return _aligned_malloc(size ? size : 1, static_cast<std::size_t>(alignment));
}

void* allocateAlignedOrExit(std::size_t size, std::align_val_t alignment) {
  void* block = allocateAligned(size, alignment);
  if (!block) vx::outOfMemory();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrExit(size); }
void* operator new[](std::size_t size) { return allocateOrExit(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateAlignedOrExit(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAlignedOrExit(size, a); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return allocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return allocateAligned(size, a);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { _aligned_free(block); }

// Called by the standard containers and strings. A request too large to
// represent is exhaustion of memory as far as the program is concerned; the
// others are violated preconditions the programs never rely on.
namespace std {
void __throw_bad_alloc() { vx::outOfMemory(); }
void __throw_bad_array_new_length() { vx::outOfMemory(); }
void __throw_length_error(const char*) { vx::outOfMemory(); }
void __throw_bad_cast() { brokenPrecondition(); }
void __throw_bad_typeid() { brokenPrecondition(); }
void __throw_bad_exception() { brokenPrecondition(); }
void __throw_logic_error(const char*) { brokenPrecondition(); }
void __throw_domain_error(const char*) { brokenPrecondition(); }
void __throw_invalid_argument(const char*) { brokenPrecondition(); }
void __throw_out_of_range(const char*) { brokenPrecondition(); }
void __throw_out_of_range_fmt(const char*, ...) { brokenPrecondition(); }
void __throw_runtime_error(const char*) { brokenPrecondition(); }
void __throw_range_error(const char*) { brokenPrecondition(); }
void __throw_overflow_error(const char*) { brokenPrecondition(); }
void __throw_underflow_error(const char*) { brokenPrecondition(); }
}  // namespace std

// The few runtime routines the programs do use (the decimal conversion of
// number literals) were compiled with exceptions, and their unwind tables name
// the personality routine, which would bring back the whole unwinder. It is only
// ever called while an exception unwinds, and with the definitions above
// nothing in these programs can throw one.
extern "C" {
[[noreturn]] void __gxx_personality_v0() { brokenPrecondition(); }
[[noreturn]] void __gxx_personality_seh0() { brokenPrecondition(); }
}
