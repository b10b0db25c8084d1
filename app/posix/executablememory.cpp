// Executable memory on POSIX systems: anonymous private mappings whose page
// protection is changed with mprotect.
#include "base/executablememory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace vx {

namespace {

class PosixExecutableMemory final : public ExecutableMemory {
 public:
  std::size_t pageSize() const override {
    const long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? static_cast<std::size_t>(size) : 4096;
  }
  void* reserve(std::size_t size) override {
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
  }
  bool makeWritable(void* pages, std::size_t size) override { return mprotect(pages, size, PROT_READ | PROT_WRITE) == 0; }
  bool makeExecutable(void* pages, std::size_t size) override { return mprotect(pages, size, PROT_READ | PROT_EXEC) == 0; }
  void release(void* block, std::size_t size) override { munmap(block, size); }
};

}  // namespace

ExecutableMemory& systemExecutableMemory() {
  static PosixExecutableMemory memory;
  return memory;
}

}  // namespace vx
