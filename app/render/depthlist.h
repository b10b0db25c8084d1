#pragma once
// The depth-sorted list of parametric primitives. Parametric meshes have no
// walk order to hide far parts behind near ones, so every triangle and mesh
// segment of all parametric graphs of a redraw is collected here and drawn,
// farthest first, once all of them are known.
//
// The list is ordered by a key, the largest depth among a primitive's vertices
// (negative depths count as 0), largest first; at equal keys triangles come
// before segments, and equal primitives keep their insertion order. Consecutive
// primitives of a mesh have close depths, so an insertion starts from the most
// recently inserted record and walks forwards or backwards from there. The
// walk runs on a skip list (every record also sits on a random number of
// sparser levels), which keeps it logarithmic in the distance walked: a row of
// a large torus sweeps through the whole depth range and would otherwise make
// the insertions quadratic.
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
  std::uint32_t key;    // bit pattern of a non-negative float: orders like the float
  DepthKind kind;
  std::uint8_t height;  // number of skip levels the record sits on
  // Followed by `height` pairs of links (next, previous), one pair per level,
  // and then the primitive (cut short after its second vertex for a segment).
  // The links come first so that a walk reads one stretch of each record.

  const DepthPrimitive& primitive() const {
    return *reinterpret_cast<const DepthPrimitive*>(reinterpret_cast<const unsigned char*>(this) +
                                                    sizeof(DepthRecord) + height * 2 * sizeof(DepthRecord*));
  }
};

// The sort key of a primitive whose largest vertex depth is `depth`.
std::uint32_t depthKey(float depth);

class DepthList {
 public:
  static constexpr int kMaxHeight = 16;
  // A last guard: the job already bounds the meshes of a redraw well below this;
  // past it later primitives are dropped rather than exhausting memory.
  static constexpr std::size_t kMaxRecords = kMaxDepthRecords;

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

  // Hands every record to `draw`, farthest first, and releases each one right
  // after it has been drawn. The list is empty afterwards.
  template <class Draw>
  void drain(Draw&& draw) {
    while (DepthRecord* first = next(head_, 0)) {
      draw(static_cast<const DepthRecord&>(*first));
      unlinkFirst(first);
    }
    random_ = kRandomSeed;  // the next redraw takes the same blocks again
  }

  // Releases every record without drawing it.
  void clear();

 private:
  static DepthRecord*& next(DepthRecord* record, int level);
  static DepthRecord*& previous(DepthRecord* record, int level);
  static std::size_t recordSize(DepthKind kind, int height);

  // A record with its key set and its primitive still to be filled in.
  DepthRecord* newRecord(DepthKind kind, float depth, DepthPrimitive*& primitive);
  int randomHeight();
  bool staysBefore(const DepthRecord* record, std::uint32_t key, DepthKind kind) const;
  DepthRecord* findPredecessor(std::uint32_t key, DepthKind kind) const;
  void insert(DepthRecord* record);
  void unlinkFirst(DepthRecord* first);

  Allocator& allocator_;
  DepthRecord* head_;     // sentinel on every level, before every record
  DepthRecord* finger_;   // the most recently inserted record (or the head)
  std::size_t size_ = 0;
  static constexpr std::uint32_t kRandomSeed = 0x9E3779B9u;
  std::uint32_t random_ = kRandomSeed;
};

// A full list of the tallest records fits the 32-bit program.
static_assert(fitsWithRoom(saturatingProduct(
    DepthList::kMaxRecords,
    sizeof(DepthRecord) + DepthList::kMaxHeight * 2 * kPointerBytes32 + sizeof(DepthPrimitive))));

}  // namespace vx
