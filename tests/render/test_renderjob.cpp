// Building the render job from the options: grid counts, flags, limits.
#include <gtest/gtest.h>

#include <string>

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

TEST(RenderJob, StorageIsBoundedAndRefusalsSayWhy) {
  Scene fine("graph3d.resolution := 1024\ngraph3d( x = y )");
  EXPECT_EQ(fine.jobStatus, kOk);
  EXPECT_LE(sampleStoreBytes(fine.job), kMaxSampleStoreBytes);

  for (const char* text : {"graph3d.resolution := 1026\ngraph3d( x = y )", "graph3d.resolution := 1e300\ngraph3d( x = y )",
                           "graph3d.resolution := 1024\ngraph3d( (x = y, x = z, y = z, x = 1, x = 2, y = 1, y = 2, z = 1) )",
                           "graph3d.stepsu := 100000\ngraph3d( rectangular(u, v, u) )",
                           "graph3d.stepsu := 5000\ngraph3d.stepsv := 5000\ngraph3d( rectangular(u, v, u) )",
                           "graph3d.stepsu := 300\ngraph3d.stepsv := 300\n"
                           "graph3d( (rectangular(u, v, u), rectangular(u, v, v), rectangular(v, u, u)) )"}) {
    Allocator allocator;
    LangState state(allocator);
    LineList lines = LineList::fromText(text);
    ASSERT_EQ(executeGraphText(state, lines).outcome, ExecOutcome::Graph) << text;
    RenderJob job;
    job.graphCount = 99;
    const char* reason = nullptr;
    EXPECT_EQ(buildRenderJob(state, job, &reason), kOutOfRange) << text;
    EXPECT_NE(reason, nullptr);
    EXPECT_EQ(job.graphCount, 99) << "a refused job leaves the previous one alone";
  }
  Scene oneMesh("graph3d.stepsu := 300\ngraph3d.stepsv := 300\ngraph3d( rectangular(u, v, u) )");
  EXPECT_EQ(oneMesh.jobStatus, kOk);
  // Huge steps matter only to parametric graphs.
  Scene implicit("graph3d.stepsu := 1e12\ngraph3d( x = y )");
  EXPECT_EQ(implicit.jobStatus, kOk);
}

}  // namespace
}  // namespace vx
