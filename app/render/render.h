#pragma once
// Drawing one picture: clear to the background, prepare the colour and shading
// tables, draw the box's far pass, the graphs (grid walk, or the parametric
// forms), and the box's near pass.
#include "base/status.h"
#include "render/box.h"
#include "render/context.h"
#include "render/gridwalk.h"

namespace vx {

// What lives from one redraw to the next besides the job: the vertex free list,
// the colour table and the source of letters.
struct Renderer {
  explicit Renderer(Allocator& allocator) : vertices(allocator) {}
  VertexPool vertices;
  const ColorTable* colorTable = &standardColorTable();
  const TextPainter* text = nullptr;  // none: the box has no labels
  int pixelsPerInch = 96;
};

struct RenderOptions {
  const PolygonSink* sink = nullptr;  // default: fill the polygons
  WalkOptions walk;
  bool clear = true;
  // Asked for progress after every row of the grid walk (so after every slab) and
  // of the parametric forms; when it answers false the redraw stops at once.
  Host* host = nullptr;
};

// Draws the picture of `job` for `view` and `zoom` into the picture rectangle of
// `fb`. The caller sets `time` beforehand for a time-dependent job. kOk, or
// kCancelled when the host stopped the redraw: the picture is then unfinished,
// and the language state is as it was before.
Status renderPicture(Renderer& renderer, LangState& state, const RenderJob& job, const ViewRecord& view,
                   float zoom, FrameBuffer& fb, const RenderOptions& options = {});

// Sets up the context of a redraw without drawing (the first half of
// renderPicture; for tests and measurements of single steps).
void prepareRenderContext(Renderer& renderer, LangState& state, const RenderJob& job, const ViewRecord& view,
                          float zoom, FrameBuffer& fb, RenderContext& ctx);

}  // namespace vx
