#include "render/surface.h"

#include <cmath>

#include "lang/lang.h"

namespace vx {

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
  // The closing side first: the outline is one colour, so the order of its sides
  // does not show, and no index wraps around.
  const EdgeVertex* a = polygon.vertices[polygon.count - 1];
  for (int i = 0; i < polygon.count; ++i) {
    const EdgeVertex* b = polygon.vertices[i];
    drawLine(ctx.target, a->view, b->view, ctx.meshColor);
    a = b;
  }
}

}  // namespace

PolygonSink drawingPolygonSink(RenderContext& ctx) { return {&ctx, drawPolygon}; }

}  // namespace vx
