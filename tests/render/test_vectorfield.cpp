#include <gtest/gtest.h>

#include <cmath>

#include "picture_probe.h"
#include "render/arrow.h"
#include "render/colors.h"
#include "render_scene.h"

namespace vx {
namespace {

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

TEST(ArrowGeometry, AlignmentPutsTheGridPointAtStartMiddleOrEnd) {
  const double p[3] = {1, 2, 3};
  const double v[3] = {2, -4, 6};
  struct Case {
    VectorAlign align;
    double share;  // where along the arrow the grid point lies
  } cases[] = {{VectorAlign::Tail, 0}, {VectorAlign::Center, 0.5}, {VectorAlign::Tip, 1}};
  for (const Case& c : cases) {
    ArrowSegment arrow = placeArrow(p, v, c.align);
    for (int i = 0; i < 3; ++i) {
      EXPECT_DOUBLE_EQ(arrow.head[i] - arrow.tail[i], v[i]);
      EXPECT_DOUBLE_EQ(arrow.tail[i] + c.share * v[i], p[i]);
    }
    EXPECT_FALSE(arrow.headCut);
  }
  EXPECT_EQ(vectorAlignFromOption(-1), VectorAlign::Tail);
  EXPECT_EQ(vectorAlignFromOption(0), VectorAlign::Center);
  EXPECT_EQ(vectorAlignFromOption(1), VectorAlign::Tip);
  EXPECT_EQ(vectorAlignFromOption(0.3), VectorAlign::Center);
  EXPECT_EQ(vectorAlignFromOption(7), VectorAlign::Tip);
  EXPECT_EQ(vectorAlignFromOption(std::nan("")), VectorAlign::Tail);
}

TEST(ArrowGeometry, ClippingShortensEndsAndOnlyAShortenedHeadLosesTheArrowhead) {
  const double low[3] = {-3.3, -3.3, -3.3}, high[3] = {3.3, 3.3, 3.3};
  const int order[3] = {2, 0, 1};

  ArrowSegment out = placeArrow((const double[3]){3, 0, 0}, (const double[3]){2, 1, 0}, VectorAlign::Tail);
  ASSERT_TRUE(clipArrow(out, low, high, order));
  EXPECT_TRUE(out.headCut);
  EXPECT_DOUBLE_EQ(out.head[0], 3.3);
  EXPECT_NEAR(out.head[1], 0.15, 1e-12);
  EXPECT_DOUBLE_EQ(out.tail[0], 3);

  ArrowSegment in = placeArrow((const double[3]){3, 0, 0}, (const double[3]){-2, 0, 1}, VectorAlign::Tip);
  ASSERT_TRUE(clipArrow(in, low, high, order));  // the tail starts at x = 5
  EXPECT_FALSE(in.headCut);
  EXPECT_DOUBLE_EQ(in.tail[0], 3.3);
  EXPECT_NEAR(in.tail[2], -0.15, 1e-12);
  EXPECT_DOUBLE_EQ(in.head[0], 3);

  ArrowSegment gone = placeArrow((const double[3]){3.4, 0, 0}, (const double[3]){1, 0, 0}, VectorAlign::Tail);
  EXPECT_FALSE(clipArrow(gone, low, high, order));

  // Through the box from one side to the other: both ends move.
  ArrowSegment across = placeArrow((const double[3]){0, 0, 0}, (const double[3]){0, 0, 10}, VectorAlign::Center);
  ASSERT_TRUE(clipArrow(across, low, high, order));
  EXPECT_DOUBLE_EQ(across.tail[2], -3.3);
  EXPECT_DOUBLE_EQ(across.head[2], 3.3);
  EXPECT_TRUE(across.headCut);
}

TEST(ArrowGeometry, BarbsLieBackAlongTheArrowInThePlaneOfTheYAxis) {
  const float head[3] = {0.1f, 0.2f, 0.3f};
  const float length = 0.01f;
  const float directions[][3] = {{1, 0, 0}, {0, 0, 2}, {1, 1, 1}, {0, 3, 0}, {0, -1, 0}, {0.3f, -0.2f, 0.9f}};
  for (const auto& dir : directions) {
    float a[3], b[3];
    ASSERT_TRUE(arrowBarbs(head, dir, length, a, b));
    double d[3] = {dir[0], dir[1], dir[2]};
    double n = std::sqrt(dot(d, d));
    for (double& c : d) c /= n;
    double base[3], side[3];
    for (int i = 0; i < 3; ++i) {
      base[i] = (a[i] + b[i]) * 0.5;
      side[i] = (a[i] - b[i]) * 0.5;
    }
    double back[3] = {head[0] - base[0], head[1] - base[1], head[2] - base[2]};
    EXPECT_NEAR(std::sqrt(dot(back, back)), length, 1e-7);
    EXPECT_NEAR(dot(back, d), length, 1e-7);             // straight back along the arrow
    EXPECT_NEAR(std::sqrt(dot(side, side)), length, 1e-7);
    EXPECT_NEAR(dot(side, d), 0, 1e-7);                   // perpendicular to it
    bool alongY = std::fabs(std::fabs(d[1]) - 1) < 1e-9;
    if (alongY) {
      EXPECT_NEAR(std::fabs(side[0]), length, 1e-7);
    } else {
      // In the plane of the arrow and y: no part along d × y.
      double normal[3] = {-d[2], 0, d[0]};
      EXPECT_NEAR(dot(side, normal), 0, 1e-7);
    }
  }
  float a[3], b[3];
  const float zero[3] = {0, 0, 0};
  EXPECT_FALSE(arrowBarbs(head, zero, length, a, b));
}

TEST(ArrowGeometry, ColourIndicesByHeightAndSteepness) {
  EXPECT_EQ(arrowHeightColor(3.3, -3.3, 3.3), 74);
  EXPECT_EQ(arrowHeightColor(-3.3, -3.3, 3.3), 188);
  EXPECT_EQ(arrowHeightColor(0, -3.3, 3.3), 131);
  EXPECT_EQ(arrowHeightColor(9, -3.3, 3.3), 74);     // limited to the wheel's range
  EXPECT_EQ(arrowHeightColor(-9, -3.3, 3.3), 188);
  EXPECT_EQ(arrowHeightColor(std::nan(""), -3.3, 3.3), 131);

  const double up[3] = {0, 0, 2}, level[3] = {1, 1, 0}, down[3] = {0, 0, -1}, zero[3] = {0, 0, 0};
  const double halfUp[3] = {1, 0, 1};
  EXPECT_EQ(arrowSteepnessColor(up), 74);
  EXPECT_EQ(arrowSteepnessColor(level), 131);
  EXPECT_EQ(arrowSteepnessColor(down), 188);
  EXPECT_EQ(arrowSteepnessColor(halfUp), 74 + 17);  // (1 - 0.7071) × 57 = 16.7
  EXPECT_EQ(arrowSteepnessColor(zero), 131);
}

using rendertest::Picture;
using rendertest::Scene;
using rendertest::render;
using rendertest::screenOf;

// Arrows alone on white: no box, resolution 3 (grid points at -3, 0 and 3).
const char kArrows[] =
    "graph3d.box := false\n"
    "graph3d.resolution := 3\n";

// Distance in pixels from (x, y) to the segment a..b.
double distanceToSegment(int x, int y, const ProjectedPoint& a, const ProjectedPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / length2 : 0;
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

TEST(VectorField, NearKeepsOnlyTheArrowAtTheCentre) {
  Scene scene(std::string(kArrows) + "graph3d( vector(2*near(0,0,0), 0, 0) )");
  ASSERT_TRUE(scene.ok());
  Picture p = render(scene);
  const ProjectedPoint tail = screenOf(scene, p, 0, 0, 0), head = screenOf(scene, p, 2, 0, 0);
  EXPECT_TRUE(p.drawnNear(tail.x, tail.y));
  EXPECT_TRUE(p.drawnNear(head.x, head.y));
  int stray = 0;
  for (int y = 0; y < p.fb().height; ++y)
    for (int x = 0; x < p.fb().width; ++x) stray += p.drawn(x, y) && distanceToSegment(x, y, tail, head) > 1.5;
  EXPECT_EQ(stray, 0);
  EXPECT_GT(p.count(), 10);
}

TEST(VectorField, AlignmentPutsTheGridPointAtTheTailMiddleOrTip) {
  struct Case {
    const char* align;
    bool drawn[4];  // at -0.75, -0.25, 0.25 and 0.75 of the vector from the grid point
  } cases[] = {
      {"tail", {false, false, true, true}},
      {"center", {false, true, true, false}},
      {"tip", {true, true, false, false}},
  };
  const double shares[4] = {-0.75, -0.25, 0.25, 0.75};
  for (const Case& c : cases) {
    Scene scene(std::string(kArrows) + "graph3d.vectoralign := " + c.align +
                "\ngraph3d( vector(2*near(0,0,0), 0, 0) )");
    ASSERT_TRUE(scene.ok());
    Picture p = render(scene);
    for (int k = 0; k < 4; ++k) {
      const ProjectedPoint at = screenOf(scene, p, 2 * shares[k], 0, 0);
      EXPECT_EQ(p.drawnNear(at.x, at.y), c.drawn[k]) << c.align << " at " << shares[k];
    }
  }
}

// The arrow at (3, 0, 0) may reach one grid step (3) beyond the box: a head
// at x = 5 keeps its arrowhead, a head at x = 8 is cut at x = 6 and loses it.
TEST(VectorField, AnArrowLeavingTheGrownBoxIsCutAndLosesItsHead) {
  struct Seen {
    int count;
    bool reachesHalfwayOut;  // drawn at x = 5.5
    bool reachesFarOut;      // drawn at x = 7
  };
  auto look = [](double length, bool arrowhead) {
    Scene scene(std::string(kArrows) + "graph3d.vectorarrowhead := " + (arrowhead ? "true" : "false") +
                "\ngraph3d( vector(" + std::to_string(length) + "*near(3,0,0), 0, 0) )");
    Picture p = render(scene);
    const ProjectedPoint halfway = screenOf(scene, p, 5.5, 0, 0), far = screenOf(scene, p, 7, 0, 0);
    return Seen{p.count(), p.drawnNear(halfway.x, halfway.y), p.drawnNear(far.x, far.y)};
  };
  const Seen inside = look(2, true), bare = look(2, false);
  EXPECT_GT(inside.count, bare.count + 4);  // the barbs
  EXPECT_FALSE(inside.reachesHalfwayOut);

  const Seen outside = look(5, true), outsideBare = look(5, false);
  EXPECT_EQ(outside.count, outsideBare.count);
  EXPECT_TRUE(outside.reachesHalfwayOut);
  EXPECT_FALSE(outside.reachesFarOut);
}

TEST(VectorField, UndefinedComponentsRemoveTheArrow) {
  // Radial unit vectors: every grid point but the origin (0/0) has one.
  Scene scene(std::string(kArrows) + "graph3d.vectoralign := tip\ngraph3d( vector(x/rho, y/rho, z/rho) )");
  ASSERT_TRUE(scene.ok());
  Picture p = render(scene);
  const ProjectedPoint origin = screenOf(scene, p, 0, 0, 0);
  EXPECT_FALSE(p.drawnNear(origin.x, origin.y, 2));
  const ProjectedPoint corner = screenOf(scene, p, 3, 3, 3);
  EXPECT_TRUE(p.drawnNear(corner.x, corner.y));
}

TEST(VectorField, ColourModes) {
  struct Case {
    const char* option;
    const char* vector;
    int index;
  } cases[] = {
      {"black", "(2,0,0)", kIndexBlack},
      {"red", "(2,0,0)", 74},
      {"bysteepness", "(0,0,2)", 74},     // straight up
      {"bysteepness", "(2,0,0)", 131},    // level
      {"bysteepness", "(0,0,-2)", 188},   // straight down
      {"byheight", "(0,0,2)", 74 + 38},   // head at z = 2 of -6..6: (6 - 2) / 12 x 114
  };
  ColorState colors;
  colors.table = &standardColorTable();
  for (const Case& c : cases) {
    const std::string components = std::string(c.vector).substr(1, std::string(c.vector).size() - 2);
    Scene scene(std::string(kArrows) + "graph3d.vectorcolor := " + c.option + "\ngraph3d( vector(" +
                "near(0,0,0)*0 + " + components + ") )");
    ASSERT_TRUE(scene.ok()) << c.option;
    Picture p = render(scene);
    const ProjectedPoint tail = screenOf(scene, p, 0, 0, 0);
    EXPECT_EQ(p.at(tail.x, tail.y), pixelForIndex(colors, c.index)) << c.option << " " << c.vector;
  }
}

// Arrows share the walk with surfaces: the plane z = 0 hides an arrow below it
// and an arrow above it covers the plane.
TEST(VectorField, ArrowsAndSurfacesHideEachOtherInWalkOrder) {
  Scene scene(std::string(kArrows) +
              "graph3d.resolution := 7\ngraph3d.color := white\ngraph3d.mesh := false\n"
              "graph3d( ( z = 0, vector(0, 0, 2*near(1,1,-3)), vector(0, 0, 2*near(-1,-1,1)) ) )");
  ASSERT_TRUE(scene.ok());
  Picture p = render(scene, 400, 300);
  const ProjectedPoint below = screenOf(scene, p, 1, 1, -2), above = screenOf(scene, p, -1, -1, 2);
  EXPECT_EQ(p.at(below.x, below.y), 0xFFFFFFu);  // the white plane in front
  EXPECT_EQ(p.at(above.x, above.y), 0u);         // the black arrow
}

}  // namespace
}  // namespace vx
