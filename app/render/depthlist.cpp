#include "render/depthlist.h"

#include <cstddef>
#include <cstring>

#include "base/check.h"

namespace vx {

// Records are laid down one after another in pages taken from the allocator;
// a page starts with the link to the page before it.
struct alignas(8) DepthList::Page {
  Page* older;
};

namespace {

// A segment's primitive stops after its second vertex.
constexpr std::size_t kSegmentBytes = offsetof(DepthPrimitive, vertex) + 2 * sizeof(ProjectedPoint);

// The sort goes through the 32-bit rank in three digits of 11 bits.
constexpr int kDigitBits = 11;
constexpr int kDigits = 3;
constexpr std::size_t kBuckets = std::size_t(1) << kDigitBits;
static_assert(kDigits * kDigitBits >= 32, "the digits cover the rank");

static_assert(DepthList::kMaxRecords <= 0xFFFFFFFFu, "bucket counts are 32 bits");
static_assert(sizeof(DepthRecord) % alignof(DepthPrimitive) == 0, "the primitive follows the header");
static_assert(kSegmentBytes % alignof(DepthRecord) == 0 && sizeof(DepthPrimitive) % alignof(DepthRecord) == 0,
              "records follow one another in a page");

float largest(float a, float b) { return b > a ? b : a; }

std::uint32_t digitOf(std::uint32_t rank, int digit) {
  return (rank >> (digit * kDigitBits)) & std::uint32_t(kBuckets - 1);
}

}  // namespace

std::uint32_t depthKey(float depth) {
  // Behind the viewer (and NaN) counts as depth 0. The bit pattern of a
  // non-negative float orders like its value.
  if (!(depth > 0.0f)) return 0;
  std::uint32_t bits;
  std::memcpy(&bits, &depth, sizeof bits);
  return bits;
}

std::size_t DepthList::recordSize(DepthKind kind) {
  return sizeof(DepthRecord) + (kind == DepthKind::Segment ? kSegmentBytes : sizeof(DepthPrimitive));
}

DepthList::DepthList(Allocator& allocator) : allocator_(allocator), pageBytes_(allocator.chunkSize() / 4) {
  VX_ASSERT(pageBytes_ >= sizeof(Page) + recordSize(DepthKind::Triangle));
  segmentShift_ = 0;
  while ((std::size_t(2) << segmentShift_) * sizeof(Entry) <= pageBytes_) ++segmentShift_;
}

DepthList::~DepthList() {
  clear();
  const std::size_t segmentBytes = (std::size_t(1) << segmentShift_) * sizeof(Entry);
  for (Entry** table : table_) {
    for (std::size_t s = 0; s < segments_; ++s) allocator_.Release(table[s], segmentBytes);
    allocator_.Release(table, tableLength_ * sizeof(Entry*));
  }
}

void DepthList::clear() {
  while (Page* page = pages_) {
    pages_ = page->older;
    allocator_.Release(page, pageBytes_);
  }
  pageUsed_ = 0;
  size_ = 0;
}

void* DepthList::take(std::size_t bytes) {
  if (!pages_ || pageUsed_ + bytes > pageBytes_) {
    auto* page = static_cast<Page*>(allocator_.Allocate(pageBytes_));
    page->older = pages_;
    pages_ = page;
    pageUsed_ = sizeof(Page);
  }
  void* block = reinterpret_cast<unsigned char*>(pages_) + pageUsed_;
  pageUsed_ += bytes;
  return block;
}

// One more segment in both tables.
void DepthList::grow() {
  if (segments_ == tableLength_) {
    const std::size_t length = tableLength_ ? 2 * tableLength_ : 16;
    for (Entry**& table : table_) {
      auto* longer = static_cast<Entry**>(allocator_.Allocate(length * sizeof(Entry*)));
      if (segments_) std::memcpy(longer, table, segments_ * sizeof(Entry*));
      allocator_.Release(table, tableLength_ * sizeof(Entry*));
      table = longer;
    }
    tableLength_ = length;
  }
  const std::size_t segmentBytes = (std::size_t(1) << segmentShift_) * sizeof(Entry);
  for (Entry** table : table_) table[segments_] = static_cast<Entry*>(allocator_.Allocate(segmentBytes));
  ++segments_;
}

DepthRecord* DepthList::newRecord(DepthKind kind, float depth, DepthPrimitive*& primitive) {
  if (size_ >= kMaxRecords) return nullptr;
  if (size_ == segments_ << segmentShift_) grow();
  auto* record = static_cast<DepthRecord*>(take(recordSize(kind)));
  record->key = depthKey(depth);
  record->kind = kind;
  primitive = const_cast<DepthPrimitive*>(&record->primitive());
  entryAt(table_[0], size_++) = {rankOf(record->key, kind), record};
  return record;
}

void DepthList::addTriangle(const ProjectedPoint& a, const ProjectedPoint& b, const ProjectedPoint& c,
                            std::uint32_t firstSide, std::uint32_t secondSide) {
  DepthPrimitive* primitive;
  if (!newRecord(DepthKind::Triangle, largest(largest(a.depth, b.depth), c.depth), primitive)) return;
  primitive->color[0] = firstSide;
  primitive->color[1] = secondSide;
  primitive->vertex[0] = a;
  primitive->vertex[1] = b;
  primitive->vertex[2] = c;
}

void DepthList::addSegment(const ProjectedPoint& a, const ProjectedPoint& b, std::uint32_t color) {
  DepthPrimitive* primitive;
  if (!newRecord(DepthKind::Segment, largest(a.depth, b.depth), primitive)) return;
  primitive->color[0] = color;
  primitive->color[1] = color;
  // Written one by one: a segment's block ends after its second vertex.
  std::memcpy(&primitive->vertex[0], &a, sizeof a);
  std::memcpy(&primitive->vertex[1], &b, sizeof b);
}

// A least-significant-digit radix sort: each pass distributes the entries by one
// digit of the rank and keeps the order of entries with equal digits, so
// entries of equal rank stay in arrival order. A digit that every entry shares
// (the depths of a picture lie close together) needs no pass.
DepthList::Entry* const* DepthList::sorted() {
  const std::size_t perSegment = std::size_t(1) << segmentShift_;
  // Calls `visit` with every entry of `table` in order, a segment at a time.
  auto each = [&](Entry* const* table, auto&& visit) {
    for (std::size_t start = 0, s = 0; start < size_; start += perSegment, ++s) {
      const Entry* segment = table[s];
      const std::size_t n = size_ - start < perSegment ? size_ - start : perSegment;
      for (std::size_t k = 0; k < n; ++k) visit(segment[k]);
    }
  };
  std::uint32_t count[kDigits][kBuckets] = {};  // kMaxRecords fits 32 bits
  each(table_[0], [&](const Entry& e) {
    for (int digit = 0; digit < kDigits; ++digit) ++count[digit][digitOf(e.rank, digit)];
  });
  Entry** from = table_[0];
  Entry** to = table_[1];
  for (int digit = 0; digit < kDigits; ++digit) {
    std::uint32_t* bucket = count[digit];
    if (size_ == 0 || bucket[digitOf(from[0][0].rank, digit)] == size_) continue;
    std::uint32_t start = 0;
    for (std::size_t b = 0; b < kBuckets; ++b) {
      const std::uint32_t n = bucket[b];
      bucket[b] = start;
      start += n;
    }
    each(from, [&](const Entry& e) { entryAt(to, bucket[digitOf(e.rank, digit)]++) = e; });
    Entry** swap = from;
    from = to;
    to = swap;
  }
  return from;
}

}  // namespace vx
