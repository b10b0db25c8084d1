#pragma once
// Size-class allocator. Blocks carry no header: the caller passes the size on
// release. Small classes (4..212 bytes, steps of 4) and power-of-two classes
// (256 bytes up to the chunk size) are carved from chunks, 8-aligned, and
// 16-aligned when their class size is a multiple of 16; a freed carved block
// goes to its class's list and is reused last-in, first-out, and chunks stay
// with the allocator until it ends. Larger blocks are whole multiples of the
// chunk size, taken from the chunk source one by one and given back to it on
// release: kept for reuse, blocks of every size a long session asked for (the
// sample store and the picture at each resolution it was redrawn at) would
// exhaust the 32-bit address space.
//
// In sanitizer builds free and uncarved memory is poisoned and carved blocks are
// kept apart by poisoned red zones, so that AddressSanitizer reports an overrun
// or a use after release of a carved block as it does for the heap's own.
#include <cstddef>
#include <cstdint>

#include "base/tuning.h"

// VELTRIX_ASAN: built with AddressSanitizer (g++ says so with a macro, clang
// with a feature test).
#if defined(__SANITIZE_ADDRESS__)
#define VELTRIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTRIX_ASAN 1
#endif
#endif

namespace vx {

class Host;

// Every exhaustion of memory in the core ends here. By default it prints
// "veltrix: out of memory" and ends the process; a front end sends it to its
// host instead.
[[noreturn]] void outOfMemory();
// Sends outOfMemory to `host->outOfMemory()` (nullptr restores the default).
void setOutOfMemoryHost(Host* host);

// Where chunks and large blocks come from. The only place the layer touches the
// system.
class ChunkSource {
 public:
  virtual ~ChunkSource() = default;
  // A zero-filled block of `size` bytes, aligned to 16; never null (exhaustion
  // goes to outOfMemory).
  virtual void* obtain(std::size_t size) = 0;
  // A large block from obtain(size) that the allocator no longer needs. A source
  // that frees everything it gave when it ends may keep the block until then.
  virtual void giveBack(void* block, std::size_t size) {}
};

// Blocks from the C++ runtime's heap. The source keeps every block it gave on a
// list through a small header in front of it, frees a block given back at once
// and the rest when it ends: the program's one allocator lives for the whole run,
// while tools and tests make an allocator per job and must not leak its chunks.
class HeapChunkSource final : public ChunkSource {
 public:
  HeapChunkSource() = default;
  HeapChunkSource(const HeapChunkSource&) = delete;
  HeapChunkSource& operator=(const HeapChunkSource&) = delete;
  ~HeapChunkSource() override;
  void* obtain(std::size_t size) override;
  void giveBack(void* block, std::size_t size) override;

 private:
  struct Header;
  Header* newest_ = nullptr;
};

class Allocator {
 public:
  static constexpr std::size_t kSmallLimit = 212;
  static constexpr int kSmallClasses = 53;
  static constexpr int kPowerClasses = 32;
  // Poisoned bytes after every carved block in sanitizer builds (none otherwise).
#ifdef VELTRIX_ASAN
  static constexpr std::size_t kRedZone = 16;
#else
  static constexpr std::size_t kRedZone = 0;
#endif

  // Chunks from a heap source of the allocator's own, freed with the allocator.
  Allocator() : Allocator(ownSource_) {}
  explicit Allocator(ChunkSource& source, std::size_t pageSize = 4096, std::size_t granularity = tuning::kAllocatorChunk);
  Allocator(const Allocator&) = delete;
  Allocator& operator=(const Allocator&) = delete;

  void* Allocate(std::size_t size);
  void* AllocateZeroed(std::size_t size);
  // `size` is the size the block was allocated with.
  void Release(void* block, std::size_t size);

  std::size_t chunkSize() const { return chunkSize_; }
  // The size of the block that a request of `size` bytes actually takes.
  std::size_t classSize(std::size_t size) const;

 private:
  struct FreeBlock {
    FreeBlock* next;
  };
  void* carve(std::size_t size);
  FreeBlock** listFor(std::size_t blockSize);

  HeapChunkSource ownSource_;  // constructed first: source_ may refer to it
  ChunkSource& source_;
  std::size_t chunkSize_;
  unsigned char* chunk_ = nullptr;
  std::size_t left_ = 0;
  FreeBlock* small_[kSmallClasses] = {};
  FreeBlock* power_[kPowerClasses] = {};
};

}  // namespace vx
