#pragma once
// Size-class allocator. Blocks carry no header: the caller passes the size on
// release. Small classes (4..212 bytes, steps of 4) and power-of-two classes
// (256 bytes up to the chunk size) are carved from chunks; larger blocks are
// whole multiples of the chunk size. Freed blocks go to their class's list and
// are reused last-in, first-out; nothing is returned to the system.
#include <cstddef>
#include <cstdint>

namespace vx {

// Where chunks come from. The only place the layer touches the system.
class ChunkSource {
 public:
  virtual ~ChunkSource() = default;
  // A zero-filled block of `size` bytes, aligned to 16; never null (exhaustion is fatal:
  // the source reports and ends the process).
  virtual void* obtain(std::size_t size) = 0;
};

// Chunks from the C++ runtime's heap. The source keeps every block it gave on a
// list through a small header in front of it, and frees them all when it ends:
// the program's one allocator lives for the whole run, while tools and tests
// make an allocator per job and must not leak its chunks.
class HeapChunkSource final : public ChunkSource {
 public:
  HeapChunkSource() = default;
  HeapChunkSource(const HeapChunkSource&) = delete;
  HeapChunkSource& operator=(const HeapChunkSource&) = delete;
  ~HeapChunkSource() override;
  void* obtain(std::size_t size) override;

 private:
  void* newest_ = nullptr;
};

class Allocator {
 public:
  static constexpr std::size_t kSmallLimit = 212;
  static constexpr int kSmallClasses = 53;
  static constexpr int kPowerClasses = 32;

  // Chunks from a heap source of the allocator's own, freed with the allocator.
  Allocator() : Allocator(ownSource_) {}
  explicit Allocator(ChunkSource& source, std::size_t pageSize = 4096, std::size_t granularity = 65536);
  Allocator(const Allocator&) = delete;
  Allocator& operator=(const Allocator&) = delete;

  void* Allocate(std::size_t size);
  void* AllocateZeroed(std::size_t size);
  void* AllocateCopy(const void* source, std::size_t size);
  void Release(void* block, std::size_t size);

  std::size_t chunkSize() const { return chunkSize_; }
  // The size of the block that a request of `size` bytes actually takes.
  std::size_t classSize(std::size_t size) const;

  template <class T, class... Args>
  T* make(Args&&... args);
  template <class T>
  void destroy(T* p);

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  struct LargeClass {
    LargeClass* next;
    std::size_t size;
    FreeBlock* head;
  };
  void* carve(std::size_t size);
  FreeBlock** listFor(std::size_t rounded);

  HeapChunkSource ownSource_;  // constructed first: source_ may refer to it
  ChunkSource& source_;
  std::size_t chunkSize_;
  unsigned char* chunk_ = nullptr;
  std::size_t left_ = 0;
  FreeBlock* small_[kSmallClasses] = {};
  FreeBlock* power_[kPowerClasses] = {};
  LargeClass* large_ = nullptr;
};

}  // namespace vx

#include <new>
#include <utility>

template <class T, class... Args>
T* vx::Allocator::make(Args&&... args) {
  static_assert(alignof(T) <= 8, "carved blocks are 8-aligned");
  return new (Allocate(sizeof(T))) T(std::forward<Args>(args)...);
}

template <class T>
void vx::Allocator::destroy(T* p) {
  if (!p) return;
  p->~T();
  Release(p, sizeof(T));
}
