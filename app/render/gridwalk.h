#pragma once
// The grid walk: slab by slab from the far end of the outer axis to its near
// end, row by row, point by point, every graph item evaluated once per point in
// list order. A cell whose corners disagree becomes polygons (surface.h); a vector
// item draws its arrow (vectorfield.h). Far surfaces are drawn first, so near ones
// cover them.
#include <cstddef>
#include <cstdint>

#include "render/context.h"

namespace vx {

struct WalkOptions {
  bool extractSurfaces = true;  // false: evaluate only (for measuring)
  // Subexpressions of the inner coordinate alone computed once per redraw and read
  // from tables; false computes them at every point (the reference, for checking).
  bool tabulate = true;
};

// kCancelled when the host's progress callback asked to stop (it is asked after
// every row); everything the walk took is given back either way.
Status walkGrid(RenderContext& ctx, const WalkOptions& options = {});

// Sample storage for a walk with `graphs` items over an inner x middle plane,
// saturating at the largest 64-bit value.
std::uint64_t sampleStoreBytesFor(std::uint64_t inner, std::uint64_t middle, std::uint64_t graphs);

}  // namespace vx
