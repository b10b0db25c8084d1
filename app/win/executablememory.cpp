// Executable memory on Windows: committed pages whose protection is changed with
// VirtualProtect, through the system-call wrappers.
#include "base/executablememory.h"

#include "win/sys_process.h"

namespace vx {

namespace {

class WindowsExecutableMemory final : public ExecutableMemory {
 public:
  std::size_t pageSize() const override {
    SYSTEM_INFO info;
    sys::getSystemInfo(info);
    return info.dwPageSize ? info.dwPageSize : 4096;
  }
  void* reserve(std::size_t size) override {
    void* block = nullptr;
    if (sys::virtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE, block) != kOk) return nullptr;
    return block;
  }
  bool makeWritable(void* pages, std::size_t size) override {
    return sys::virtualProtect(pages, size, PAGE_READWRITE) == kOk;
  }
  bool makeExecutable(void* pages, std::size_t size) override {
    return sys::virtualProtect(pages, size, PAGE_EXECUTE_READ) == kOk && sys::flushInstructionCache(pages, size) == kOk;
  }
  void release(void* block, std::size_t) override { sys::virtualFree(block, 0, MEM_RELEASE); }
};

}  // namespace

ExecutableMemory& systemExecutableMemory() {
  static WindowsExecutableMemory memory;
  return memory;
}

}  // namespace vx
