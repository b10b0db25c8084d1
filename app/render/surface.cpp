#include "render/surface.h"

#include <cmath>

#include "lang/lang.h"

namespace vx {

bool crossingPoint(long double a, long double m, long double b, long double fa, long double fm,
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

SideColors inequalitySideColors(std::uint8_t relation) {
  if (relation == kRelationStrict) return {kIndexStrictTrue, kIndexStrictFalse};
  return {kIndexNonStrictTrue, kIndexNonStrictFalse};
}

void emitCellPolygons(RenderContext& ctx, const CellCase& cell, const EdgeVertex* const edgeVertex[12],
                      PixelColor trueColor, PixelColor falseColor, const GraphItem* item) {
  SurfacePolygon polygon;
  polygon.item = item;
  // The table's first sides face the set corners unless the case exchanges them.
  polygon.first = cell.exchange ? trueColor : falseColor;
  polygon.second = cell.exchange ? falseColor : trueColor;
  polygon.firstOutside = !cell.exchange;
  const std::uint8_t* edge = cell.edges;
  for (int p = 0; p < cell.polygonCount; ++p) {
    const int n = cell.vertexCount[p];
    bool complete = true;
    for (int i = 0; i < n; ++i) {
      const EdgeVertex* v = edgeVertex[edge[i]];
      complete = complete && v && v->usable;
      polygon.vertices[i] = v;
    }
    edge += n;
    if (!complete) continue;
    polygon.count = n;
    ctx.sink.emit(ctx.sink.context, polygon);
  }
}

namespace {

void drawPolygon(void* context, const SurfacePolygon& polygon) {
  auto& ctx = *static_cast<RenderContext*>(context);
  fillPolygon(ctx.target, polygon.vertices, polygon.count, polygon.first, polygon.second);
  if (!ctx.job->mesh()) return;
  for (int i = 0; i < polygon.count; ++i) {
    const EdgeVertex* a = polygon.vertices[i];
    const EdgeVertex* b = polygon.vertices[i + 1 < polygon.count ? i + 1 : 0];
    drawLine(ctx.target, a->view, b->view, ctx.meshColor);
  }
}

}  // namespace

PolygonSink drawingPolygonSink(RenderContext& ctx) { return {&ctx, drawPolygon}; }

}  // namespace vx
