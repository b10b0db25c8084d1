#pragma once
// Shared helpers of the renderer tests: a graph text executed into a job, and a
// polygon sink that records what the surface step emits.
#include <array>
#include <string>
#include <vector>

#include "base/memory.h"
#include "base/memoryhost.h"
#include "lang/lang.h"
#include "render/render.h"

namespace vx::rendertest {

// A graph text executed with `time` fixed, its job built and the view set to its preset.
struct Scene {
  Allocator allocator;
  MemoryHost host;
  LangState state{allocator};
  RenderJob job;
  Renderer renderer{allocator};
  ViewRecord view;
  ExecResult result;
  Status jobStatus = kOk;

  explicit Scene(const std::string& text, double time = 0) {
    LineList lines = LineList::fromText(text);
    host.clock = time;
    state.host = &host;
    result = executeGraphText(state, lines);
    if (result.outcome != ExecOutcome::Graph) {
      jobStatus = kNoGraph;
      return;
    }
    jobStatus = buildRenderJob(state, job);
    applyViewPreset(view, job.viewPreset());
  }
  bool ok() const { return result.outcome == ExecOutcome::Graph && jobStatus == kOk; }

  void setAngles(float horizontal, float elevation) {
    view.horizontal = horizontal;
    view.elevation = elevation;
    updateEyeVector(view);
  }

  void render(FrameBuffer& fb, const RenderOptions& options = {}) {
    renderPicture(renderer, state, job, view, 1.0f, fb, options);
  }
};

struct CapturedPolygon {
  std::vector<std::array<float, 3>> frame;  // box-frame coordinates of the vertices
  std::vector<ProjectedPoint> view;
  PixelColor first = 0, second = 0;
};

struct PolygonCapture {
  std::vector<CapturedPolygon> polygons;

  static void record(void* context, const SurfacePolygon& p) {
    CapturedPolygon c;
    for (int i = 0; i < p.count; ++i) {
      c.frame.push_back({p.vertices[i]->frame[0], p.vertices[i]->frame[1], p.vertices[i]->frame[2]});
      c.view.push_back(p.vertices[i]->view);
    }
    c.first = p.first;
    c.second = p.second;
    static_cast<PolygonCapture*>(context)->polygons.push_back(c);
  }
  PolygonSink sink() { return {this, &PolygonCapture::record}; }
};

// Renders `scene` into a small 8-bit picture, recording the polygons instead of
// filling them.
inline std::vector<CapturedPolygon> capturePolygons(Scene& scene, int width = 320, int height = 240) {
  OwnedFrameBuffer fb(PixelFormat::Indexed8, width, height);
  PolygonCapture capture;
  const PolygonSink sink = capture.sink();
  RenderOptions options;
  options.sink = &sink;
  scene.render(fb.get(), options);
  return capture.polygons;
}

}  // namespace vx::rendertest
