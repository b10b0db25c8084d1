#include "base/memory.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vx {

namespace {

// Every carved block starts on an 8-byte boundary, so that a freed block of the
// 4-byte class can still hold its free-list link and records with doubles can
// live in any class. Chunks themselves come 16-aligned.
constexpr std::size_t kCarveAlignment = 8;
constexpr std::size_t kMinimumChunk = 65536;
constexpr std::size_t kFirstPowerShift = 8;  // 2^(k+7) with k >= 1: 256 is the first class
// Chunks never exceed the largest power-of-two class, so every class has a list head.
constexpr std::size_t kMaximumChunkShift =
    std::min<std::size_t>(kFirstPowerShift + Allocator::kPowerClasses - 1, sizeof(std::size_t) * 8 - 2);
constexpr std::size_t kMaximumChunk = std::size_t{1} << kMaximumChunkShift;

static_assert(Allocator::kSmallLimit == 4 * Allocator::kSmallClasses, "small classes are 4..212 in steps of 4");
static_assert(sizeof(void*) <= kCarveAlignment, "a free-list link fits in the smallest carved block");

constexpr std::size_t roundUp(std::size_t value, std::size_t multiple) {
  return (value + multiple - 1) / multiple * multiple;
}

[[noreturn]] void outOfMemory() {
  std::fputs("veltrix: out of memory\n", stderr);
  std::fflush(stderr);
  std::_Exit(EXIT_FAILURE);
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

constexpr std::size_t kChunkAlignment = 16;
constexpr std::size_t kChunkHeaderSize = kChunkAlignment;  // the link, padded to keep alignment

std::size_t computeChunkSize(std::size_t pageSize, std::size_t granularity) {
  std::size_t page = pageSize == 0 ? 1 : pageSize;
  std::size_t unit = page > granularity ? page : granularity;
  std::size_t wanted = page > kMinimumChunk ? page : kMinimumChunk;
  if (unit > kMaximumChunk || wanted > kMaximumChunk) return kMaximumChunk;
  std::size_t chunk = roundUp(roundUp(wanted, unit), kCarveAlignment);
  return chunk > kMaximumChunk ? kMaximumChunk : chunk;
}

}  // namespace

void* HeapChunkSource::obtain(std::size_t size) {
  if (size > SIZE_MAX - kChunkHeaderSize) outOfMemory();
  void* block = ::operator new(size + kChunkHeaderSize, std::align_val_t{kChunkAlignment}, std::nothrow);
  if (!block) outOfMemory();
  std::memset(block, 0, size + kChunkHeaderSize);
  *static_cast<void**>(block) = newest_;
  newest_ = block;
  return static_cast<unsigned char*>(block) + kChunkHeaderSize;
}

HeapChunkSource::~HeapChunkSource() {
  while (newest_) {
    void* older = *static_cast<void**>(newest_);
    ::operator delete(newest_, std::align_val_t{kChunkAlignment});
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
  if (blockSize <= kSmallLimit) return &small_[blockSize / 4 - 1];
  if (blockSize <= chunkSize_) return &power_[powerClassIndex(blockSize)];
  for (LargeClass* c = large_; c; c = c->next)
    if (c->size == blockSize) return &c->head;
  return nullptr;
}

void* Allocator::carve(std::size_t blockSize) {
  std::size_t step = roundUp(blockSize, kCarveAlignment);
  if (left_ < step) {
    chunk_ = static_cast<unsigned char*>(source_.obtain(chunkSize_));
    left_ = chunkSize_;
  }
  void* block = chunk_;
  chunk_ += step;
  left_ -= step;
  return block;
}

void* Allocator::Allocate(std::size_t size) {
  std::size_t blockSize = classSize(size);
  if (FreeBlock** list = listFor(blockSize); list && *list) {
    FreeBlock* block = *list;
    *list = block->next;
    return block;
  }
  if (blockSize <= chunkSize_) return carve(blockSize);
  return source_.obtain(blockSize);
}

void* Allocator::AllocateZeroed(std::size_t size) {
  void* block = Allocate(size);
  std::memset(block, 0, size);
  return block;
}

void* Allocator::AllocateCopy(const void* source, std::size_t size) {
  void* block = Allocate(size);
  if (size) std::memcpy(block, source, size);
  return block;
}

void Allocator::Release(void* block, std::size_t size) {
  if (!block) return;
  std::size_t blockSize = classSize(size);
  FreeBlock** list = listFor(blockSize);
  if (!list) {
    // The first release of a large size opens its class.
    auto* largeClass = static_cast<LargeClass*>(Allocate(sizeof(LargeClass)));
    *largeClass = LargeClass{large_, blockSize, nullptr};
    large_ = largeClass;
    list = &largeClass->head;
  }
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = *list;
  *list = freed;
}

}  // namespace vx
