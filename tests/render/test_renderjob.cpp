// Building the render job from the options: grid counts, flags, limits.
#include <gtest/gtest.h>

#include <string>

#include "render/gridwalk.h"
#include "render_scene.h"

namespace vx {
namespace {

using rendertest::Scene;

TEST(RenderJob, GridCountsFromResolutionAndBox) {
  struct Case {
    const char* options;
    int x, y, z;
  };
  const Case cases[] = {
      {"", 21, 21, 21},
      {"graph3d.minimumz := -1\ngraph3d.maximumz := 1", 21, 21, 8},  // 20/3 rounds to 7
      {"graph3d.minimumz := -1.5\ngraph3d.maximumz := 1.5", 21, 21, 11},
      {"graph3d.resolution := 1", 2, 2, 2},
      {"graph3d.resolution := 3", 3, 3, 3},
      {"graph3d.resolution := -40", 2, 2, 2},
      {"graph3d.resolution := 0/0", 2, 2, 2},
      {"graph3d.minimumx := 2\ngraph3d.maximumx := 2", 2, 21, 21},  // a zero-length axis
      {"graph3d.maximumy := -3", 21, 2, 21},
      {"graph3d.minimumx := 5\ngraph3d.maximumx := -5", 21, 13, 13},  // reversed: half-span 5
  };
  for (const Case& c : cases) {
    Scene scene(std::string(c.options) + "\ngraph3d( x = y )");
    ASSERT_TRUE(scene.ok()) << c.options;
    EXPECT_EQ(scene.job.axes[0].count, c.x) << c.options;
    EXPECT_EQ(scene.job.axes[1].count, c.y) << c.options;
    EXPECT_EQ(scene.job.axes[2].count, c.z) << c.options;
    for (const AxisGrid& a : scene.job.axes) EXPECT_EQ(a.count, a.savedCount);
  }
  Scene defaults("graph3d( x = y )");
  EXPECT_EQ(defaults.job.axes[2].variable, kZ);
  EXPECT_EQ(defaults.job.axes[0].proportion, 1);
  EXPECT_EQ(defaults.job.axes[1].boxMinimum, -3);
  EXPECT_EQ(defaults.job.axes[1].samplingMaximum, 3);
  EXPECT_EQ(defaults.job.graphCount, 1);
}

TEST(RenderJob, FlagsStepsAndView) {
  Scene defaults("graph3d( x = y )");
  EXPECT_TRUE(defaults.job.mesh());
  EXPECT_TRUE(defaults.job.box());
  EXPECT_TRUE(defaults.job.perspective());
  EXPECT_FALSE(defaults.job.usesTime());
  EXPECT_EQ(defaults.job.viewPreset(), kStandardView);
  EXPECT_EQ(defaults.job.stepsU, 40);

  Scene changed(
      "graph3d.mesh := false\ngraph3d.perspective := 0\ngraph3d.box := x\ngraph3d.view := textbook\n"
      "graph3d.stepsu := -5\ngraph3d.stepsv := 12.6\ngraph3d( ( x = sin(time), y = 0 ) )");
  ASSERT_TRUE(changed.ok());
  EXPECT_FALSE(changed.job.mesh());
  EXPECT_FALSE(changed.job.perspective());
  EXPECT_TRUE(changed.job.box());  // undefined counts as true
  EXPECT_TRUE(changed.job.usesTime());
  EXPECT_EQ(changed.job.viewPreset(), kTextbookView);
  EXPECT_EQ(changed.job.stepsU, 40);
  EXPECT_EQ(changed.job.stepsV, 13);
  EXPECT_EQ(changed.job.graphCount, 2);

  Scene odd("graph3d.view := 7\ngraph3d( x = y )");
  EXPECT_EQ(odd.job.viewPreset(), kStandardView);
}

TEST(RenderJob, DataArrayFixesTheGrid) {
  Allocator allocator;
  LangState state(allocator);
  MemoryHost host;
  std::string& contents = host.files["grid.txt"] = "3 4 5";
  for (int i = 0; i < 60; ++i) contents += " " + std::to_string(i % 7);
  state.host = &host;
  LineList lines = LineList::fromText("graph3d( read3dtextfile(\"grid.txt\") = 3 )");
  ASSERT_EQ(executeGraphText(state, lines).outcome, ExecOutcome::Graph);
  RenderJob job;
  ASSERT_EQ(buildRenderJob(state, job), kOk);
  EXPECT_EQ(job.axes[0].count, 3);
  EXPECT_EQ(job.axes[1].count, 4);
  EXPECT_EQ(job.axes[2].count, 5);
}

// What a front end does: a graph command whose job cannot be built is an invalid
// graph command, and the previous job stays.
struct JobBuildingCheck final : GraphCommandCheck {
  RenderJob job;
  const char* reason = nullptr;
  bool acceptGraphCommand(LangState& state) override {
    RenderJob candidate;
    if (failed(buildRenderJob(state, candidate, &reason))) return false;
    job = candidate;
    return true;
  }
};

std::string graphs(int count, const char* graph) {
  std::string list = graph;
  for (int i = 1; i < count; ++i) list += std::string(", ") + graph;
  return "graph3d( (" + list + ") )";
}

// Each bound of the job, at the bound and just past it, and texts whose sizes
// overflow 32 or 64 bits when multiplied out: refused in both builds with
// "Syntax error" and a reason, never accepted with a wrapped size.
TEST(RenderJob, BoundsAtAndPastTheLimit) {
  // The most graphs whose sample planes fit at 1024 points per axis (this build's layout).
  int fitting = 1;
  while (sampleStoreBytesFor(kMaxAxisPoints, kMaxAxisPoints, fitting + 1) <= kMaxSampleStoreBytes) ++fitting;
  const std::string fine = "graph3d.resolution := 1024\n";
  const std::string tenForms = graphs(10, "rectangular(u, v, u)");
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {fine + "graph3d( x = y )", true},
      {"graph3d.resolution := 1025\ngraph3d( x = y )", false},
      {"graph3d.resolution := 1e300\ngraph3d( x = y )", false},
      {fine + graphs(fitting, "x = 0"), true},
      {fine + graphs(fitting + 1, "x = 0"), false},
      {fine + graphs(196, "x = 0"), false},  // 196 sample planes wrap a 32-bit size to 20 MiB
      {"graph3d.stepsu := 65536\ngraph3d.stepsv := 4\ngraph3d( rectangular(u, v, u) )", true},
      {"graph3d.stepsu := 65537\ngraph3d.stepsv := 1\ngraph3d( rectangular(u, v, u) )", false},
      {"graph3d.stepsu := 512\ngraph3d.stepsv := 512\ngraph3d( rectangular(u, v, u) )", true},
      {"graph3d.stepsu := 512\ngraph3d.stepsv := 513\ngraph3d( rectangular(u, v, u) )", false},
      {"graph3d.stepsu := 512\ngraph3d.stepsv := 256\n" + graphs(2, "rectangular(u, v, u)"), true},
      {"graph3d.stepsu := 512\ngraph3d.stepsv := 256\n" + graphs(3, "rectangular(u, v, u)"), false},
      {"graph3d.stepsu := 1e12\ngraph3d.stepsv := 1e12\n" + tenForms, false},  // 1e25 cells
      {"graph3d.stepsu := 1e12\ngraph3d( x = y )", true},  // steps matter only to parametric graphs
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 120));
    Allocator allocator;
    LangState state(allocator);
    JobBuildingCheck check;
    state.graphCommandCheck = &check;
    LineList previous = LineList::fromText("graph3d( x = y )");
    ASSERT_EQ(executeGraphText(state, previous).outcome, ExecOutcome::Graph);
    LineList lines = LineList::fromText(c.text);
    const ExecResult result = executeGraphText(state, lines);
    if (c.accepted) {
      EXPECT_EQ(result.outcome, ExecOutcome::Graph);
      EXPECT_LE(sampleStoreBytes(check.job), kMaxSampleStoreBytes);
    } else {
      EXPECT_EQ(result.status, "Syntax error");
      EXPECT_NE(check.reason, nullptr);
      EXPECT_EQ(check.job.graphCount, 1) << "the previous job stays";
    }
  }
}

TEST(RenderJob, SampleStoreSizesSaturate) {
  EXPECT_GT(sampleStoreBytesFor(1024, 1024, 196), std::uint64_t(1) << 32);
  EXPECT_EQ(sampleStoreBytesFor(std::uint64_t(1) << 40, std::uint64_t(1) << 40, 2), kSaturated);
  EXPECT_EQ(sampleStoreBytesFor(2, 2, kSaturated), kSaturated);
  Allocator allocator;
  LangState state(allocator);
  RenderJob job;
  const char* reason = nullptr;
  EXPECT_EQ(buildRenderJob(state, job, &reason), kNoGraph);
  EXPECT_NE(reason, nullptr);
}

}  // namespace
}  // namespace vx
