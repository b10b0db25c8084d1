#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "base/memory.h"
#include "base/status.h"

namespace vx {
namespace {

// Hands out zeroed, 16-aligned blocks and remembers every request.
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
  std::vector<std::size_t> sizes;
  std::vector<void*> blocks;
};

std::ptrdiff_t distance(void* a, void* b) { return static_cast<unsigned char*>(b) - static_cast<unsigned char*>(a); }

TEST(Allocator, ChunkSizeFollowsPageSizeAndGranularity) {
  struct Case {
    std::size_t page, granularity, chunk;
  } cases[] = {
      {4096, 65536, 65536},   {0, 0, 65536},           {1, 1, 65536},
      {8192, 4096, 65536},    {131072, 4096, 131072},  {4096, 100000, 100000},
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
  Allocator allocator(source);
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
  Allocator allocator(source);
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
  Allocator allocator(source);
  void* a = allocator.Allocate(300);
  void* b = allocator.Allocate(400);
  allocator.Release(a, 300);
  allocator.Release(b, 400);
  EXPECT_EQ(allocator.Allocate(500), b);
  EXPECT_EQ(allocator.Allocate(257), a);
}

TEST(Allocator, PowerClassesAreCarvedWhole) {
  RecordingSource source;
  Allocator allocator(source);
  void* a = allocator.Allocate(300);
  void* b = allocator.Allocate(300);
  void* c = allocator.Allocate(600);
  void* d = allocator.Allocate(1);
  EXPECT_EQ(distance(a, b), 512);
  EXPECT_EQ(distance(b, c), 512);
  EXPECT_EQ(distance(c, d), 1024);
}

TEST(Allocator, CarvedBlocksAreEightAligned) {
  RecordingSource source;
  Allocator allocator(source);
  void* first = allocator.Allocate(4);
  void* second = allocator.Allocate(4);
  void* third = allocator.Allocate(100);
  void* fourth = allocator.Allocate(12);
  EXPECT_EQ(distance(first, second), 8);
  EXPECT_EQ(distance(second, third), 8);
  EXPECT_EQ(distance(third, fourth), 104);
  for (std::size_t size : {4u, 20u, 36u, 212u, 256u, 1000u})
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(allocator.Allocate(size)) % 8, 0u) << size;
}

TEST(Allocator, ChunkSizedRequestComesFromANewChunk) {
  RecordingSource source;
  Allocator allocator(source);
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

TEST(Allocator, LargeBlocksComeFromTheSystemAndAreReused) {
  RecordingSource source;
  Allocator allocator(source);
  void* big = allocator.Allocate(65537);
  EXPECT_EQ(source.sizes, (std::vector<std::size_t>{131072}));
  allocator.Release(big, 65537);
  EXPECT_EQ(allocator.Allocate(131072), big);
  // Another large size has a class of its own.
  allocator.Release(big, 131072);
  void* bigger = allocator.Allocate(131073);
  EXPECT_NE(bigger, big);
  EXPECT_EQ(source.sizes.back(), 196608u);
  EXPECT_EQ(allocator.Allocate(70000), big);
}

TEST(Allocator, ZeroedAndCopiedBlocks) {
  RecordingSource source;
  Allocator allocator(source);
  auto* dirty = static_cast<unsigned char*>(allocator.Allocate(64));
  std::memset(dirty, 0xAB, 64);
  allocator.Release(dirty, 64);
  auto* zeroed = static_cast<unsigned char*>(allocator.AllocateZeroed(61));
  ASSERT_EQ(zeroed, dirty);
  for (int i = 0; i < 61; ++i) ASSERT_EQ(zeroed[i], 0) << i;

  const char text[] = "graph3d.resolution := 30";
  auto* copy = static_cast<char*>(allocator.AllocateCopy(text, sizeof(text)));
  EXPECT_STREQ(copy, text);
  EXPECT_NE(copy, text);
}

// Random allocations and releases, each block filled with its own pattern: any
// overlap between live blocks, or a block handed out twice, breaks a pattern.
TEST(Allocator, LiveBlocksNeverOverlap) {
  RecordingSource source;
  Allocator allocator(source);
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

TEST(Allocator, MakeAndDestroyRecords) {
  RecordingSource source;
  Allocator allocator(source);
  struct Record {
    double value;
    Record* next;
  };
  Record* r = allocator.make<Record>(Record{2.5, nullptr});
  EXPECT_EQ(r->value, 2.5);
  allocator.destroy(r);
  EXPECT_EQ(allocator.make<Record>(), r);
}

TEST(Allocator, DefaultSourceGivesUsableMemory) {
  Allocator allocator;
  for (std::size_t size : {4u, 300u, 65536u, 200000u}) {
    auto* block = static_cast<unsigned char*>(allocator.AllocateZeroed(size));
    block[0] = 1;
    block[size - 1] = 2;
    EXPECT_EQ(block[size / 2], 0);
  }
}

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
