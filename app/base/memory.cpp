#include "base/memory.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/check.h"
#include "base/host.h"

#ifdef VELTRIX_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace vx {

namespace {

// Every carved block starts on an 8-byte boundary, so that a freed block of the
// 4-byte class can still hold its free-list link and records with doubles can
// live in any class. Chunks themselves come 16-aligned, and a block whose size is
// a multiple of 16 (every power class among them) starts on a 16-byte boundary,
// so that records of long doubles can live in it.
constexpr std::size_t kCarveAlignment = 8;
constexpr std::size_t kWideAlignment = 16;
constexpr std::size_t kMinimumChunk = tuning::kAllocatorChunk;
constexpr std::size_t kFirstPowerShift = 8;  // 2^(k+7) with k >= 1: 256 is the first class
// Chunks never exceed the largest power-of-two class, so every class has a list head.
constexpr std::size_t kMaximumChunkShift =
    std::min<std::size_t>(kFirstPowerShift + Allocator::kPowerClasses - 1, sizeof(std::size_t) * 8 - 2);
constexpr std::size_t kMaximumChunk = std::size_t{1} << kMaximumChunkShift;

static_assert(Allocator::kSmallLimit == 4 * Allocator::kSmallClasses, "small classes are 4..212 in steps of 4");
static_assert(sizeof(void*) <= kCarveAlignment, "a free-list link fits in the smallest carved block");
static_assert(Allocator::kRedZone % kCarveAlignment == 0, "red zones keep carved blocks aligned");
static_assert(kMinimumChunk >= 4096 && kMinimumChunk % kCarveAlignment == 0);

Host* outOfMemoryHost = nullptr;

constexpr std::size_t roundUp(std::size_t value, std::size_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

// A request that cannot even be expressed as a block size is exhaustion too.
std::size_t roundUpOrDie(std::size_t value, std::size_t multiple) {
  if (value > SIZE_MAX - (multiple - 1)) outOfMemory();
  return roundUp(value, multiple);
}

// The requested size as the allocator sees it: at least 4 and a multiple of 4.
std::size_t roundedRequest(std::size_t size) { return size == 0 ? 4 : roundUpOrDie(size, 4); }

// Index of the power-of-two class 2^(index + 8) that holds `size` (> 212).
int powerClassIndex(std::size_t size) { return static_cast<int>(std::bit_width(size - 1) - kFirstPowerShift); }

std::size_t computeChunkSize(std::size_t pageSize, std::size_t granularity) {
  std::size_t page = pageSize == 0 ? 1 : pageSize;
  std::size_t unit = page > granularity ? page : granularity;
  std::size_t wanted = page > kMinimumChunk ? page : kMinimumChunk;
  if (unit > kMaximumChunk || wanted > kMaximumChunk) return kMaximumChunk;
  std::size_t chunk = roundUp(roundUp(wanted, unit), kCarveAlignment);
  return chunk > kMaximumChunk ? kMaximumChunk : chunk;
}

// What AddressSanitizer may see: free blocks, uncarved chunk space and red zones
// are poisoned, live blocks are not. Nothing outside sanitizer builds.
void poison(const void* block, std::size_t size) {
#ifdef VELTRIX_ASAN
  ASAN_POISON_MEMORY_REGION(block, size);
#endif
}

void unpoison(const void* block, std::size_t size) {
#ifdef VELTRIX_ASAN
  ASAN_UNPOISON_MEMORY_REGION(block, size);
#endif
}

// A live block is addressable over the size it was allocated with; a block
// released twice, or released with a size larger than its own, is not.
bool isLive(const void* block, std::size_t size) {
#ifdef VELTRIX_ASAN
  return __asan_region_is_poisoned(const_cast<void*>(block), size) == nullptr;
#else
  return true;
#endif
}

}  // namespace

void outOfMemory() {
  if (outOfMemoryHost) outOfMemoryHost->outOfMemory();
  std::fputs("veltrix: out of memory\n", stderr);
  std::fflush(stderr);
  std::_Exit(EXIT_FAILURE);
}

void setOutOfMemoryHost(Host* host) { outOfMemoryHost = host; }

// In front of every block: the links of the source's list, padded so that the
// block keeps the heap's 16-byte alignment.
struct alignas(16) HeapChunkSource::Header {
  Header* older;
  Header* newer;
  static_assert(sizeof(Header*) <= 8, "the header is 16 bytes in both builds");
};

void* HeapChunkSource::obtain(std::size_t size) {
  if (size > SIZE_MAX - sizeof(Header)) outOfMemory();
  void* raw = ::operator new(size + sizeof(Header), std::align_val_t{alignof(Header)}, std::nothrow);
  if (!raw) outOfMemory();
  std::memset(raw, 0, size + sizeof(Header));
  auto* header = static_cast<Header*>(raw);
  header->older = newest_;
  if (newest_) newest_->newer = header;
  newest_ = header;
  return header + 1;
}

void HeapChunkSource::giveBack(void* block, std::size_t) {
  Header* header = static_cast<Header*>(block) - 1;
  (header->newer ? header->newer->older : newest_) = header->older;
  if (header->older) header->older->newer = header->newer;
  ::operator delete(header, std::align_val_t{alignof(Header)});
}

HeapChunkSource::~HeapChunkSource() {
  while (newest_) {
    Header* older = newest_->older;
    ::operator delete(newest_, std::align_val_t{alignof(Header)});
    newest_ = older;
  }
}

Allocator::Allocator(ChunkSource& source, std::size_t pageSize, std::size_t granularity)
    : source_(source), chunkSize_(computeChunkSize(pageSize, granularity)) {}

std::size_t Allocator::classSize(std::size_t size) const {
  std::size_t rounded = roundedRequest(size);
  if (rounded <= kSmallLimit) return rounded;
  if (rounded <= chunkSize_) {
    std::size_t power = std::size_t{1} << (kFirstPowerShift + powerClassIndex(rounded));
    // A chunk size that is not a power of two is its own top class.
    return power < chunkSize_ ? power : chunkSize_;
  }
  return roundUpOrDie(rounded, chunkSize_);
}

Allocator::FreeBlock** Allocator::listFor(std::size_t blockSize) {
  VX_ASSERT(blockSize <= chunkSize_);
  if (blockSize <= kSmallLimit) return &small_[blockSize / 4 - 1];
  return &power_[powerClassIndex(blockSize)];
}

void* Allocator::carve(std::size_t blockSize) {
  // A block too big to leave room for its red zone takes a whole chunk, which the
  // source's own bounds enclose.
  std::size_t step = std::min(roundUp(blockSize, kCarveAlignment) + kRedZone, chunkSize_);
  std::size_t pad = blockSize % kWideAlignment == 0 ? reinterpret_cast<std::uintptr_t>(chunk_) % kWideAlignment : 0;
  if (left_ < pad + step) {
    chunk_ = static_cast<unsigned char*>(source_.obtain(chunkSize_));
    left_ = chunkSize_;
    poison(chunk_, chunkSize_);
    pad = 0;
  }
  chunk_ += pad;
  left_ -= pad;
  void* block = chunk_;
  chunk_ += step;
  left_ -= step;
  return block;
}

void* Allocator::Allocate(std::size_t size) {
  std::size_t blockSize = classSize(size);
  if (blockSize > chunkSize_) {
    void* block = source_.obtain(blockSize);
    poison(static_cast<unsigned char*>(block) + size, blockSize - size);
    return block;
  }
  FreeBlock** list = listFor(blockSize);
  void* block;
  if (FreeBlock* head = *list) {
    unpoison(head, sizeof(FreeBlock));
    *list = head->next;
    poison(head, sizeof(FreeBlock));
    block = head;
  } else {
    block = carve(blockSize);
  }
  unpoison(block, size);
  return block;
}

void* Allocator::AllocateZeroed(std::size_t size) {
  void* block = Allocate(size);
  if (classSize(size) > chunkSize_) return block;  // fresh from the source, already zero
  std::memset(block, 0, size);
  return block;
}

void Allocator::Release(void* block, std::size_t size) {
  if (!block) return;
  VX_ASSERT(reinterpret_cast<std::uintptr_t>(block) % kCarveAlignment == 0);
  VX_ASSERT(isLive(block, size));  // released twice, or with more bytes than it has
  std::size_t blockSize = classSize(size);
  poison(block, blockSize);
  if (blockSize > chunkSize_) {
    source_.giveBack(block, blockSize);
    return;
  }
  FreeBlock** list = listFor(blockSize);
  auto* freed = static_cast<FreeBlock*>(block);
  unpoison(freed, sizeof(FreeBlock));
  freed->next = *list;
  poison(freed, sizeof(FreeBlock));
  *list = freed;
}

}  // namespace vx
