#pragma once
// Implicit surfaces: where a graph's value crosses zero on a grid edge, which
// colours the two sides of a cell's polygons get, and how a cell's polygons are
// handed on (filled, with their outlines when the mesh is on).
#include <cstdint>

#include "render/celltable.h"
#include "render/context.h"

namespace vx {

// The crossing point on an edge from a to b with mid-point m, from the graph's
// values fa, fm, fb there. `threshold` is twice the grid step: a mid-point value
// that lies outside the end values by more than that is a pole, not a surface.
// Returns false when the crossing is refused (pole, undefined value); the result
// always lies on the edge.
// Defined here so that the walk keeps its long double arguments in registers.
inline bool crossingPoint(long double a, long double m, long double b, long double fa, long double fm,
                          long double fb, long double threshold, long double& out) {
  if (fa != fa || fm != fm || fb != fb) return false;
  long double p, q, fp, fq;
  const bool ordered = (fa <= fm && fm <= fb) || (fa >= fm && fm >= fb);
  if (ordered) {
    // The half-edge whose end values bracket zero.
    if ((fa < 0) != (fm < 0)) {
      p = a, q = m, fp = fa, fq = fm;
    } else {
      p = m, q = b, fp = fm, fq = fb;
    }
  } else if (fm > fa) {
    // The mid-point lies above both ends: a surface only if it is barely above.
    if (fm - (fa < fb ? fa : fb) > threshold) return false;
    p = m, fp = fm;
    if (fa < fb) q = a, fq = fa;
    else q = b, fq = fb;
  } else {
    if ((fa > fb ? fa : fb) - fm > threshold) return false;
    p = m, fp = fm;
    if (fa > fb) q = a, fq = fa;
    else q = b, fq = fb;
  }
  if (fp == fq && fp != 0) return false;
  long double x = fp == 0 ? p : p - fp * (q - p) / (fq - fp);
  if (x != x) return false;
  // Values that disagree with the condition bits (ties, rounding) could put the
  // point outside the edge; it is kept on the edge.
  const long double low = a < b ? a : b, high = a < b ? b : a;
  if (x < low) x = low;
  if (x > high) x = high;
  out = x;
  return true;
}

// Side colours of inequalities: "blue is true".
struct SideColors {
  std::uint8_t trueSide, falseSide;
};
SideColors inequalitySideColors(std::uint8_t relation);

// Emits the polygons of a cell's case through the context's sink. `edgeVertex`
// holds the vertex of each of the cell's twelve edges (null or unusable where
// there is none); a polygon that needs a missing vertex is dropped whole.
// `falseColor` is the colour of the side where the condition bit is set.
void emitCellPolygons(RenderContext& ctx, const CellCase& cell, const EdgeVertex* const edgeVertex[12],
                      PixelColor trueColor, PixelColor falseColor, const GraphItem* item);

// The renderer's own sink: fills the polygon and, with the mesh on, draws its outline.
PolygonSink drawingPolygonSink(RenderContext& ctx);

}  // namespace vx
