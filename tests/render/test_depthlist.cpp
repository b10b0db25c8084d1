#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/memory.h"
#include "render/depthlist.h"

namespace vx {
namespace {

// Counts the chunks the allocator asks for, so that tests can see whether
// drawn records really go back for reuse.
class CountingSource final : public ChunkSource {
 public:
  void* obtain(std::size_t size) override {
    ++chunks;
    blocks.emplace_back(size / sizeof(std::uint64_t) + 1);
    return blocks.back().data();
  }
  int chunks = 0;
  std::vector<std::vector<std::uint64_t>> blocks;
};

ProjectedPoint at(float depth) {
  ProjectedPoint v{};
  v.depth = depth;
  return v;
}

struct Added {
  std::uint32_t key;
  DepthKind kind;
  int serial;  // insertion order, carried in the colour
};

// What drain hands out, in order.
std::vector<Added> drainAll(DepthList& list) {
  std::vector<Added> out;
  list.drain([&](const DepthRecord& r) { out.push_back({r.key, r.kind, static_cast<int>(r.primitive().color[0])}); });
  return out;
}

TEST(DepthList, KeyIsTheLargestDepthWithNegativesAsZero) {
  EXPECT_EQ(depthKey(-0.5f), 0u);
  EXPECT_EQ(depthKey(std::nanf("")), 0u);
  EXPECT_EQ(depthKey(0.0f), 0u);
  EXPECT_LT(depthKey(0.25f), depthKey(0.5f));
  EXPECT_LT(depthKey(1e-30f), depthKey(1e30f));

  Allocator allocator;
  DepthList list(allocator);
  list.addTriangle(at(0.1f), at(0.7f), at(0.2f), 1, 1);  // key 0.7
  list.addSegment(at(0.6f), at(0.65f), 2);                 // key 0.65
  list.addTriangle(at(-3.0f), at(-1.0f), at(-2.0f), 3, 3); // behind the viewer: key 0
  list.addTriangle(at(0.66f), at(0.0f), at(0.0f), 4, 4);   // key 0.66
  std::vector<int> order;
  list.drain([&](const DepthRecord& r) { order.push_back(static_cast<int>(r.primitive().color[0])); });
  EXPECT_EQ(order, (std::vector<int>{1, 4, 2, 3}));
  EXPECT_TRUE(list.empty());
}

// The order the list had when each record was inserted into a sorted list,
// walking from the most recently inserted record: past every record with a
// larger key, or an equal key and the same or an earlier kind.
std::vector<Added> insertedInOrder(const std::vector<Added>& arrivals) {
  auto staysBefore = [](const Added& old, const Added& added) {
    return old.key != added.key ? old.key > added.key : old.kind <= added.kind;
  };
  std::vector<Added> list;
  std::size_t finger = 0;  // where the last record went
  for (const Added& added : arrivals) {
    std::size_t at = finger;
    while (at < list.size() && staysBefore(list[at], added)) ++at;
    while (at > 0 && !staysBefore(list[at - 1], added)) --at;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), added);
    finger = at;
  }
  return list;
}

// The list must agree with insertion into a sorted list and with a stable
// sort by (key descending, triangles first) whatever the arrival pattern:
// keys from a small set with either kind at random (many ties), a sawtooth
// like the rows of a mesh, steady runs up and down, depths behind the viewer.
TEST(DepthList, DrainsLikeInsertionIntoASortedListForAnyArrivalPattern) {
  struct Pattern {
    const char* name;
    float (*depth)(int i, std::uint32_t& random);
  };
  const Pattern patterns[] = {
      {"ties", [](int, std::uint32_t& r) { r = r * 1664525u + 1013904223u; return 0.4f + (r >> 28) * 0.01f; }},
      {"few", [](int, std::uint32_t& r) { r = r * 1664525u + 1013904223u; return (r >> 30) * 0.25f - 0.25f; }},
      {"sawtooth", [](int i, std::uint32_t&) { return 0.4f + (i % 97) * 0.002f + (i / 97) * 0.0001f; }},
      {"falling", [](int i, std::uint32_t&) { return 1.0f - i * 1e-4f; }},
      {"rising", [](int i, std::uint32_t&) { return 0.1f + i * 1e-4f; }},
      {"random", [](int, std::uint32_t& r) { r = r * 1664525u + 1013904223u; return (r >> 8) * 1e-7f - 0.1f; }},
      {"wide", [](int, std::uint32_t& r) { r = r * 1664525u + 1013904223u; return std::ldexp(1.0f, int(r >> 26) - 32); }},
  };
  Allocator allocator;
  DepthList list(allocator);  // one list for every pattern, as for successive redraws
  for (const Pattern& pattern : patterns) {
    SCOPED_TRACE(pattern.name);
    std::vector<Added> arrivals;
    std::uint32_t random = 12345;
    for (int i = 0; i < 3000; ++i) {
      float d = pattern.depth(i, random);
      bool segment = (random >> 7 & 1) != 0 || i % 3 == 1;
      if (segment)
        list.addSegment(at(d), at(d * 0.5f), static_cast<std::uint32_t>(i));
      else
        list.addTriangle(at(d * 0.5f), at(d), at(0), static_cast<std::uint32_t>(i), 0);
      arrivals.push_back({depthKey(d), segment ? DepthKind::Segment : DepthKind::Triangle, i});
    }
    EXPECT_EQ(list.size(), arrivals.size());
    const std::vector<Added> expected = insertedInOrder(arrivals);
    std::vector<Added> stable = arrivals;
    std::stable_sort(stable.begin(), stable.end(), [](const Added& a, const Added& b) {
      return a.key != b.key ? a.key > b.key : a.kind < b.kind;
    });
    std::vector<Added> drawn = drainAll(list);
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      ASSERT_EQ(drawn[i].serial, expected[i].serial) << "position " << i;
      ASSERT_EQ(stable[i].serial, expected[i].serial) << "position " << i;
      ASSERT_EQ(drawn[i].key, expected[i].key) << "position " << i;
    }
  }
}

TEST(DepthList, DrawnRecordsAreReusedByTheNextRedraw) {
  CountingSource source;
  Allocator allocator(source);
  DepthList list(allocator);
  auto fill = [&] {
    for (int i = 0; i < 5000; ++i) {
      list.addTriangle(at(i * 1e-4f), at(0), at(0), 0, 0);
      list.addSegment(at(0.3f), at(0.2f), 0);
    }
  };
  fill();
  list.drain([](const DepthRecord&) {});
  int chunksAfterFirst = source.chunks;
  fill();
  list.clear();
  fill();
  EXPECT_EQ(list.size(), 10000u);
  list.drain([](const DepthRecord&) {});
  EXPECT_EQ(source.chunks, chunksAfterFirst);
}

TEST(DepthList, KeepsColoursAndVertices) {
  Allocator allocator;
  DepthList list(allocator);
  ProjectedPoint a = at(0.5f), b = at(0.6f), c = at(0.4f);
  a.x = 10, b.y = 20, c.code = 4, c.across = 1.5f;
  list.addTriangle(a, b, c, 0x112233, 0x445566);
  list.addSegment(b, c, 0x778899);
  int seen = 0;
  list.drain([&](const DepthRecord& record) {
    const DepthPrimitive& r = record.primitive();
    if (seen++ == 0) {
      EXPECT_EQ(record.kind, DepthKind::Triangle);
      EXPECT_EQ(r.color[0], 0x112233u);
      EXPECT_EQ(r.color[1], 0x445566u);
      EXPECT_EQ(r.vertex[0].x, 10);
      EXPECT_EQ(r.vertex[1].y, 20);
      EXPECT_EQ(r.vertex[2].code, 4);
      EXPECT_EQ(r.vertex[2].across, 1.5f);
    } else {
      EXPECT_EQ(record.kind, DepthKind::Segment);
      EXPECT_EQ(r.color[0], 0x778899u);
      EXPECT_EQ(r.vertex[0].y, 20);
      EXPECT_EQ(r.vertex[1].code, 4);
    }
  });
  EXPECT_EQ(seen, 2);
}

}  // namespace
}  // namespace vx
