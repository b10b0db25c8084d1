// The grid walk and the surfaces it makes, seen through the stream of polygons
// and through finished pictures.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "picture_probe.h"
#include "render/surface.h"
#include "render_scene.h"

namespace vx {
namespace {

using rendertest::capturePolygons;
using rendertest::CapturedPolygon;
using rendertest::Scene;
using Point = std::array<float, 3>;

// The eight octants of viewing directions.
constexpr float kOctants[8][2] = {{0.5f, -0.62f}, {2.1f, -0.62f}, {3.7f, -0.62f}, {5.3f, -0.62f},
                                  {0.5f, 0.62f},  {2.1f, 0.62f},  {3.7f, 0.62f},  {5.3f, 0.62f}};

TEST(Surface, CrossingPointsAndPoles) {
  long double x = 0;
  ASSERT_TRUE(crossingPoint(0, 0.5L, 1, -1, 0, 1, 2, x));
  EXPECT_EQ(x, 0.5L);
  ASSERT_TRUE(crossingPoint(0, 0.5L, 1, -1, -0.5L, 1, 2, x));  // ordered: the half [m, b]
  EXPECT_NEAR(double(x), 2 / 3.0, 1e-15);
  ASSERT_TRUE(crossingPoint(0, 0.5L, 1, 1, 0.5L, -1, 2, x));
  EXPECT_NEAR(double(x), 2 / 3.0, 1e-15);
  // A mid-point barely above both ends still crosses, between m and the lower end.
  ASSERT_TRUE(crossingPoint(0, 0.5L, 1, -1, 1, 0.5L, 4, x));
  EXPECT_EQ(x, 0.25L);
  // Through a pole the mid-point value runs away: refused.
  EXPECT_FALSE(crossingPoint(-0.3L, -0.15L, 0, 3.33L, 6.67L, -INFINITY, 0.6L, x));
  EXPECT_FALSE(crossingPoint(-0.15L, 0, 0.15L, 6.67L, -INFINITY, -6.67L, 0.6L, x));
  EXPECT_FALSE(crossingPoint(-0.15L, 0, 0.15L, 6.67L, -13, -6.67L, 0.6L, x));
  EXPECT_FALSE(crossingPoint(0, 0.5L, 1, -1, NAN, 1, 2, x));
  EXPECT_FALSE(crossingPoint(0, 0.5L, 1, 0, 0, 0, 2, x) && x != 0.5L);
  // Values that disagree with the bits never put the point off the edge.
  ASSERT_TRUE(crossingPoint(0, 0.5L, 1, 1, 2, 3, 2, x));
  EXPECT_TRUE(x >= 0 && x <= 1);
}

// Every polygon edge strictly inside the box is shared by exactly two polygons,
// and, with each polygon turned so that its first side faces the same region,
// the two run through it in opposite directions.
TEST(GridWalk, ASphereIsClosedAndConsistentlyTurned) {
  for (const auto& angles : kOctants) {
    Scene scene("graph3d( x^2+y^2+z^2 < 4 )");
    ASSERT_TRUE(scene.ok());
    scene.setAngles(angles[0], angles[1]);
    const std::vector<CapturedPolygon> polygons = capturePolygons(scene);
    ASSERT_GT(polygons.size(), 500u);
    std::map<std::pair<Point, Point>, int> directed;
    const PixelColor trueColor = kIndexStrictTrue;
    for (const CapturedPolygon& p : polygons) {
      ASSERT_TRUE(p.first != p.second);
      std::vector<Point> v = p.frame;
      if (p.first != trueColor) std::reverse(v.begin(), v.end());
      for (std::size_t i = 0; i < v.size(); ++i) ++directed[{v[i], v[(i + 1) % v.size()]}];
    }
    for (const auto& [edge, count] : directed) {
      ASSERT_EQ(count, 1);
      ASSERT_EQ(directed.count({edge.second, edge.first}), 1u) << "a crack in the sphere";
    }
    EXPECT_EQ(scene.renderer.vertices.inUse(), 0u);
  }
}

// Whatever the walk order, the viewer sees the outside of the sphere in the
// colour of the outside (false, red) and the inside in the colour of the inside.
TEST(GridWalk, SideColoursDoNotDependOnTheWalkOrder) {
  for (const auto& angles : kOctants) {
    Scene scene("graph3d( x^2+y^2+z^2 < 4 )");
    scene.setAngles(angles[0], angles[1]);
    const std::vector<CapturedPolygon> polygons = capturePolygons(scene);
    int checked = 0;
    for (const CapturedPolygon& p : polygons) {
      std::int64_t area = 0;
      for (std::size_t i = 0; i < p.view.size(); ++i) {
        const ProjectedPoint &a = p.view[i], &b = p.view[(i + 1) % p.view.size()];
        area += std::int64_t(a.x) * b.y - std::int64_t(b.x) * a.y;
      }
      // Seen almost edge-on, whole-pixel positions may turn the winding round.
      if (std::llabs(area) < 16) continue;
      const PixelColor seen = area < 0 ? p.first : p.second;
      // Which side of the polygon's plane the eye is on, and which side is outside.
      double c[3] = {0, 0, 0}, n[3] = {0, 0, 0};
      for (std::size_t i = 0; i < p.frame.size(); ++i) {
        const Point &u = p.frame[i], &v = p.frame[(i + 1) % p.frame.size()];
        n[0] += (double(u[1]) - v[1]) * (double(u[2]) + v[2]);
        n[1] += (double(u[2]) - v[2]) * (double(u[0]) + v[0]);
        n[2] += (double(u[0]) - v[0]) * (double(u[1]) + v[1]);
        for (int k = 0; k < 3; ++k) c[k] += u[k] / p.frame.size();
      }
      const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      double eyeSide = 0, outwards = 0;
      for (int k = 0; k < 3; ++k) {
        eyeSide += (scene.view.eye[k] - c[k]) * n[k] / length;
        outwards += c[k] * n[k];
      }
      if (std::fabs(eyeSide) < 1e-4) continue;
      const double towardsEye = eyeSide * outwards;
      const bool outside = towardsEye > 0;
      EXPECT_EQ(seen, outside ? PixelColor(kIndexStrictFalse) : PixelColor(kIndexStrictTrue))
          << "view " << angles[0] << "," << angles[1];
      ++checked;
    }
    EXPECT_GT(checked, 400);
  }
}

TEST(GridWalk, InequalityPlanesShowBlueForTrue) {
  struct Case {
    const char* graph;
    float horizontal;
    int expected;
  };
  // The standard view looks from the side of positive x, the view at a = 3.6 from negative x.
  const Case cases[] = {{"x > 1", 0.5f, kIndexStrictTrue},        {"x > 1", 3.6f, kIndexStrictFalse},
                        {"x >= 1", 0.5f, kIndexNonStrictTrue},    {"x >= 1", 3.6f, kIndexNonStrictFalse},
                        {"1 < x", 0.5f, kIndexStrictTrue},        {"x < 1", 0.5f, kIndexStrictFalse},
                        {"x <= 1", 3.6f, kIndexNonStrictTrue}};
  for (const Case& c : cases) {
    Scene scene(std::string("graph3d.mesh := false\ngraph3d.box := false\ngraph3d( ") + c.graph + " )");
    ASSERT_TRUE(scene.ok());
    scene.setAngles(c.horizontal, -0.62f);
    OwnedFrameBuffer fb(PixelFormat::Indexed8, 160, 120);
    scene.render(fb.get());
    std::map<PixelColor, int> histogram;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) ++histogram[readPixel(fb.get(), x, y)];
    }
    EXPECT_GT(histogram[c.expected], 1000) << c.graph << " from " << c.horizontal;
    EXPECT_EQ(histogram.size(), 2u) << c.graph;  // background and one side
  }
}

TEST(GridWalk, NoSurfaceThroughAPole) {
  // 1/x changes sign only through its pole at x = 0, on a grid point or between two.
  for (const char* text : {"graph3d( 1/x = 0 )", "graph3d.resolution := 20\ngraph3d( 1/x = 0 )"}) {
    Scene scene(text);
    ASSERT_TRUE(scene.ok());
    EXPECT_TRUE(capturePolygons(scene).empty()) << text;
  }
  // tan(x) = 0 is the plane x = 0; its poles at +-pi/2 stay empty.
  Scene tangent("graph3d( tan(x) = 0 )");
  const std::vector<CapturedPolygon> polygons = capturePolygons(tangent);
  EXPECT_GT(polygons.size(), 300u);
  const double scale = 0.09 / 3;  // box frame per unit of x
  for (const CapturedPolygon& p : polygons) {
    for (const Point& v : p.frame) EXPECT_LT(std::fabs(v[0] / scale), 0.3);
  }
}

TEST(GridWalk, WalksFromFarToNear) {
  // Two horizontal planes seen from above and from below: the far one comes first.
  for (float elevation : {-1.2f, 1.2f}) {
    Scene scene("graph3d( (z = 2, z = -2) )");
    scene.setAngles(0.3f, elevation);
    const std::vector<CapturedPolygon> polygons = capturePolygons(scene);
    ASSERT_FALSE(polygons.empty());
    const float farZ = elevation < 0 ? -0.06f : 0.06f;  // box-frame z of the far plane
    bool nearSeen = false;
    for (const CapturedPolygon& p : polygons) {
      const bool isFar = std::fabs(p.frame[0][2] - farZ) < 1e-4f;
      if (!isFar) nearSeen = true;
      EXPECT_FALSE(isFar && nearSeen) << "a far polygon after a near one";
    }
  }
}

TEST(GridWalk, ColourByHeightExpressionAndSteepness) {
  // By height: the cells around z = 0.1 have their centre at 0.15.
  Scene height("graph3d( z = 0.1 )");
  for (const CapturedPolygon& p : capturePolygons(height)) ASSERT_EQ(p.first, 128u);
  // A slice along z (one cell thick, as the scroll bar makes it) keeps the colours.
  height.job.axes[2].count = 2;
  height.job.axes[2].samplingMinimum = 0;
  height.job.axes[2].samplingMaximum = 0.3;
  const std::vector<CapturedPolygon> sliced = capturePolygons(height);
  ASSERT_FALSE(sliced.empty());
  for (const CapturedPolygon& p : sliced) ASSERT_EQ(p.first, 128u);
  Scene expression("graph3d.color := 0.25\ngraph3d( z = 0.1 )");
  for (const CapturedPolygon& p : capturePolygons(expression)) ASSERT_EQ(p.first, 74u + 129u);
  Scene byX("graph3d.color := x / 6\ngraph3d( z = 0.1 )");
  std::map<PixelColor, int> colours;
  for (const CapturedPolygon& p : capturePolygons(byX)) ++colours[p.first];
  EXPECT_GT(colours.size(), 10u);  // the colour follows x across the plane
  Scene solid("graph3d.color := cyan\ngraph3d( z = 0.1 )");
  for (const CapturedPolygon& p : capturePolygons(solid)) ASSERT_EQ(p.first, 160u);

  // By steepness the picture shows horizontal planes blue and vertical ones red.
  for (const auto& [graph, index] : {std::pair{"z = 0.1", 188}, std::pair{"x = 0.1", 74}}) {
    Scene steep(std::string("graph3d.color := bysteepness\ngraph3d.mesh := false\ngraph3d.box := false\ngraph3d( ") +
                graph + " )");
    OwnedFrameBuffer fb(PixelFormat::Indexed8, 160, 120);
    steep.render(fb.get());
    std::map<PixelColor, int> histogram;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) ++histogram[readPixel(fb.get(), x, y)];
    }
    EXPECT_EQ(histogram.size(), 2u) << graph;
    EXPECT_GT(histogram[index], 1000) << graph;
  }
}

TEST(GridWalk, EightAndThirtyTwoBitPicturesAgreeWithoutLighting) {
  for (const char* text : {"graph3d( x^2+y^2+z^2 = 4 )", "graph3d.background := gray\ngraph3d( (x > y, z^2 >= x) )",
                           "graph3d.color := bysteepness\ngraph3d( sin(x)*cos(y) = z/2 )"}) {
    Scene scene(text);
    ASSERT_TRUE(scene.ok());
    OwnedFrameBuffer indexed(PixelFormat::Indexed8, 200, 150), truecolor(PixelFormat::Rgb32, 200, 150);
    scene.render(indexed.get());
    scene.render(truecolor.get());
    int differ = 0;
    for (int y = 0; y < 150; ++y) {
      for (int x = 0; x < 200; ++x) {
        differ += packedColor(standardColorTable(), int(readPixel(indexed.get(), x, y))) != readPixel(truecolor.get(), x, y);
      }
    }
    EXPECT_EQ(differ, 0) << text;
  }
}

TEST(GridWalk, ShadingAndTransparencyChangeOnlyThe32BitPicture) {
  Scene plain("graph3d( x^2+y^2+z^2 = 4 )");
  Scene lit("graph3d.shading := 1\ngraph3d.highlight := 1\ngraph3d.transparency := 0.5\ngraph3d( x^2+y^2+z^2 = 4 )");
  OwnedFrameBuffer a8(PixelFormat::Indexed8, 240, 180), b8(PixelFormat::Indexed8, 240, 180);
  OwnedFrameBuffer a32(PixelFormat::Rgb32, 240, 180), b32(PixelFormat::Rgb32, 240, 180);
  plain.render(a8.get());
  lit.render(b8.get());
  plain.render(a32.get());
  lit.render(b32.get());
  int differ8 = 0, differ32 = 0;
  for (int y = 0; y < 180; ++y) {
    for (int x = 0; x < 240; ++x) {
      differ8 += readPixel(a8.get(), x, y) != readPixel(b8.get(), x, y);
      differ32 += readPixel(a32.get(), x, y) != readPixel(b32.get(), x, y);
    }
  }
  EXPECT_EQ(differ8, 0);
  EXPECT_GT(differ32, 3000);
}

// Reading the inner coordinate's subexpressions from tables, and keeping row
// code from row to row, changes no pixel, for every inner axis the walk can
// choose, for surfaces, inequalities, colour expressions and vector fields.
TEST(GridWalk, TabulatedSubexpressionsDrawTheSamePictures) {
  const char* texts[] = {
      "graph3d( sin(x)*cos(y)+sin(y)*cos(z)+sin(z)*cos(x) = 0 )",
      "graph3d.shading := 0.6\ngraph3d( (x^2+y^2+z^2+1)+sin(3*z)/2 = 5 + cos(a*x) )",
      "graph3d.color := sin(2*x)+cos(z)\ngraph3d( (z < sin(x)*cos(y) + x/3, (1-cos(2*y))+x*z = 1) )",
      "graph3d( x > 0.5+sin(2*y) & z <= cos(y)*2 )",
      // A relation of the row's coordinates alone flips between rows: the kept
      // row code must be compiled again, not patched.
      "graph3d( x^2 + y*z < 2 & y > z + 0.3 )",
      // Derived variables, and relations between the row's coordinates inside
      // arithmetic: their outcomes change the row's numbers, not its shape.
      "graph3d( rho - (x > 0.4 & y < 0.2) = 2 + sin(3*theta)/4 + (y < x)*z )",
      "graph3d.resolution := 9\ngraph3d( vector(sin(y), cos(x)*z, sin(z)+1) )",
  };
  for (const char* text : texts) {
    Scene scene(text);
    ASSERT_TRUE(scene.ok()) << text;
    for (const auto& angles : kOctants) {
      scene.setAngles(angles[0], angles[1]);
      std::uint64_t hash[2];
      for (bool tabulate : {true, false}) {
        OwnedFrameBuffer fb(PixelFormat::Rgb32, 160, 120);
        RenderOptions options;
        options.walk.tabulate = tabulate;
        scene.render(fb.get(), options);
        hash[tabulate] = rendertest::pictureHash(fb.get());
      }
      EXPECT_EQ(hash[0], hash[1]) << text << " at " << angles[0] << ", " << angles[1];
    }
  }
}

TEST(GridWalk, AnyGraphTextDrawsSafelyAndGivesBackItsVertices) {
  const char* texts[] = {
      "graph3d( 1/x + 1/y = 1/z )",
      "graph3d( sqrt(x) = y )",
      "graph3d.minimumx := 0/0\ngraph3d( x = y )",
      "graph3d.minimumx := 1\ngraph3d.maximumx := 1\ngraph3d( x = y )",
      "graph3d.minimumx := 1e308\ngraph3d.maximumx := -1e308\ngraph3d( x = y )",
      "graph3d.minimumz := 3\ngraph3d.maximumz := -3\ngraph3d( x^2+y^2+z^2 < 4 )",
      "graph3d.resolution := 2\ngraph3d( x^2+y^2+z^2 = 4 )",
      "graph3d( (x*y*z = 0.5, x > 0 & y >= z, sin(x*y) = z) )",
      "graph3d( gamma(x*y) = z )",
      "graph3d( (vector(x, y, z), x = y) )",
      "graph3d( rectangular(u, v, u*v) )",
      "graph3d( near(0, 0, 0) * x = 0.5 )",
      "graph3d.color := 1/0\ngraph3d( z = x )",
      "graph3d.background := 2\ngraph3d( z = x )",
  };
  for (const char* text : texts) {
    Scene scene(text);
    ASSERT_TRUE(scene.ok()) << text;
    for (float zoom : {1.0f, 10.0f, 0.001f}) {
      for (PixelFormat format : {PixelFormat::Rgb32, PixelFormat::Indexed8}) {
        OwnedFrameBuffer fb(format, 64, 48);
        renderPicture(scene.renderer, scene.state, scene.job, scene.view, zoom, fb.get());
        EXPECT_EQ(scene.renderer.vertices.inUse(), 0u) << text;
      }
    }
    for (CellId cell : {kX, kY, kZ}) EXPECT_EQ(scene.state.cells[cell].flags, 0) << text;
  }
}

}  // namespace
}  // namespace vx
