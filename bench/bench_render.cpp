// Whole redraws at 1920 x 1080 in 32-bit colour and the PNG encoding of such
// pictures, printed at the end of the run as one table in milliseconds and in
// clears: the cost of one plain clear of the same frame buffer, measured in the
// same run, so that figures from different machines can be compared.
//
// A graph's redraw is split into its stages:
//   Evaluate  the grid walk evaluating every graph at every point (no cells)
//   Surfaces  the walk with crossing points and polygons, but nothing drawn
//   Redraw    the whole picture: clear, box, surfaces filled, mesh
// The table shows evaluation, surfaces (Surfaces less Evaluate), drawing
// (Redraw less Surfaces) and the whole redraw. With --benchmark_repetitions
// the table takes the medians. Compiled code runs as native code, as in the
// tool and the program; --interpreter runs it in the interpreter instead.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "base/executablememory.h"
#include "base/fpu.h"
#include "base/memory.h"
#include "cli/png_writer.h"
#include "lang/lang.h"
#include "lang/native.h"
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
    {"opening graph (time 0)", openingGraph()},
    {"sphere x^2+y^2+z^2 = 9", "graph3d.resolution := RES\ngraph3d( x^2+y^2+z^2 = 9 )"},
    {"torus (sqrt(x^2+y^2)-2)^2+z^2 = 0.64", "graph3d.resolution := RES\ngraph3d( (sqrt(x^2+y^2)-2)^2+z^2 = 0.64 )"},
    {"gyroid sin(x)*cos(y)+sin(y)*cos(z)+sin(z)*cos(x) = 0",
     "graph3d.resolution := RES\ngraph3d( sin(x)*cos(y)+sin(y)*cos(z)+sin(z)*cos(x) = 0 )"},
};
constexpr int kGraphCount = sizeof(kGraphs) / sizeof(kGraphs[0]);

std::string withResolution(const Graph& graph, int resolution) {
  std::string text = graph.text;
  text.replace(text.find("RES"), 3, std::to_string(resolution));
  return text;
}

std::string parametricTorus(int steps) {
  const std::string n = std::to_string(steps);
  return "graph3d.stepsu := " + n + "\ngraph3d.stepsv := " + n +
         "\ngraph3d.minimumu := 0\ngraph3d.maximumu := 2*pi\n"
         "graph3d.minimumv := 0\ngraph3d.maximumv := 2*pi\n"
         "graph3d.shading := 0.5\n"
         "graph3d( rectangular((2+cos(v))*cos(u), (2+cos(v))*sin(u), sin(v)) )";
}

struct Setup {
  Allocator allocator;
  LangState state{allocator};
  RenderJob job;
  Renderer renderer{allocator};
  ViewRecord view;
  OwnedFrameBuffer fb{PixelFormat::Rgb32, kWidth, kHeight};
  bool ok = false;

  explicit Setup(const std::string& text) {
    setProgramFloatingPointMode();
    LineList lines = LineList::fromText(text);
    ok = executeGraphText(state, lines).outcome == ExecOutcome::Graph && buildRenderJob(state, job) == kOk;
    applyViewPreset(view, job.viewPreset());
  }
  void draw() { renderPicture(renderer, state, job, view, 1, fb.get()); }
};

void nothing(void*, const SurfacePolygon&) {}

enum Stage { kEvaluate, kSurfaces, kRedraw };

void runStage(benchmark::State& s, Stage stage) {
  const Graph& graph = kGraphs[s.range(0)];
  Setup setup(withResolution(graph, static_cast<int>(s.range(1))));
  if (!setup.ok) return s.SkipWithError("the graph text was refused");
  s.SetLabel(std::string(graph.name) + ", resolution " + std::to_string(s.range(1)));
  for (auto _ : s) {
    if (stage == kRedraw) {
      setup.draw();
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
    std::size_t polygons = 0;
    RenderContext ctx;
    prepareRenderContext(setup.renderer, setup.state, setup.job, setup.view, 1, setup.fb.get(), ctx);
    ctx.sink = {&polygons, [](void* c, const SurfacePolygon&) { ++*static_cast<std::size_t*>(c); }};
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

void ParametricTorus(benchmark::State& s) {
  Setup setup(parametricTorus(static_cast<int>(s.range(0))));
  if (!setup.ok) return s.SkipWithError("the graph text was refused");
  for (auto _ : s) {
    setup.draw();
    benchmark::ClobberMemory();
  }
}

// Pictures to encode: what `veltrix render` writes at 1920 x 1080.
const std::pair<const char*, std::string> kPictures[] = {
    {"opening graph", withResolution(kGraphs[0], 21)},
    {"gyroid, resolution 51", withResolution(kGraphs[3], 51)},
    {"parametric torus, 100 steps", parametricTorus(100)},
};

void Png(benchmark::State& s) {
  Setup setup(kPictures[s.range(0)].second);
  if (!setup.ok) return s.SkipWithError("the graph text was refused");
  setup.draw();
  s.SetLabel(kPictures[s.range(0)].first);
  std::string png;
  for (auto _ : s) {
    if (!cli::encodePng(setup.fb.get(), *setup.renderer.colorTable, png).empty()) return s.SkipWithError("failed");
  }
  s.counters["bytes"] = static_cast<double>(png.size());
}

BENCHMARK(Clear)->Unit(benchmark::kMicrosecond);
BENCHMARK(Evaluate)->ArgsProduct({{0, 1, 2, 3}, {21, 51, 101, 201}})->Unit(benchmark::kMillisecond);
BENCHMARK(Surfaces)->ArgsProduct({{0, 1, 2, 3}, {21, 51, 101, 201}})->Unit(benchmark::kMillisecond);
BENCHMARK(Redraw)->ArgsProduct({{0, 1, 2, 3}, {21, 51, 101, 201}})->Unit(benchmark::kMillisecond);
BENCHMARK(ParametricTorus)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(Png)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The console output as usual, and the CPU time of every benchmark kept for
// the table (the median when repeated).
class Summary : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      Entry& entry = entries_[run.run_name.function_name + "/" + run.run_name.args];
      if (entry.median && !median) continue;
      entry = {run.GetAdjustedCPUTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit), median,
               run.counters.count("polygons") ? double(run.counters.at("polygons")) : 0,
               run.counters.count("bytes") ? double(run.counters.at("bytes")) : 0};
    }
  }

  void print() const {
    const double clear = ms("Clear/");
    if (clear <= 0) return;
    std::printf("\nOne clear of the 1920 x 1080 frame buffer: %.4f ms. Milliseconds of CPU time, clears in brackets.\n\n",
                clear);
    std::printf("| graph | resolution | polygons | evaluation | surfaces | drawing | redraw |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (int g = 0; g < kGraphCount; ++g) {
      for (int resolution : {21, 51, 101, 201}) {
        const std::string args = std::to_string(g) + "/" + std::to_string(resolution);
        const double evaluate = ms("Evaluate/" + args), surfaces = ms("Surfaces/" + args), redraw = ms("Redraw/" + args);
        if (evaluate <= 0 || surfaces <= 0 || redraw <= 0) continue;
        std::printf("| %s | %d | %.0f | %s | %s | %s | %s |\n", kGraphs[g].name, resolution,
                    entries_.at("Surfaces/" + args).polygons, cell(evaluate, clear).c_str(),
                    cell(surfaces - evaluate, clear).c_str(), cell(redraw - surfaces, clear).c_str(),
                    cell(redraw, clear).c_str());
      }
    }
    std::printf("\n| whole redraw | redraw |\n|---|---:|\n");
    for (int steps : {100, 200}) {
      const double redraw = ms("ParametricTorus/" + std::to_string(steps));
      if (redraw > 0) std::printf("| parametric torus, %d steps | %s |\n", steps, cell(redraw, clear).c_str());
    }
    std::printf("\n| PNG encoding, 32-bit | bytes | encoding |\n|---|---:|---:|\n");
    for (int p = 0; p < 3; ++p) {
      const std::string key = "Png/" + std::to_string(p);
      if (ms(key) > 0) {
        std::printf("| %s | %.0f | %s |\n", kPictures[p].first, entries_.at(key).bytes, cell(ms(key), clear).c_str());
      }
    }
  }

 private:
  struct Entry {
    double ms = 0;
    bool median = false;
    double polygons = 0, bytes = 0;
  };
  std::map<std::string, Entry> entries_;

  double ms(const std::string& key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? 0 : found->second.ms;
  }
  static std::string cell(double ms, double clear) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f (%.1f)", ms, ms / clear);
    return text;
  }
};

}  // namespace

int main(int argc, char** argv) {
  bool interpreter = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--interpreter") interpreter = true;
    else argv[kept++] = argv[i];
  }
  argc = kept;
  useExecutableMemory(&systemExecutableMemory());
  setNativeCode(!interpreter);
  std::printf("Compiled code: %s.\n", interpreter || !nativeCodeAvailable() ? "interpreter" : "native");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);
  summary.print();
  benchmark::Shutdown();
  return 0;
}
