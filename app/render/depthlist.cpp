#include "render/depthlist.h"

#include <cstddef>
#include <cstring>

#include "base/check.h"

namespace vx {

namespace {

// The links of a record follow its header in the same block.
struct LinkPair {
  DepthRecord* next;
  DepthRecord* previous;
};

static_assert(sizeof(LinkPair) == 2 * sizeof(DepthRecord*), "primitive() skips the links");
static_assert(sizeof(DepthRecord) % alignof(LinkPair) == 0, "links follow the header");
static_assert(alignof(DepthPrimitive) <= alignof(LinkPair), "the primitive follows the links");

LinkPair* links(DepthRecord* record) {
  return reinterpret_cast<LinkPair*>(reinterpret_cast<unsigned char*>(record) + sizeof(DepthRecord));
}

// A segment's primitive stops after its second vertex.
constexpr std::size_t kSegmentBytes = offsetof(DepthPrimitive, vertex) + 2 * sizeof(ProjectedPoint);

std::size_t primitiveBytes(DepthKind kind) {
  return kind == DepthKind::Segment ? kSegmentBytes : sizeof(DepthPrimitive);
}

float largest(float a, float b) { return b > a ? b : a; }

}  // namespace

std::uint32_t depthKey(float depth) {
  // Behind the viewer (and NaN) counts as depth 0. The bit pattern of a
  // non-negative float orders like its value.
  if (!(depth > 0.0f)) return 0;
  std::uint32_t bits;
  std::memcpy(&bits, &depth, sizeof bits);
  return bits;
}

DepthRecord*& DepthList::next(DepthRecord* record, int level) { return links(record)[level].next; }
DepthRecord*& DepthList::previous(DepthRecord* record, int level) { return links(record)[level].previous; }

std::size_t DepthList::recordSize(DepthKind kind, int height) {
  return sizeof(DepthRecord) + height * sizeof(LinkPair) + primitiveBytes(kind);
}

DepthList::DepthList(Allocator& allocator) : allocator_(allocator) {
  head_ = static_cast<DepthRecord*>(allocator_.AllocateZeroed(recordSize(DepthKind::Triangle, kMaxHeight)));
  head_->kind = DepthKind::Triangle;
  head_->height = kMaxHeight;
  finger_ = head_;
}

DepthList::~DepthList() {
  clear();
  allocator_.Release(head_, recordSize(DepthKind::Triangle, kMaxHeight));
}

void DepthList::clear() {
  drain([](const DepthRecord&) {});
}

int DepthList::randomHeight() {
  // xorshift32; each further level with probability 1/4.
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  std::uint32_t bits = random_;
  int height = 1;
  while ((bits & 3u) == 0 && height < kMaxHeight) {
    ++height;
    bits >>= 2;
  }
  return height;
}

bool DepthList::staysBefore(const DepthRecord* record, std::uint32_t key, DepthKind kind) const {
  if (record == head_) return true;
  if (record->key != key) return record->key > key;
  return record->kind <= kind;  // equal primitives keep their insertion order
}

// The last record that stays before a new record of this key and kind (the
// head when there is none), found by walking from the finger.
DepthRecord* DepthList::findPredecessor(std::uint32_t key, DepthKind kind) const {
  DepthRecord* at = finger_;
  if (staysBefore(at, key, kind)) {
    int level = at->height - 1;
    for (;;) {
      DepthRecord* ahead = next(at, level);
      if (ahead && staysBefore(ahead, key, kind)) {
        at = ahead;
        level = at->height - 1;  // climb: the walk speeds up the farther it goes
      } else if (level == 0) {
        return at;
      } else {
        --level;
      }
    }
  }
  int level = at->height - 1;
  for (;;) {
    DepthRecord* behind = previous(at, level);
    if (behind != head_ && !staysBefore(behind, key, kind)) {
      at = behind;
      level = at->height - 1;
    } else if (level == 0) {
      return behind;
    } else {
      --level;
    }
  }
}

void DepthList::insert(DepthRecord* record) {
  DepthRecord* before = findPredecessor(record->key, record->kind);
  for (int level = 0; level < record->height; ++level) {
    while (before->height <= level) before = previous(before, level - 1);
    DepthRecord* after = next(before, level);
    next(record, level) = after;
    previous(record, level) = before;
    next(before, level) = record;
    if (after) previous(after, level) = record;
  }
  // The order holds: the record follows what stays before it and precedes the rest.
  VX_ASSERT(staysBefore(previous(record, 0), record->key, record->kind));
  VX_ASSERT(!next(record, 0) || !staysBefore(next(record, 0), record->key, record->kind));
  finger_ = record;
  ++size_;
}

DepthRecord* DepthList::newRecord(DepthKind kind, float depth, DepthPrimitive*& primitive) {
  int height = randomHeight();
  auto* record = static_cast<DepthRecord*>(allocator_.Allocate(recordSize(kind, height)));
  record->key = depthKey(depth);
  record->kind = kind;
  record->height = static_cast<std::uint8_t>(height);
  primitive = const_cast<DepthPrimitive*>(&record->primitive());
  return record;
}

void DepthList::addTriangle(const ProjectedPoint& a, const ProjectedPoint& b, const ProjectedPoint& c,
                            std::uint32_t firstSide, std::uint32_t secondSide) {
  if (size_ >= kMaxRecords) return;
  DepthPrimitive* primitive;
  DepthRecord* record = newRecord(DepthKind::Triangle, largest(largest(a.depth, b.depth), c.depth), primitive);
  primitive->color[0] = firstSide;
  primitive->color[1] = secondSide;
  primitive->vertex[0] = a;
  primitive->vertex[1] = b;
  primitive->vertex[2] = c;
  insert(record);
}

void DepthList::addSegment(const ProjectedPoint& a, const ProjectedPoint& b, std::uint32_t color) {
  if (size_ >= kMaxRecords) return;
  DepthPrimitive* primitive;
  DepthRecord* record = newRecord(DepthKind::Segment, largest(a.depth, b.depth), primitive);
  primitive->color[0] = color;
  primitive->color[1] = color;
  // Written one by one: a segment's block ends after its second vertex.
  std::memcpy(&primitive->vertex[0], &a, sizeof a);
  std::memcpy(&primitive->vertex[1], &b, sizeof b);
  insert(record);
}

void DepthList::unlinkFirst(DepthRecord* first) {
  VX_ASSERT(!next(first, 0) || next(first, 0)->key <= first->key);  // drained farthest first
  for (int level = 0; level < first->height; ++level) {
    DepthRecord* after = next(first, level);
    next(head_, level) = after;
    if (after) previous(after, level) = head_;
  }
  if (finger_ == first) finger_ = head_;
  --size_;
  allocator_.Release(first, recordSize(first->kind, first->height));
}

}  // namespace vx
