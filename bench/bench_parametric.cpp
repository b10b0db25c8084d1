// Whole redraws of parametric graphs and vector fields into a 1920 x 1080
// 32-bit picture: a torus at 40, 100 and 200 steps per parameter (its rows
// sweep through the whole depth range, the hard case for the depth-sorted
// list) and a vector field at the default resolution 21. The depth list alone
// is measured with the primitives of the same torus.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/fpu.h"
#include "base/memory.h"
#include "lang/lang.h"
#include "render/depthlist.h"
#include "render/render.h"

namespace {

const char kTorus[] =
    "graph3d.minimumu := 0\ngraph3d.maximumu := 2*pi\n"
    "graph3d.minimumv := 0\ngraph3d.maximumv := 2*pi\n"
    "graph3d.shading := 0.5\n"
    "graph3d( rectangular((2+cos(v))*cos(u), (2+cos(v))*sin(u), sin(v)) )";

const char kField[] =
    "graph3d.vectorarrowhead := true\ngraph3d.vectorcolor := byheight\n"
    "graph3d( vector(-y/4, x/4, 0.3 - z/10) )";

struct Redraw {
  vx::Allocator allocator;
  vx::LangState state{allocator};
  vx::RenderJob job;
  vx::Renderer renderer{allocator};
  vx::ViewRecord view;
  vx::OwnedFrameBuffer picture{vx::PixelFormat::Rgb32, 1920, 1080};
  bool ok = false;

  explicit Redraw(const std::string& text) {
    vx::LineList lines;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.append(std::string_view(text).substr(start, end - start));
      start = end + 1;
    }
    ok = vx::executeGraphText(state, lines).outcome == vx::ExecOutcome::Graph &&
         vx::buildRenderJob(state, job) == vx::kOk;
    vx::applyViewPreset(view, job.viewPreset());
  }
  void draw() { vx::renderPicture(renderer, state, job, view, 1.0f, picture.get()); }
};

void run(benchmark::State& bench, const std::string& text) {
  vx::setProgramFloatingPointMode();
  Redraw redraw(text);
  if (!redraw.ok) {
    bench.SkipWithError("the graph text was refused");
    return;
  }
  for (auto _ : bench) redraw.draw();
}

void BM_ParametricTorus(benchmark::State& bench) {
  const std::string steps = std::to_string(bench.range(0));
  run(bench, "graph3d.stepsu := " + steps + "\ngraph3d.stepsv := " + steps + "\n" + kTorus);
  bench.counters["quads"] = double(bench.range(0)) * bench.range(0);
}
BENCHMARK(BM_ParametricTorus)->Arg(40)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_VectorField(benchmark::State& bench) { run(bench, kField); }
BENCHMARK(BM_VectorField)->Unit(benchmark::kMillisecond);

// The depth list alone: the triangles and mesh segments of an n x n torus in
// the standard view, inserted in sampling order and drained.
void BM_DepthListTorus(benchmark::State& bench) {
  const int n = static_cast<int>(bench.range(0));
  const float a = 0.5f, b = -0.62f;
  const float row[3] = {-std::sin(a) * std::cos(b), std::cos(a) * std::cos(b), std::sin(b)};
  std::vector<float> depth(std::size_t(n + 1) * (n + 1));
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      const double u = 2 * M_PI * i / n, v = 2 * M_PI * j / n;
      const double x = (2 + std::cos(v)) * std::cos(u), y = (2 + std::cos(v)) * std::sin(u), z = std::sin(v);
      depth[std::size_t(j) * (n + 1) + i] = static_cast<float>(0.5 + 0.03 * (row[0] * x + row[1] * y + row[2] * z));
    }
  }
  auto depthAt = [&](int i, int j) { return depth[std::size_t(j) * (n + 1) + i]; };
  vx::Allocator allocator;
  vx::DepthList list(allocator);
  vx::ProjectedPoint p{}, q{}, r{}, s{};
  for (auto _ : bench) {
    for (int j = 1; j <= n; ++j) {
      for (int i = 1; i <= n; ++i) {
        p.depth = depthAt(i, j), q.depth = depthAt(i - 1, j), r.depth = depthAt(i - 1, j - 1), s.depth = depthAt(i, j - 1);
        list.addTriangle(p, q, r, 0, 0);
        list.addTriangle(p, r, s, 0, 0);
        list.addSegment(p, q, 0);
        list.addSegment(p, s, 0);
      }
    }
    std::size_t drawn = 0;
    list.drain([&](const vx::DepthRecord&) { ++drawn; });
    benchmark::DoNotOptimize(drawn);
  }
  bench.counters["primitives"] = 4.0 * n * n;
  bench.SetItemsProcessed(bench.iterations() * 4 * n * n);
}
BENCHMARK(BM_DepthListTorus)->Arg(40)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
