#pragma once
// Memory that machine code runs from, as the system hands it out. The core
// writes native code for compiled expressions into such memory and never runs a
// page while it is writable: pages are reserved readable and writable, written,
// then made executable (and read-only); to add code to a page it is made
// writable (and not executable) again first. The front ends implement this with
// the system's page protection; without an implementation every expression runs
// in the interpreter.
#include <cstddef>

namespace vx {

class ExecutableMemory {
 public:
  virtual ~ExecutableMemory() = default;

  // The unit of protection; every size and address below is a multiple of it.
  virtual std::size_t pageSize() const = 0;
  // `size` bytes of readable, writable, not executable pages; null when the
  // system refuses.
  virtual void* reserve(std::size_t size) = 0;
  // Pages of a reserved block: writable and not executable, or executable and
  // not writable. False when the system refuses (the protection is then unknown).
  virtual bool makeWritable(void* pages, std::size_t size) = 0;
  virtual bool makeExecutable(void* pages, std::size_t size) = 0;
  // Gives a whole reserved block back.
  virtual void release(void* block, std::size_t size) = 0;
};

// The system's implementation, in the front end's platform layer.
ExecutableMemory& systemExecutableMemory();

}  // namespace vx
