#pragma once
// Surface vertices and their free list. A vertex lies on a grid edge (implicit
// surfaces), at a parameter sample (parametric forms) or where a clipping stage
// cut an edge; every render takes its vertices from the pool and gives them all
// back at its end. The pool grows in blocks from the allocator and never shrinks.
#include <cstddef>
#include <cstdint>

#include "base/tuning.h"
#include "render/view.h"

namespace vx {

class Allocator;

struct EdgeVertex {
  ProjectedPoint view;   // across, depth, up, screen x and y, edge code
  float frame[3];        // box-frame coordinates x, y, z
  EdgeVertex* link;      // chains vertices for release and in the free list
  EdgeVertex** slot;     // the sample slot that refers to this vertex, if any
  bool usable;           // false: the crossing was refused (no surface through this edge)
};

class VertexPool {
 public:
  static constexpr std::size_t kBlockVertices = tuning::kVertexBlock;

  explicit VertexPool(Allocator& allocator) : allocator_(allocator) {}
  VertexPool(const VertexPool&) = delete;
  VertexPool& operator=(const VertexPool&) = delete;

  // A vertex with unspecified contents (never null: exhaustion is fatal).
  EdgeVertex* take() {
    if (!free_) refill();
    EdgeVertex* v = free_;
    free_ = v->link;
    ++inUse_;
    return v;
  }
  void give(EdgeVertex* v) {
    v->link = free_;
    free_ = v;
    --inUse_;
  }
  std::size_t inUse() const { return inUse_; }

 private:
  void refill();

  Allocator& allocator_;
  EdgeVertex* free_ = nullptr;
  std::size_t inUse_ = 0;
};

}  // namespace vx
