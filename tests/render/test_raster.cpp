// The rasteriser: which pixels a triangle covers, which side's colour it shows,
// clipping at the picture and at the viewer's plane, lines and blending.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/raster.h"

namespace vx {
namespace {

struct Canvas {
  OwnedFrameBuffer buffer;
  ColorState colors;
  ViewTransform view;
  RasterTarget target;

  Canvas(PixelFormat format, int width, int height) : buffer(format, width, height) {
    colors.table = &standardColorTable();
    colors.truecolor = format == PixelFormat::Rgb32;
    buildShadeTables(colors.lighting, colors.shades);
    ViewRecord record;
    buildViewTransform(record, buffer.get().picture, true, view);
    prepareRasterTarget(buffer.get(), colors, view, target);
  }
  FrameBuffer& fb() { return buffer.get(); }
  PixelColor at(int x, int y) { return readPixel(fb(), x, y); }
  int count(PixelColor c) {
    int n = 0;
    for (int y = 0; y < fb().height; ++y) {
      for (int x = 0; x < fb().width; ++x) n += at(x, y) == c;
    }
    return n;
  }
};

ProjectedPoint screenPoint(const FrameBuffer& fb, int x, int y) {
  ProjectedPoint p{};
  p.depth = 1;
  p.x = x;
  p.y = y;
  p.code = screenEdgeCode(fb.picture, x, y);
  return p;
}

TEST(Raster, OpaqueTrianglesCoverThePixelCentresInsideAndOnTheirEdges) {
  Canvas c(PixelFormat::Indexed8, 40, 40);
  const FrameBuffer& fb = c.fb();
  fillTriangle(c.target, screenPoint(fb, 0, 0), screenPoint(fb, 10, 0), screenPoint(fb, 0, 10), 5, 5);
  EXPECT_EQ(c.count(5), 66);  // x + y <= 10
  EXPECT_EQ(c.at(10, 0), 5u);
  EXPECT_EQ(c.at(5, 5), 5u);
  EXPECT_EQ(c.at(6, 5), 0u);
  // A flat bottom and a single row.
  fillTriangle(c.target, screenPoint(fb, 20, 20), screenPoint(fb, 30, 25), screenPoint(fb, 10, 25), 6, 6);
  EXPECT_EQ(c.at(10, 25), 6u);
  EXPECT_EQ(c.at(30, 25), 6u);
  EXPECT_EQ(c.at(20, 20), 6u);
  fillTriangle(c.target, screenPoint(fb, 1, 35), screenPoint(fb, 7, 35), screenPoint(fb, 4, 35), 7, 7);
  EXPECT_EQ(c.count(7), 7);
}

TEST(Raster, TrianglesSharingEdgesBlendEachPixelOnce) {
  // A fan around a centre, drawn half transparent over black: every covered pixel
  // is blended exactly once (pixel centres on the left or top edge belong to the
  // triangle, those on the right or bottom edge to its neighbour).
  Canvas c(PixelFormat::Rgb32, 80, 80);
  c.colors.lighting.transparency = 0.5f;
  c.colors.blended = true;
  buildShadeTables(c.colors.lighting, c.colors.shades);
  prepareRasterTarget(c.fb(), c.colors, c.view, c.target);
  std::mt19937 random(5);
  std::uniform_int_distribution<int> coordinate(0, 79);
  std::vector<ProjectedPoint> ring;
  for (int i = 0; i < 12; ++i) {
    const double a = i * 0.5235987755982988;
    ring.push_back(screenPoint(c.fb(), 40 + int(std::lrint(35 * std::cos(a))), 40 + int(std::lrint(35 * std::sin(a)))));
  }
  const ProjectedPoint centre = screenPoint(c.fb(), coordinate(random) / 4 + 30, coordinate(random) / 4 + 30);
  for (int i = 0; i < 12; ++i) fillTriangle(c.target, centre, ring[i], ring[(i + 1) % 12], 0xFEFEFE, 0xFEFEFE);
  EXPECT_EQ(c.count(0x7F7F7F) + c.count(0), 80 * 80);
  EXPECT_GT(c.count(0x7F7F7F), 3000);
}

TEST(Raster, FansOfRandomConvexPolygonsLeaveNoGaps) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> angle(0, 6.283185307179586);
  for (int trial = 0; trial < 40; ++trial) {
    Canvas c(PixelFormat::Indexed8, 64, 64);
    std::vector<double> angles(3 + trial % 5);
    for (double& a : angles) a = angle(random);
    std::sort(angles.begin(), angles.end());
    std::vector<ProjectedPoint> p;
    for (double a : angles) p.push_back(screenPoint(c.fb(), int(std::lrint(32 + 30 * std::cos(a))), int(std::lrint(32 + 30 * std::sin(a)))));
    // Rounding to whole pixels can dent the polygon; only convex ones are fanned.
    bool convex = true;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const ProjectedPoint &a = p[i], &b = p[(i + 1) % p.size()], &d = p[(i + 2) % p.size()];
      convex = convex && (std::int64_t(b.x - a.x) * (d.y - b.y) - std::int64_t(b.y - a.y) * (d.x - b.x)) >= 0;
    }
    if (!convex) continue;
    for (std::size_t i = 1; i + 1 < p.size(); ++i) fillTriangle(c.target, p[0], p[i], p[i + 1], 1, 1);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        // Signed distances of the pixel centre from every edge of the polygon.
        double nearest = 1e9;
        bool inside = true;
        double area = 0;
        for (std::size_t i = 0; i < p.size(); ++i) {
          const ProjectedPoint &a = p[i], &b = p[(i + 1) % p.size()];
          area += double(a.x) * b.y - double(b.x) * a.y;
        }
        for (std::size_t i = 0; i < p.size(); ++i) {
          const ProjectedPoint &a = p[i], &b = p[(i + 1) % p.size()];
          const double len = std::hypot(b.x - a.x, b.y - a.y);
          if (len == 0) continue;
          const double d = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / len * (area > 0 ? 1 : -1);
          nearest = std::min(nearest, std::fabs(d));
          inside = inside && d >= 0;
        }
        if (nearest < 1e-6 || std::fabs(area) < 1) continue;  // exactly on an edge, or degenerate
        const int covered = c.fb().rows[y][x];
        EXPECT_EQ(covered > 0, inside) << "trial " << trial << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(Raster, TheFirstSideFacesWhereTheRightHandNormalPoints) {
  // Front view: across is x, depth is y, up is z; the viewer looks along +y.
  Canvas c(PixelFormat::Indexed8, 200, 150);
  ViewRecord front;
  applyViewPreset(front, 2);  // front
  buildViewTransform(front, c.fb().picture, true, c.view);
  auto project = [&](float x, float y, float z) {
    const float p[3] = {x, y, z};
    ProjectedPoint q;
    projectPoint(c.view, p, q);
    return q;
  };
  // (1,0,0) x (0,0,1) = (0,-1,0): towards the viewer.
  const ProjectedPoint a = project(0, 0, 0), b = project(0.01f, 0, 0), d = project(0, 0, 0.01f);
  fillTriangle(c.target, a, b, d, 1, 2);
  EXPECT_GT(c.count(1), 0);
  EXPECT_EQ(c.count(2), 0);
  fillTriangle(c.target, a, d, b, 1, 2);
  EXPECT_EQ(c.count(1), 0);
  EXPECT_GT(c.count(2), 0);
}

TEST(Raster, ClippingAtThePictureKeepsThePixelsInside) {
  // The same triangles in a small picture and shifted into the middle of a large one.
  const int shift = 100;
  std::mt19937 random(3);
  std::uniform_int_distribution<int> coordinate(-150, 200);
  for (int trial = 0; trial < 50; ++trial) {
    Canvas small(PixelFormat::Rgb32, 50, 40), large(PixelFormat::Rgb32, 250, 240);
    int v[6];
    for (int& k : v) k = coordinate(random);
    fillTriangle(small.target, screenPoint(small.fb(), v[0], v[1]), screenPoint(small.fb(), v[2], v[3]),
                 screenPoint(small.fb(), v[4], v[5]), 0x123456, 0x654321);
    fillTriangle(large.target, screenPoint(large.fb(), v[0] + shift, v[1] + shift),
                 screenPoint(large.fb(), v[2] + shift, v[3] + shift), screenPoint(large.fb(), v[4] + shift, v[5] + shift),
                 0x123456, 0x654321);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 50; ++x) ASSERT_EQ(small.at(x, y), large.at(x + shift, y + shift)) << trial;
    }
  }
}

TEST(Raster, TrianglesWhollyOffOneSideAreSkippedAndHugeOnesAreSafe) {
  Canvas c(PixelFormat::Rgb32, 30, 20);
  const FrameBuffer& fb = c.fb();
  fillTriangle(c.target, screenPoint(fb, -5, 0), screenPoint(fb, -1, 10), screenPoint(fb, -20, 19), 7, 7);
  EXPECT_EQ(c.count(7), 0);
  const int big = 1 << 28;
  fillTriangle(c.target, screenPoint(fb, -big, -big), screenPoint(fb, big, -big), screenPoint(fb, 0, big), 7, 7);
  EXPECT_EQ(c.count(7), 30 * 20);
}

TEST(Raster, TrianglesCrossingTheViewersPlaneKeepTheirFrontPart) {
  Canvas c(PixelFormat::Rgb32, 64, 48);
  auto viewPoint = [&](float across, float depth, float up) {
    ProjectedPoint p{};
    p.across = across;
    p.depth = depth;
    p.up = up;
    projectViewPoint(c.view, p);
    return p;
  };
  const ProjectedPoint behind = viewPoint(0, -1, 0);
  EXPECT_TRUE(behind.code & kBehindViewer);
  fillTriangle(c.target, viewPoint(-20, 0.1f, -20), viewPoint(20, 0.1f, -20), behind, 9, 9);
  EXPECT_GT(c.count(9), 0);
  fillTriangle(c.target, behind, viewPoint(5, -0.5f, 1), viewPoint(1, -2, 1), 3, 3);
  EXPECT_EQ(c.count(3), 0);
}

TEST(Raster, LinesStepInRunsAndClipWithoutChangingTheirPixels) {
  Canvas c(PixelFormat::Indexed8, 40, 30);
  drawScreenLine(c.fb(), 0, 0, 10, 5, 4);
  EXPECT_EQ(c.count(4), 11);
  for (int x = 0; x <= 10; ++x) EXPECT_EQ(c.at(x, (x + 1) / 2), 4u) << x;  // halves go down
  drawScreenLine(c.fb(), 3, 20, 3, 20, 6);
  EXPECT_EQ(c.count(6), 1);

  std::mt19937 random(11);
  std::uniform_int_distribution<int> coordinate(-300, 300);
  const int shift = 400;
  for (int trial = 0; trial < 200; ++trial) {
    Canvas small(PixelFormat::Indexed8, 40, 30), large(PixelFormat::Indexed8, 840, 830);
    int v[4];
    for (int& k : v) k = coordinate(random);
    drawScreenLine(small.fb(), v[0], v[1], v[2], v[3], 1);
    // Wholly inside the large picture, the line takes the drawer without clipping.
    drawLine(large.target, screenPoint(large.fb(), v[0] + shift, v[1] + shift),
             screenPoint(large.fb(), v[2] + shift, v[3] + shift), 1);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) ASSERT_EQ(small.at(x, y), large.at(x + shift, y + shift)) << trial;
    }
  }
}

TEST(Raster, TransparencyBlendsIn32BitOnly) {
  for (PixelFormat format : {PixelFormat::Rgb32, PixelFormat::Indexed8}) {
    Canvas c(format, 20, 20);
    c.colors.lighting.transparency = 0.5f;
    c.colors.blended = c.colors.truecolor;
    buildShadeTables(c.colors.lighting, c.colors.shades);
    prepareRasterTarget(c.fb(), c.colors, c.view, c.target);
    clearPicture(c.fb(), format == PixelFormat::Rgb32 ? 0xFFFFFF : 22);
    const FrameBuffer& fb = c.fb();
    const PixelColor color = format == PixelFormat::Rgb32 ? 0x0000FF : 70;
    fillTriangle(c.target, screenPoint(fb, 0, 0), screenPoint(fb, 19, 0), screenPoint(fb, 0, 19), color, color);
    if (format == PixelFormat::Rgb32) {
      EXPECT_EQ(c.at(2, 2), 0x8080FFu);  // 128 + 127 on blue: never above 255
      EXPECT_EQ(c.at(18, 18), 0xFFFFFFu);
    } else {
      EXPECT_EQ(c.at(2, 2), 70u);
    }
  }
}

}  // namespace
}  // namespace vx
