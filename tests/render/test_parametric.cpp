#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "render/colors.h"
#include "render/render.h"
#include "picture_probe.h"
#include "render_scene.h"

namespace vx {
namespace {

using rendertest::Picture;
using rendertest::Scene;
using rendertest::render;
using rendertest::screenOf;

constexpr double kPi = 3.14159265358979323846;

// A plain picture: no box, no mesh, one solid colour on white, so that every
// drawn pixel is the graph's.
const char kPlain[] =
    "graph3d.box := false\n"
    "graph3d.mesh := false\n"
    "graph3d.color := black\n";

// Pixels drawn in one picture but not in the other.
int difference(Picture& a, Picture& b) {
  int n = 0;
  for (int y = 0; y < a.fb().height; ++y)
    for (int x = 0; x < a.fb().width; ++x) n += a.drawn(x, y) != b.drawn(x, y);
  return n;
}

// Pixels drawn in one picture but not in the other that do not lie on the
// common outline (next to a pixel both draw and to one neither draws): two
// meshes of the same shape whose vertices round differently differ only there.
int differenceOffTheOutline(Picture& a, Picture& b) {
  const int w = a.fb().width, h = a.fb().height;
  int n = 0;
  for (int y = 1; y + 1 < h; ++y)
    for (int x = 1; x + 1 < w; ++x) {
      if (a.drawn(x, y) == b.drawn(x, y)) continue;
      bool both = false, neither = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const bool da = a.drawn(x + dx, y + dy), db = b.drawn(x + dx, y + dy);
          both = both || (da && db);
          neither = neither || (!da && !db);
        }
      n += !(both && neither);
    }
  return n;
}

TEST(Parametric, SphereCoversTheSamePixelsAsTheImplicitSphere) {
  Scene parametric(std::string(kPlain) +
                   "graph3d.minimumu := 0\ngraph3d.maximumu := 2*pi\n"
                   "graph3d.minimumv := 0\ngraph3d.maximumv := pi\n"
                   "graph3d( spherical(2, u, v) )");
  Scene implicit(std::string(kPlain) + "graph3d.resolution := 41\ngraph3d( x^2+y^2+z^2 = 4 )");
  ASSERT_TRUE(parametric.ok());
  ASSERT_TRUE(implicit.ok());
  Picture p = render(parametric), q = render(implicit);
  const int area = p.count();
  EXPECT_GT(area, 4000);  // a disc of about 40 pixels radius
  EXPECT_LT(difference(p, q), area / 25);
  // The centre is covered, the corners are not.
  EXPECT_TRUE(p.drawn(160, 120));
  EXPECT_FALSE(p.drawn(5, 5));
}

// A tilted plane z = 2u runs out of the box at z = ±3: what remains is exactly
// the plane for u in -1.5..1.5, and a narrowed z range moves the cut.
TEST(Parametric, SurfacesAreCutAtTheBoxFacesAndFollowANarrowedRange) {
  // Ten steps along u: the cuts fall between samples.
  const std::string tilted = std::string(kPlain) + "graph3d.stepsu := 10\ngraph3d( rectangular(u, v, 2*u) )";
  Scene cut(tilted);
  Scene inside(std::string(kPlain) +
               "graph3d.minimumu := -1.5\ngraph3d.maximumu := 1.5\ngraph3d( rectangular(u, v, 2*u) )");
  ASSERT_TRUE(cut.ok());
  Picture a = render(cut, 640, 480), b = render(inside, 640, 480);
  EXPECT_GT(a.count(), 10000);
  EXPECT_LE(differenceOffTheOutline(a, b), 4);  // a cut 2% off the face gives hundreds

  Scene narrowed(tilted);
  narrowed.job.axes[2].samplingMaximum = 1;  // as the scroll bar slices the box
  Scene lower(std::string(kPlain) +
              "graph3d.minimumu := -1.5\ngraph3d.maximumu := 0.5\ngraph3d( rectangular(u, v, 2*u) )");
  Picture c = render(narrowed, 640, 480), d = render(lower, 640, 480);
  EXPECT_LT(c.count(), a.count() * 0.8);
  EXPECT_LE(differenceOffTheOutline(c, d), 4);
  // Above the narrowed cut nothing is left; below it the plane is.
  const ProjectedPoint over = screenOf(narrowed, c, 0.75, 0.0, 1.5);
  const ProjectedPoint under = screenOf(narrowed, c, 0.25, 0.0, 0.5);
  EXPECT_FALSE(c.drawn(over.x, over.y));
  EXPECT_TRUE(c.drawn(under.x, under.y));
}

// One quadrilateral whose corner (3, 3) is undefined: the triangle of the other
// three is drawn, nothing covers the missing corner, and nothing else appears.
TEST(Parametric, AnUndefinedCornerLeavesTheTriangleOfTheOtherThree) {
  const std::string setup = std::string(kPlain) +
                            "graph3d.view := top\ngraph3d.stepsu := 1\ngraph3d.stepsv := 1\n"
                            "graph3d.minimumu := 0\ngraph3d.minimumv := 0\n";
  Scene holed(setup + "graph3d( rectangular(u, v, nonneg(4.5-u-v) - 1) )");
  Scene whole(setup + "graph3d( rectangular(u, v, 0) )");
  ASSERT_TRUE(holed.ok());
  Picture h = render(holed), w = render(whole);
  const ProjectedPoint kept = screenOf(holed, h, 1, 1, 0), lost = screenOf(holed, h, 2.5, 2.5, 0);
  EXPECT_TRUE(h.drawn(kept.x, kept.y));
  EXPECT_FALSE(h.drawn(lost.x, lost.y));
  EXPECT_TRUE(w.drawn(lost.x, lost.y));
  const double share = double(h.count()) / w.count();
  EXPECT_GT(share, 0.45);
  EXPECT_LT(share, 0.56);

  // A row of holes (v where sqrt is undefined) leaves a gap, not stray triangles.
  Scene gap(std::string(kPlain) + "graph3d.view := top\ngraph3d( rectangular(u, v, 0*sqrt(v*v-1)) )");
  Picture g = render(gap);
  const ProjectedPoint middle = screenOf(gap, g, 0, 0, 0), side = screenOf(gap, g, 0, 2, 0);
  EXPECT_FALSE(g.drawn(middle.x, middle.y));
  EXPECT_TRUE(g.drawn(side.x, side.y));
}

// A torus around the z axis seen edge-on from the front and from the back: its
// near half hides the far half, whichever of the two the sampling reaches first.
TEST(Parametric, TheNearSideOfATorusHidesItsFarSide) {
  const std::string torus = std::string(kPlain) +
                            "graph3d.color := sign(y)/4\n"
                            "graph3d.minimumu := 0\ngraph3d.maximumu := 2*pi\n"
                            "graph3d.minimumv := 0\ngraph3d.maximumv := 2*pi\n"
                            "graph3d( rectangular((2+cos(v))*cos(u), (2+cos(v))*sin(u), sin(v)) )";
  for (double horizontal : {0.0, kPi}) {
    Scene scene(torus);
    ASSERT_TRUE(scene.ok());
    scene.setAngles(static_cast<float>(horizontal), 0.0f);
    Picture p = render(scene);
    // The viewer looks along +y at horizontal 0 and along -y at pi.
    const double nearY = horizontal == 0 ? -2.5 : 2.5;
    const ProjectedPoint front = screenOf(scene, p, 0, nearY, 0.5);
    ColorState colors;
    colors.table = &standardColorTable();
    const PixelColor nearColor = pixelForIndex(colors, expressionColorIndex(nearY < 0 ? -0.25L : 0.25L));
    EXPECT_EQ(p.at(front.x, front.y), nearColor) << "horizontal " << horizontal;
  }
}

TEST(Parametric, CurvesAreDrawnAsLines) {
  // A helix: no argument depends on v, so every quadrilateral would be flat.
  Scene helix(std::string(kPlain) +
              "graph3d.color := byheight\n"
              "graph3d.minimumu := 0\ngraph3d.maximumu := 6*pi\ngraph3d.stepsu := 200\n"
              "graph3d( rectangular(2*cos(u), 2*sin(u), u/3 - 3) )");
  ASSERT_TRUE(helix.ok());
  Picture h = render(helix);
  EXPECT_GT(h.count(), 300);
  const ProjectedPoint start = screenOf(helix, h, 2, 0, -3);
  EXPECT_TRUE(h.drawnNear(start.x, start.y));
  // In the graph's colour: the bottom of the box is blue, not the black of the mesh.
  EXPECT_EQ(h.at(start.x, start.y) & 0xFF, 0xFFu);
  // Beyond the top of the box (u/3 - 3 > 3 for u > 18) the helix is cut.
  const ProjectedPoint beyond = screenOf(helix, h, 2 * std::cos(6 * kPi - 0.3), 2 * std::sin(6 * kPi - 0.3), 3.2);
  EXPECT_FALSE(h.drawnNear(beyond.x, beyond.y, 0));

  // A curve along v (no u in it) and a single point are visible too.
  Scene circle(std::string(kPlain) + "graph3d.view := top\ngraph3d( rectangular(2*cos(v), 2*sin(v), 0) )");
  Picture c = render(circle);
  const ProjectedPoint onCircle = screenOf(circle, c, 2 * std::cos(1.0), 2 * std::sin(1.0), 0);
  EXPECT_GT(c.count(), 100);
  EXPECT_TRUE(c.drawnNear(onCircle.x, onCircle.y));
  Scene dot(std::string(kPlain) + "graph3d( rectangular(1, 1, 1) )");
  Picture d = render(dot);
  EXPECT_GE(d.count(), 1);
  EXPECT_LE(d.count(), 2);
}

TEST(Parametric, ListsDrawEveryFormAndRestoreTheParameters) {
  Scene scene(std::string(kPlain) +
              "u := 7\nv := 8\n"
              "graph3d( ( rectangular(u, v, -2), rectangular(cos(u), sin(u), 2) ) )");
  ASSERT_TRUE(scene.ok());
  Picture p = render(scene);
  const ProjectedPoint plane = screenOf(scene, p, 0, 0, -2), ring = screenOf(scene, p, 1, 0, 2);
  EXPECT_TRUE(p.drawn(plane.x, plane.y));
  EXPECT_TRUE(p.drawnNear(ring.x, ring.y));
  EXPECT_EQ(scene.state.value(kU), 7);
  EXPECT_EQ(scene.state.value(kV), 8);
  EXPECT_EQ(scene.state.cells[kU].flags, 0);
  EXPECT_EQ(scene.state.cells[kV].flags, 0);
  // Everything the redraw took from the vertex pool and the allocator went back.
  EXPECT_EQ(scene.renderer.vertices.inUse(), 0u);
}

}  // namespace
}  // namespace vx
