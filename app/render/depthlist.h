#pragma once
// The depth-sorted list of parametric primitives. Parametric meshes have no
// walk order to hide far parts behind near ones, so every triangle and mesh
// segment of all parametric graphs of a redraw is collected here and drawn,
// farthest first, once all of them are known.
//
// The list is ordered by a key, the largest depth among a primitive's vertices
// (negative depths count as 0), largest first; at equal keys triangles come
// before segments, and equal primitives keep their insertion order: the order
// of a stable sort of the primitives, in the order they were added, by key
// descending and kind. Nothing is drawn before the whole list is known, so the
// list keeps the records in the order they arrive and sorts them once, when it
// is drained: a row of a large torus sweeps through the whole depth range, and
// keeping the order while inserting cost more than all the rest of its redraw.
#include <cstdint>

#include "base/limits.h"
#include "base/memory.h"
#include "render/view.h"

namespace vx {

enum class DepthKind : std::uint8_t { Triangle = 0, Segment = 1 };

// What a record carries to the drawers.
struct DepthPrimitive {
  std::uint32_t color[2];    // first and second side, final (a segment uses color[0])
  ProjectedPoint vertex[3];  // a segment has only vertex[0] and vertex[1]
};

struct alignas(8) DepthRecord {
  std::uint32_t key;  // bit pattern of a non-negative float: orders like the float
  DepthKind kind;
  // Followed by the primitive (cut short after its second vertex for a segment).

  const DepthPrimitive& primitive() const {
    return *reinterpret_cast<const DepthPrimitive*>(reinterpret_cast<const unsigned char*>(this) +
                                                    sizeof(DepthRecord));
  }
};

// The sort key of a primitive whose largest vertex depth is `depth`.
std::uint32_t depthKey(float depth);

class DepthList {
 public:
  // A last guard: the job already bounds the meshes of a redraw well below this;
  // past it later primitives are dropped rather than exhausting memory.
  static constexpr std::size_t kMaxRecords = kMaxDepthRecords;

  // One place in the drawing order: the record and its rank, which orders
  // ascending as the records are drawn (see rankOf).
  struct Entry {
    std::uint32_t rank;
    DepthRecord* record;
  };

  explicit DepthList(Allocator& allocator);
  ~DepthList();
  DepthList(const DepthList&) = delete;
  DepthList& operator=(const DepthList&) = delete;

  // The colours are final: the per-polygon colour rules have been applied.
  // Nothing is added once the list holds kMaxRecords.
  void addTriangle(const ProjectedPoint& a, const ProjectedPoint& b, const ProjectedPoint& c,
                   std::uint32_t firstSide, std::uint32_t secondSide);
  void addSegment(const ProjectedPoint& a, const ProjectedPoint& b, std::uint32_t color);

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Hands every record to `draw`, farthest first, and releases the records once
  // all are drawn. The list is empty afterwards.
  template <class Draw>
  void drain(Draw&& draw) {
    Entry* const* order = sorted();
    for (std::size_t i = 0; i < size_; ++i) draw(static_cast<const DepthRecord&>(*entryAt(order, i).record));
    clear();
  }

  // Releases every record without drawing it. The entries' storage stays for
  // the next redraw.
  void clear();

 private:
  struct Page;

  static std::size_t recordSize(DepthKind kind);
  // A record with its key set and its primitive still to be filled in, or
  // nullptr once the list is full.
  DepthRecord* newRecord(DepthKind kind, float depth, DepthPrimitive*& primitive);
  void* take(std::size_t bytes);
  void grow();
  Entry& entryAt(Entry* const* segments, std::size_t i) const {
    return segments[i >> segmentShift_][i & ((std::size_t(1) << segmentShift_) - 1)];
  }
  // The entries in drawing order: a stable sort of the arrival order by rank.
  Entry* const* sorted();

  Allocator& allocator_;
  Page* pages_ = nullptr;  // the newest page first
  std::size_t pageBytes_;
  std::size_t pageUsed_ = 0;
  // The entries lie in segments of equal size, each small enough to be carved
  // from the allocator's chunks: they are reused from one redraw to the next
  // rather than taken afresh (and zeroed) from the system as one large block.
  // Two tables of segments: the entries in arrival order until sorted, and
  // the sort's second buffer.
  Entry** table_[2] = {nullptr, nullptr};
  std::size_t segments_ = 0;     // in each table
  std::size_t tableLength_ = 0;  // room in each table
  int segmentShift_;             // a segment holds 2^segmentShift_ entries
  std::size_t size_ = 0;
};

// The rank of a record: key descending, then kind, in 32 bits (a key is the
// bit pattern of a non-negative float, so its top bit is always clear).
constexpr std::uint32_t rankOf(std::uint32_t key, DepthKind kind) {
  return ((0x7FFFFFFFu - key) << 1) | static_cast<std::uint32_t>(kind);
}

// A full list fits the 32-bit program: its records and the two entry arrays.
static_assert(fitsWithRoom(saturatingProduct(
    DepthList::kMaxRecords, sizeof(DepthRecord) + sizeof(DepthPrimitive) + 2 * (4 + kPointerBytes32))));

}  // namespace vx
