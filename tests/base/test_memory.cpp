#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "base/host.h"
#include "base/memory.h"
#include "base/status.h"

namespace vx {
namespace {

// Hands out zeroed, 16-aligned blocks and remembers every request and return.
class RecordingSource final : public ChunkSource {
 public:
  ~RecordingSource() override {
    for (void* block : blocks) ::operator delete(block, std::align_val_t{16});
  }
  void* obtain(std::size_t size) override {
    void* block = ::operator new(size, std::align_val_t{16});
    std::memset(block, 0, size);
    blocks.push_back(block);
    sizes.push_back(size);
    return block;
  }
  void giveBack(void* block, std::size_t size) override { returned.push_back(block); }
  std::vector<std::size_t> sizes;
  std::vector<void*> blocks;
  std::vector<void*> returned;
};

// The layout the cases below are written for, whatever the build's default
// chunk size; carved blocks lie a red zone apart in sanitizer builds.
constexpr std::size_t kPage = 4096, kChunk = 65536;
constexpr std::ptrdiff_t kGap = Allocator::kRedZone;

std::ptrdiff_t distance(void* a, void* b) { return static_cast<unsigned char*>(b) - static_cast<unsigned char*>(a); }

TEST(Allocator, ChunkSizeFollowsPageSizeAndGranularity) {
  // No chunk is smaller than the build's least (65536, or 4096 with tiny buffers).
  const std::size_t least = tuning::kAllocatorChunk;
  struct Case {
    std::size_t page, granularity, chunk;
  } cases[] = {
      {4096, 65536, 65536},   {0, 0, least},           {1, 1, least},
      {8192, 4096, std::max<std::size_t>(8192, least)}, {131072, 4096, 131072},  {4096, 100000, 100000},
      {0, 65536, 65536},      {65537, 0, 65544},  // rounded to keep carved blocks 8-aligned
  };
  for (const Case& c : cases) {
    RecordingSource source;
    Allocator allocator(source, c.page, c.granularity);
    EXPECT_EQ(allocator.chunkSize(), c.chunk) << c.page << " " << c.granularity;
  }
}

TEST(Allocator, ClassSizes) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  struct Case {
    std::size_t request, block;
  } cases[] = {
      {0, 4},         {1, 4},         {4, 4},         {5, 8},         {97, 100},
      {100, 100},     {209, 212},     {212, 212},     {213, 256},     {256, 256},
      {257, 512},     {300, 512},     {600, 1024},    {32768, 32768}, {32769, 65536},
      {65536, 65536}, {65537, 131072}, {131072, 131072}, {131073, 196608},
  };
  for (const Case& c : cases) EXPECT_EQ(allocator.classSize(c.request), c.block) << c.request;
}

TEST(Allocator, NonPowerOfTwoChunkIsItsOwnTopClass) {
  RecordingSource source;
  Allocator allocator(source, 4096, 100000);
  EXPECT_EQ(allocator.classSize(65537), 100000u);
  EXPECT_EQ(allocator.classSize(100000), 100000u);
  EXPECT_EQ(allocator.classSize(100001), 200000u);
  allocator.Allocate(70000);
  EXPECT_EQ(source.sizes, (std::vector<std::size_t>{100000}));
}

TEST(Allocator, ReleasedBlockServesEveryRequestOfItsClass) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  void* block = allocator.Allocate(100);
  allocator.Release(block, 100);
  EXPECT_EQ(allocator.Allocate(97), block);
  // A neighbouring class never takes it.
  allocator.Release(block, 97);
  EXPECT_NE(allocator.Allocate(104), block);
  EXPECT_NE(allocator.Allocate(96), block);
  EXPECT_EQ(allocator.Allocate(98), block);
}

TEST(Allocator, ReuseIsLastInFirstOut) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  void* a = allocator.Allocate(300);
  void* b = allocator.Allocate(400);
  allocator.Release(a, 300);
  allocator.Release(b, 400);
  EXPECT_EQ(allocator.Allocate(500), b);
  EXPECT_EQ(allocator.Allocate(257), a);
}

TEST(Allocator, PowerClassesAreCarvedWhole) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  void* a = allocator.Allocate(300);
  void* b = allocator.Allocate(300);
  void* c = allocator.Allocate(600);
  void* d = allocator.Allocate(1);
  EXPECT_EQ(distance(a, b), 512 + kGap);
  EXPECT_EQ(distance(b, c), 512 + kGap);
  EXPECT_EQ(distance(c, d), 1024 + kGap);
}

TEST(Allocator, CarvedBlockAlignment) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  void* first = allocator.Allocate(4);
  void* second = allocator.Allocate(4);
  void* third = allocator.Allocate(100);
  void* fourth = allocator.Allocate(12);
  EXPECT_EQ(distance(first, second), 8 + kGap);
  EXPECT_EQ(distance(second, third), 8 + kGap);
  EXPECT_EQ(distance(third, fourth), 104 + kGap);
  for (std::size_t size : {4u, 20u, 36u, 212u, 256u, 1000u})
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(allocator.Allocate(size)) % 8, 0u) << size;
  // Sizes that are multiples of 16 (room for long doubles) are 16-aligned, even
  // right after an odd number of 8-byte blocks.
  for (std::size_t size : {16u, 48u, 208u, 256u, 4096u}) {
    allocator.Allocate(4);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(allocator.Allocate(size)) % 16, 0u) << size;
  }
}

TEST(Allocator, ChunkSizedRequestComesFromANewChunk) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  allocator.Allocate(8);
  void* whole = allocator.Allocate(65536);
  void* next = allocator.Allocate(8);
  // The rest of the first chunk is abandoned; the whole second chunk is the block.
  EXPECT_EQ(source.sizes, (std::vector<std::size_t>{65536, 65536, 65536}));
  EXPECT_EQ(whole, source.blocks[1]);
  EXPECT_EQ(next, source.blocks[2]);
  allocator.Release(whole, 65536);
  EXPECT_EQ(allocator.Allocate(40000), whole);
}

// Large blocks go back to the source at once, so that a session redrawn at many
// resolutions does not keep a block of every size it ever drew.
TEST(Allocator, LargeBlocksComeFromTheSystemAndGoBackToIt) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  auto* big = static_cast<unsigned char*>(allocator.Allocate(65537));
  EXPECT_EQ(source.sizes, (std::vector<std::size_t>{131072}));
  big[65536] = 7;
  allocator.Release(big, 65537);
  EXPECT_EQ(source.returned, (std::vector<void*>{big}));
  auto* zeroed = static_cast<unsigned char*>(allocator.AllocateZeroed(131073));
  EXPECT_EQ(source.sizes.back(), 196608u);
  EXPECT_EQ(zeroed[131072], 0);
  allocator.Release(zeroed, 131073);
  // Carved blocks stay with the allocator.
  void* carved = allocator.Allocate(4000);
  allocator.Release(carved, 4000);
  EXPECT_EQ(source.returned.size(), 2u);
  EXPECT_EQ(allocator.Allocate(4000), carved);
}

TEST(Allocator, ZeroedBlocks) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  auto* dirty = static_cast<unsigned char*>(allocator.Allocate(64));
  std::memset(dirty, 0xAB, 64);
  allocator.Release(dirty, 64);
  auto* zeroed = static_cast<unsigned char*>(allocator.AllocateZeroed(61));
  ASSERT_EQ(zeroed, dirty);
  for (int i = 0; i < 61; ++i) ASSERT_EQ(zeroed[i], 0) << i;
}

// Random allocations and releases, each block filled with its own pattern: any
// overlap between live blocks, or a block handed out twice, breaks a pattern.
TEST(Allocator, LiveBlocksNeverOverlap) {
  RecordingSource source;
  Allocator allocator(source, kPage, kChunk);
  struct Live {
    unsigned char* block;
    std::size_t size;
    unsigned char mark;
  };
  std::vector<Live> live;
  std::mt19937 random(12345);
  auto checkAll = [&] {
    for (const Live& l : live)
      for (std::size_t i = 0; i < l.size; ++i) ASSERT_EQ(l.block[i], l.mark);
  };
  for (int round = 0; round < 3000; ++round) {
    if (!live.empty() && random() % 3 == 0) {
      std::size_t victim = random() % live.size();
      allocator.Release(live[victim].block, live[victim].size);
      live[victim] = live.back();
      live.pop_back();
      continue;
    }
    static const std::size_t kSizes[] = {0, 1, 3, 4, 7, 8, 24, 100, 212, 213, 700, 4000, 65536, 70000};
    std::size_t size = kSizes[random() % std::size(kSizes)];
    auto mark = static_cast<unsigned char>(round);
    auto* block = static_cast<unsigned char*>(allocator.Allocate(size));
    std::memset(block, mark, size);
    live.push_back({block, size, mark});
  }
  checkAll();
}

TEST(Allocator, DefaultSourceGivesUsableMemory) {
  Allocator allocator;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t size : {4u, 300u, 65536u, 200000u, 3000000u}) {
      auto* block = static_cast<unsigned char*>(allocator.AllocateZeroed(size));
      EXPECT_EQ(block[size / 2], 0);
      block[0] = 1;
      block[size - 1] = 2;
      allocator.Release(block, size);
    }
  }
}

#if GTEST_HAS_DEATH_TEST
class ExitingHost final : public Host {
 public:
  Status readFile(const std::string&, std::size_t, std::string&) override { return kCannotOpen; }
  Status writeFile(const std::string&, std::string_view) override { return kWriteFailed; }
  double clockSeconds() override { return 0; }
  [[noreturn]] void outOfMemory() override {
    std::fputs("the host ran out of memory\n", stderr);
    std::fflush(stderr);
    std::_Exit(3);
  }
};

// A request no block can hold is exhaustion: the process ends through the host
// when one is set, with the tool's own message otherwise.
TEST(AllocatorDeathTest, ExhaustionEndsThroughOneRoutine) {
  EXPECT_EXIT(
      {
        Allocator allocator;
        allocator.Allocate(SIZE_MAX - 2);
      },
      testing::ExitedWithCode(1), "veltrix: out of memory");
  EXPECT_EXIT(
      {
        ExitingHost host;
        setOutOfMemoryHost(&host);
        Allocator allocator;
        allocator.Allocate(SIZE_MAX - 2);
      },
      testing::ExitedWithCode(3), "the host ran out of memory");
}
#endif

#ifdef VELTRIX_ASAN
// In sanitizer builds the carved blocks are as visible to AddressSanitizer as
// the heap's own: writing past a block, reading a released one and releasing it
// twice are all reported.
TEST(AllocatorDeathTest, SanitizerSeesInsideChunks) {
  Allocator allocator;
  auto* block = static_cast<volatile unsigned char*>(allocator.Allocate(20));
  allocator.Allocate(20);  // a neighbour right behind the red zone
  block[19] = 1;
  EXPECT_DEATH(block[20] = 1, "use-after-poison");
  EXPECT_DEATH(block[24] = 1, "use-after-poison");  // the red zone
  EXPECT_DEATH(block[88] = 1, "use-after-poison");  // the uncarved rest, past the neighbour

  auto* node = static_cast<volatile unsigned char*>(allocator.Allocate(100));
  node[99] = 2;
  allocator.Release(const_cast<unsigned char*>(node), 100);
  EXPECT_DEATH(static_cast<void>(node[50]), "use-after-poison");
#ifdef VELTRIX_ASSERTS
  EXPECT_DEATH(allocator.Release(const_cast<unsigned char*>(node), 100), "check failed");
#endif
  // Reused, the block is whole again.
  EXPECT_EQ(allocator.Allocate(97), node);
  node[96] = 3;
  EXPECT_DEATH(node[97] = 3, "use-after-poison");
}
#endif

TEST(Status, EveryStatusHasItsOwnPhrase) {
  for (Status a = kEndOfData; a >= kOldestStatus; --a) {
    EXPECT_STRNE(describeStatus(a), describeStatus(kOldestStatus - 1)) << a;
    for (Status b = kEndOfData; b >= kOldestStatus; --b) {
      if (a != b) {
        EXPECT_STRNE(describeStatus(a), describeStatus(b));
      }
    }
  }
  EXPECT_TRUE(failed(kWriteFailed));
  EXPECT_FALSE(failed(kEndOfData));
}

}  // namespace
}  // namespace vx
