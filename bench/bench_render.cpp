// One redraw at 1920 x 1080 in 32-bit colour, split into its stages:
//   Evaluate  the grid walk evaluating every graph at every point (no cells)
//   Surfaces  the walk with crossing points and polygons, but nothing drawn
//   Redraw    the whole picture: clear, box, surfaces filled, mesh
// and, as the unit of the table in docs/performance.md, one plain clear of the
// same frame buffer.
#include <benchmark/benchmark.h>

#include <string>

#include "base/fpu.h"
#include "base/memory.h"
#include "lang/lang.h"
#include "render/render.h"

namespace {

using namespace vx;

constexpr int kWidth = 1920, kHeight = 1080;

struct Graph {
  const char* name;
  std::string text;  // "RES" stands for the resolution
};

std::string openingGraph() {
  std::string text = kOpeningGraphText;
  const std::string line = "graph3d.resolution := 21";
  text.replace(text.find(line), line.size(), "graph3d.resolution := RES");
  return text;
}

const Graph kGraphs[] = {
    {"opening", openingGraph()},
    {"sphere", "graph3d.resolution := RES\ngraph3d( x^2+y^2+z^2 = 4 )"},
    {"torus", "graph3d.resolution := RES\ngraph3d( (sqrt(x^2+y^2)-2)^2+z^2 = 0.64 )"},
    {"gyroid", "graph3d.resolution := RES\ngraph3d( sin(x)*cos(y)+sin(y)*cos(z)+sin(z)*cos(x) = 0 )"},
    {"inequality", "graph3d.resolution := RES\ngraph3d.transparency := 0.5\ngraph3d( x^2+y^2 < 2+z )"},
};

struct Setup {
  Allocator allocator;
  LangState state{allocator};
  RenderJob job;
  Renderer renderer{allocator};
  ViewRecord view;
  OwnedFrameBuffer fb{PixelFormat::Rgb32, kWidth, kHeight};

  Setup(const Graph& graph, int resolution) {
    setProgramFloatingPointMode();
    std::string text = graph.text;
    text.replace(text.find("RES"), 3, std::to_string(resolution));
    LineList lines = LineList::fromText(text);
    executeGraphText(state, lines);
    buildRenderJob(state, job);
    applyViewPreset(view, job.viewPreset());
  }
};

void nothing(void*, const SurfacePolygon&) {}

enum Stage { kEvaluate, kSurfaces, kRedraw };

void runStage(benchmark::State& s, Stage stage) {
  const Graph& graph = kGraphs[s.range(0)];
  Setup setup(graph, static_cast<int>(s.range(1)));
  s.SetLabel(std::string(graph.name) + " resolution " + std::to_string(s.range(1)));
  std::size_t polygons = 0;
  PolygonSink counter{&polygons, [](void* c, const SurfacePolygon&) { ++*static_cast<std::size_t*>(c); }};
  for (auto _ : s) {
    if (stage == kRedraw) {
      renderPicture(setup.renderer, setup.state, setup.job, setup.view, 1, setup.fb.get());
    } else {
      RenderContext ctx;
      prepareRenderContext(setup.renderer, setup.state, setup.job, setup.view, 1, setup.fb.get(), ctx);
      ctx.sink = {nullptr, nothing};
      WalkOptions options;
      options.extractSurfaces = stage == kSurfaces;
      walkGrid(ctx, options);
    }
    benchmark::ClobberMemory();
  }
  if (stage == kSurfaces) {
    RenderContext ctx;
    prepareRenderContext(setup.renderer, setup.state, setup.job, setup.view, 1, setup.fb.get(), ctx);
    ctx.sink = counter;
    walkGrid(ctx);
    s.counters["polygons"] = static_cast<double>(polygons);
  }
}

void Evaluate(benchmark::State& s) { runStage(s, kEvaluate); }
void Surfaces(benchmark::State& s) { runStage(s, kSurfaces); }
void Redraw(benchmark::State& s) { runStage(s, kRedraw); }

void Clear(benchmark::State& s) {
  OwnedFrameBuffer fb(PixelFormat::Rgb32, kWidth, kHeight);
  for (auto _ : s) {
    clearPicture(fb.get(), 0xFFFFFF);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(Clear)->Unit(benchmark::kMicrosecond);
BENCHMARK(Evaluate)->ArgsProduct({{0, 1, 2, 3, 4}, {21, 51, 101}})->Unit(benchmark::kMicrosecond);
BENCHMARK(Surfaces)->ArgsProduct({{0, 1, 2, 3, 4}, {21, 51, 101}})->Unit(benchmark::kMicrosecond);
BENCHMARK(Redraw)->ArgsProduct({{0, 1, 2, 3, 4}, {21, 51, 101}})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
