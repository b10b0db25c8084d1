// The box: far and near passes in walk order, the label corner lines of both
// label tables, and the labels handed to the text interface.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "render/box.h"
#include "picture_probe.h"
#include "render_scene.h"

namespace vx {
namespace {

using EdgeKey = std::tuple<int, double, double, double>;

EdgeKey keyOf(const BoxEdge& e) {
  double f[3] = {e.fixed[0], e.fixed[1], e.fixed[2]};
  f[e.axis] = 0;
  return {e.axis, f[0], f[1], f[2]};
}

RenderContext contextFor(rendertest::Scene& scene, FrameBuffer& fb) {
  RenderContext ctx;
  prepareRenderContext(scene.renderer, scene.state, scene.job, scene.view, 1, fb, ctx);
  return ctx;
}

TEST(Box, TheTwoPassesDrawEveryEdgeOnceInWalkOrder) {
  const float angles[][2] = {{0.5f, -0.62f}, {2.2f, 0.4f}, {4.0f, -1.2f}, {5.5f, 1.0f}, {0, 0}, {1.9f, -0.62f}};
  for (const auto& a : angles) {
    rendertest::Scene scene("graph3d.minimumz := -1\ngraph3d( x = y )");
    ASSERT_TRUE(scene.ok());
    scene.setAngles(a[0], a[1]);
    OwnedFrameBuffer fb(PixelFormat::Rgb32, 64, 48);
    RenderContext ctx = contextFor(scene, fb.get());
    const double lo[3] = {-3, -3, -1}, hi[3] = {3, 3, 3};
    BoxEdge far[6], near[6];
    ASSERT_EQ(boxPassEdges(ctx, BoxPass::Far, lo, hi, far), 6);
    ASSERT_EQ(boxPassEdges(ctx, BoxPass::Near, lo, hi, near), 6);
    std::set<EdgeKey> all;
    for (const BoxEdge& e : far) all.insert(keyOf(e));
    for (const BoxEdge& e : near) all.insert(keyOf(e));
    EXPECT_EQ(all.size(), 12u);

    const WalkOrder& order = ctx.order;
    const int outer = order.axis[kOuter], inner = order.axis[kInner];
    auto farEnd = [&](int axis) { return order.fromMaximum[axis] ? hi[axis] : lo[axis]; };
    auto nearEnd = [&](int axis) { return order.fromMaximum[axis] ? lo[axis] : hi[axis]; };
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(far[i].fixed[outer], farEnd(outer));   // the far face first
      EXPECT_EQ(near[2 + i].fixed[outer], nearEnd(outer));  // the near face last
    }
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(far[4 + i].axis, outer);
      EXPECT_EQ(far[4 + i].fixed[inner], farEnd(inner));
      EXPECT_EQ(near[i].axis, outer);
      EXPECT_EQ(near[i].fixed[inner], nearEnd(inner));
    }
    // The far face is the one farthest from the viewer.
    float frameFar[3] = {0, 0, 0}, frameNear[3] = {0, 0, 0};
    frameFar[outer] = ctx.frame.map(outer, farEnd(outer));
    frameNear[outer] = ctx.frame.map(outer, nearEnd(outer));
    ProjectedPoint pf, pn;
    projectPoint(ctx.view, frameFar, pf);
    projectPoint(ctx.view, frameNear, pn);
    EXPECT_GT(pf.depth, pn.depth);
  }
}

TEST(Box, LabelCornerLinesOfBothTables) {
  struct Case {
    const char* view;
    // Per axis, the fixed coordinates of the labelled edge (the axis' own entry unused).
    double fixed[3][3];
  };
  const Case cases[] = {
      {"standard", {{0, -3, -1}, {3, 0, -1}, {3, 3, 0}}},
      {"top", {{0, -3, -1}, {3, 0, -1}, {3, 3, 0}}},
      {"textbook", {{0, 3, -1}, {3, 0, -1}, {-3, 3, 0}}},
  };
  for (const Case& c : cases) {
    rendertest::Scene scene(std::string("graph3d.view := ") + c.view + "\ngraph3d.minimumz := -1\ngraph3d( x = y )");
    ASSERT_TRUE(scene.ok());
    const double lo[3] = {-3, -3, -1}, hi[3] = {3, 3, 3};
    int labelled[3] = {0, 0, 0};
    for (int axis = 0; axis < 3; ++axis) {
      const int b = (axis + 1) % 3, d = (axis + 2) % 3;
      for (double vb : {lo[b], hi[b]}) {
        for (double vd : {lo[d], hi[d]}) {
          BoxEdge e{axis, {0, 0, 0}};
          e.fixed[b] = vb;
          e.fixed[d] = vd;
          if (!isLabelEdge(scene.job, e)) continue;
          ++labelled[axis];
          EXPECT_EQ(vb, c.fixed[axis][b]) << c.view << " axis " << axis;
          EXPECT_EQ(vd, c.fixed[axis][d]) << c.view << " axis " << axis;
        }
      }
    }
    for (int n : labelled) EXPECT_EQ(n, 1) << c.view;
  }
}

struct Recorder {
  std::vector<std::string> texts;
  std::vector<PixelColor> colors;
  static void measure(void*, const char*, int length, int size, int* w, int* h) {
    *w = length * size / 2;
    *h = size;
  }
  static void draw(void* c, FrameBuffer&, int, int, const char* text, int length, int size, PixelColor color) {
    auto* self = static_cast<Recorder*>(c);
    self->texts.emplace_back(text, length);
    self->colors.push_back(color);
    EXPECT_EQ(size, 8);
  }
};

TEST(Box, LabelsNameTheAxesAndTheirRanges) {
  rendertest::Scene scene("graph3d.background := black\ngraph3d.minimumz := -0.5\ngraph3d( x = y )");
  ASSERT_TRUE(scene.ok());
  Recorder recorder;
  TextPainter painter{&recorder, &Recorder::measure, &Recorder::draw};
  scene.renderer.text = &painter;
  OwnedFrameBuffer fb(PixelFormat::Rgb32, 320, 240);
  scene.render(fb.get());
  std::multiset<std::string> texts(recorder.texts.begin(), recorder.texts.end());
  EXPECT_EQ(texts, (std::multiset<std::string>{"x", "y", "z", "-3", "3", "-3", "3", "-.5", "3"}));
  for (PixelColor c : recorder.colors) EXPECT_EQ(c, 0xFFFFFFu);  // white on black

  // Without the box, nothing is labelled.
  rendertest::Scene plain("graph3d.box := false\ngraph3d( x = y )");
  Recorder none;
  TextPainter quiet{&none, &Recorder::measure, &Recorder::draw};
  plain.renderer.text = &quiet;
  plain.render(fb.get());
  EXPECT_TRUE(none.texts.empty());
  EXPECT_EQ(labelPixelSize(96), 8);
  EXPECT_EQ(labelPixelSize(120), 10);
  EXPECT_EQ(labelPixelSize(72), 6);
  EXPECT_EQ(labelPixelSize(100), 8);  // 8.33
  EXPECT_EQ(labelPixelSize(108), 9);  // 9.0
}

// In every preset, from below, from odd angles and without perspective: all nine
// texts are drawn whole (no line is drawn over them later), and no line pixel and
// no pixel of another text lies next to any of their pixels.
TEST(Box, LabelsNeverTouchALineOrEachOther) {
  struct Case {
    const char* setup;
    float angles[2];  // used when not both zero
  } cases[] = {
      {"graph3d.view := standard", {0, 0}},  {"graph3d.view := top", {0, 0}},
      {"graph3d.view := front", {0, 0}},     {"graph3d.view := side", {0, 0}},
      {"graph3d.view := textbook", {0, 0}},  {"graph3d.view := standard", {0.5f, 0.6f}},
      {"graph3d.view := textbook", {1.9f, 0.62f}}, {"graph3d.view := standard", {2.2f, 0.4f}},
      {"graph3d.view := standard", {4.0f, -1.2f}}, {"graph3d.view := standard", {5.5f, 1.0f}},
      {"graph3d.perspective := false\ngraph3d.view := side", {0, 0}},
      {"graph3d.perspective := false\ngraph3d.view := standard", {0.5f, 0.6f}},
  };
  for (const Case& c : cases) {
    rendertest::Scene scene(std::string(c.setup) +
                            "\ngraph3d.minimumz := -0.5\ngraph3d.maximumx := 12.5\ngraph3d( x = 100 )");
    ASSERT_TRUE(scene.ok()) << c.setup;
    if (c.angles[0] != 0 || c.angles[1] != 0) scene.setAngles(c.angles[0], c.angles[1]);
    rendertest::BlockPainter painter;
    scene.renderer.text = painter.painter();
    OwnedFrameBuffer picture(PixelFormat::Rgb32, 320, 240);
    FrameBuffer& fb = picture.get();
    scene.render(fb);
    const std::string where = std::string(c.setup) + " at " + std::to_string(c.angles[0]) + ", " +
                              std::to_string(c.angles[1]);
    ASSERT_EQ(painter.drawn, 9) << where;
    int blockPixels[9] = {}, linePixels = 0;
    for (int y = 0; y < fb.height; ++y) {
      for (int x = 0; x < fb.width; ++x) {
        const PixelColor p = readPixel(fb, x, y);
        if (p == 0) ++linePixels;
        if ((p & 0xFF) != 0x40) continue;
        const int k = int(p >> 20) - 1;
        ++blockPixels[k];
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= fb.width || ny >= fb.height) continue;
            const PixelColor q = readPixel(fb, nx, ny);
            ASSERT_TRUE(q == p || q == 0xFFFFFFu) << where << ": text " << k << " touches " << std::hex << q
                                                   << std::dec << " at " << nx << ", " << ny;
          }
      }
    }
    EXPECT_GT(linePixels, 150) << where;
    for (int k = 0; k < 9; ++k) EXPECT_GT(blockPixels[k], 0) << where << ": text " << k;
  }
}

TEST(Box, ASliceAddsItsOutlineAndTheFarEdgesAreCoveredByTheGraph) {
  rendertest::Scene scene("graph3d.mesh := false\ngraph3d( z = 0 )");
  ASSERT_TRUE(scene.ok());
  OwnedFrameBuffer whole(PixelFormat::Indexed8, 200, 150), sliced(PixelFormat::Indexed8, 200, 150);
  scene.render(whole.get());
  AxisGrid& x = scene.job.axes[0];
  x.count = 2;
  x.samplingMinimum = -0.15;
  x.samplingMaximum = 0.15;
  scene.render(sliced.get());
  int blackWhole = 0, blackSliced = 0;
  for (int y = 0; y < 150; ++y) {
    for (int px = 0; px < 200; ++px) {
      blackWhole += readPixel(whole.get(), px, y) == kIndexBlack;
      blackSliced += readPixel(sliced.get(), px, y) == kIndexBlack;
    }
  }
  EXPECT_GT(blackSliced, blackWhole);  // the slab's outline
  restoreAxes(scene.job);
  EXPECT_EQ(scene.job.axes[0].count, 21);
  EXPECT_EQ(scene.job.axes[0].samplingMinimum, -3);
}

}  // namespace
}  // namespace vx
