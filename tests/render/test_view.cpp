// View presets, the view transform, projection and edge codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "lang/lang.h"
#include "picture_probe.h"
#include "render/view.h"

namespace vx {
namespace {

PictureRect pictureOf(int width, int height) {
  PictureRect r;
  r.right = width - 1;
  r.bottom = height - 1;
  return r;
}

ProjectedPoint project(const ViewTransform& t, float x, float y, float z) {
  const float p[3] = {x, y, z};
  ProjectedPoint q;
  projectPoint(t, p, q);
  return q;
}

TEST(View, StartValuesAndPresets) {
  ViewRecord v;
  EXPECT_FLOAT_EQ(v.horizontal, 0.5f);
  EXPECT_FLOAT_EQ(v.elevation, -0.62f);
  EXPECT_FLOAT_EQ(v.eye[1], -0.5f);
  EXPECT_FLOAT_EQ(v.extentX, 0.032f);
  EXPECT_FLOAT_EQ(v.extentY, 0.024f);
  EXPECT_FLOAT_EQ(v.distance, 0.05f);
  applyViewPreset(v, kTopView);
  EXPECT_FLOAT_EQ(v.elevation, -1.5707963267948966f);
  EXPECT_NEAR(v.eye[2], 0.5f, 1e-6);
  applyViewPreset(v, kSideView);
  EXPECT_NEAR(v.eye[0], 0.5f, 1e-6);
  applyViewPreset(v, 7);  // anything else is standard
  EXPECT_FLOAT_EQ(v.horizontal, 0.5f);
}

TEST(View, TheBoxCentreIsThePictureCentreInEveryView) {
  const int sizes[][2] = {{1024, 768}, {333, 101}, {1, 1}, {2, 3}};
  for (int preset = 0; preset <= 4; ++preset) {
    for (const auto& size : sizes) {
      for (bool perspective : {true, false}) {
        ViewRecord v;
        applyViewPreset(v, preset);
        ViewTransform t;
        buildViewTransform(v, pictureOf(size[0], size[1]), perspective, t);
        const ProjectedPoint c = project(t, 0, 0, 0);
        EXPECT_EQ(c.x, size[0] / 2) << preset;
        EXPECT_EQ(c.y, size[1] / 2) << preset;
        EXPECT_NEAR(c.depth, 0.5f, 1e-6) << preset;
        // The eye is the view frame's origin exactly, as points are projected.
        const ProjectedPoint eye = project(t, v.eye[0], v.eye[1], v.eye[2]);
        EXPECT_EQ(eye.across, 0.0f) << preset;
        EXPECT_EQ(eye.depth, 0.0f) << preset;
        EXPECT_EQ(eye.up, 0.0f) << preset;
      }
    }
  }
  // Turning the view keeps the eye's distance and the centre in place.
  ViewRecord v;
  applyViewPreset(v, kStandardView);
  v.horizontal = 2.3f;
  v.elevation = 0.9f;
  updateEyeVector(v);
  EXPECT_NEAR(std::hypot(std::hypot(v.eye[0], v.eye[1]), v.eye[2]), 0.5, 1e-6);
  ViewTransform t;
  buildViewTransform(v, pictureOf(640, 480), true, t);
  const ProjectedPoint c = project(t, 0, 0, 0);
  EXPECT_EQ(c.x, 320);
  EXPECT_EQ(c.y, 240);
}

TEST(View, FrontAndTopViewAxes) {
  ViewRecord v;
  applyViewPreset(v, kFrontView);
  ViewTransform t;
  buildViewTransform(v, pictureOf(640, 480), true, t);
  EXPECT_DOUBLE_EQ(t.scaleX, 640 / double(0.032f));
  const ProjectedPoint p = project(t, 0.01f, 0.02f, 0.03f);
  EXPECT_NEAR(p.across, 0.01 * t.scaleX, 1e-3);  // across is x
  EXPECT_NEAR(p.depth, 0.02 + 0.5, 1e-6);        // the y axis points away
  EXPECT_NEAR(p.up, 0.03 * t.scaleY, 1e-3);       // up is z
  const double f = 0.05 / (0.52 + 0.05);
  EXPECT_EQ(p.x, std::lrint(p.across * f + 320));
  EXPECT_EQ(p.y, std::lrint(240 - p.up * f));

  applyViewPreset(v, kTopView);
  buildViewTransform(v, pictureOf(640, 480), true, t);
  EXPECT_NEAR(project(t, 0, 0, 0.05f).depth, 0.45, 1e-6);  // z points at the viewer
  EXPECT_GT(project(t, 0.05f, 0, 0).x, 320);               // x runs to the right
  EXPECT_LT(project(t, 0, 0.05f, 0).y, 240);               // y runs up the picture
}

TEST(View, ParallelEdgesStayParallelOnlyWithoutPerspective) {
  for (bool perspective : {false, true}) {
    ViewRecord v;
    ViewTransform t;
    buildViewTransform(v, pictureOf(800, 600), perspective, t);
    const float s = perspective ? 0.09f : 0.09f / 11;
    int dx[4], dy[4], n = 0;
    for (float y : {-s, s}) {
      for (float z : {-s, s}) {
        const ProjectedPoint a = project(t, -s, y, z), b = project(t, s, y, z);
        dx[n] = b.x - a.x;
        dy[n++] = b.y - a.y;
      }
    }
    int spread = 0;
    for (int i = 1; i < 4; ++i) spread = std::max(spread, std::abs(dx[i] - dx[0]) + std::abs(dy[i] - dy[0]));
    if (perspective) {
      EXPECT_GT(spread, 20);
    } else {
      EXPECT_LE(spread, 2);
    }
  }
}

// The extents are a 4:3 rectangle fitted into the picture, so a sphere stays round
// in a picture of any shape, centred, at the size the picture's shorter fit gives;
// a 4:3 picture is the whole rectangle.
TEST(View, PicturesOfAnyShapeKeepTheGraphsShape) {
  rendertest::Scene scene("graph3d.box := false\ngraph3d.mesh := false\ngraph3d.color := black\n"
                          "graph3d.shading := 0.8\ngraph3d( x^2+y^2+z^2 = 4 )");
  ASSERT_TRUE(scene.ok());
  struct Extent {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
  };
  auto extentOf = [&](int w, int h) {
    rendertest::Picture p = rendertest::render(scene, w, h);
    Extent e;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (!p.drawn(x, y)) continue;
        e.left = std::min(e.left, x), e.right = std::max(e.right, x);
        e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
      }
    return e;
  };
  const Extent standard = extentOf(320, 240);
  EXPECT_GT(standard.width(), 60);
  const struct {
    int width, height, sameAsWidth, sameAsHeight;  // the 4:3 picture it matches
  } shapes[] = {{640, 240, 320, 240}, {320, 480, 320, 240}, {240, 240, 240, 180}, {1000, 240, 320, 240}};
  for (const auto& s : shapes) {
    const Extent e = extentOf(s.width, s.height), fit = extentOf(s.sameAsWidth, s.sameAsHeight);
    EXPECT_NEAR(e.width(), e.height(), 2) << s.width << "x" << s.height;
    EXPECT_NEAR(e.width(), fit.width(), 1) << s.width << "x" << s.height;
    EXPECT_NEAR((e.left + e.right) / 2.0, s.width / 2.0, 2) << s.width << "x" << s.height;
    EXPECT_NEAR((e.top + e.bottom) / 2.0, s.height / 2.0, 2) << s.width << "x" << s.height;
  }
  // The two scales of a 4:3 picture are the width and the height over the extents.
  ViewRecord v;
  ViewTransform t;
  buildViewTransform(v, pictureOf(640, 480), true, t);
  EXPECT_EQ(t.scaleX, 640 / double(0.032f));
  EXPECT_EQ(t.scaleY, 480 / double(0.024f));
  buildViewTransform(v, pictureOf(1280, 480), true, t);
  EXPECT_EQ(t.scaleX, 640 / double(0.032f));
  EXPECT_EQ(t.scaleY, 480 / double(0.024f));
}

TEST(View, EdgeCodesInFrontOfAndBehindTheViewer) {
  ViewRecord v;
  applyViewPreset(v, kFrontView);
  ViewTransform t;
  buildViewTransform(v, pictureOf(100, 80), true, t);
  EXPECT_EQ(screenEdgeCode(t.picture, -1, 0), kLeftOfPicture);
  EXPECT_EQ(screenEdgeCode(t.picture, 100, 79), kRightOfPicture);
  EXPECT_EQ(screenEdgeCode(t.picture, 0, 80), kBelowPicture);
  EXPECT_EQ(screenEdgeCode(t.picture, 99, -1), kAbovePicture);
  EXPECT_EQ(screenEdgeCode(t.picture, 0, 0), 0);

  // Depth 0 exactly is projected; a negative depth is behind the viewer.
  ProjectedPoint atEye{};
  atEye.depth = 0;
  projectViewPoint(t, atEye);
  EXPECT_EQ(atEye.code, 0);
  EXPECT_EQ(atEye.x, 50);
  ProjectedPoint behind{};
  behind.depth = -0.1f;
  behind.across = -51;
  behind.up = 41;
  projectViewPoint(t, behind);
  EXPECT_EQ(behind.code, kBehindViewer | kLeftOfPicture | kAbovePicture);
  behind.across = 50;  // right - cx + 1
  behind.up = -40;     // cy - bottom - 1
  projectViewPoint(t, behind);
  EXPECT_EQ(behind.code, kBehindViewer | kRightOfPicture | kBelowPicture);

  ProjectedPoint undefined{};
  undefined.across = std::nanf("");
  projectViewPoint(t, undefined);
  EXPECT_TRUE(undefined.code & kInvalidPoint);
}

}  // namespace
}  // namespace vx
