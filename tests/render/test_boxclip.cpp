#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/boxclip.h"

namespace vx {
namespace {

ClipVertex point(float x, float y, float z) {
  ClipVertex v{};
  v.frame[0] = x, v.frame[1] = y, v.frame[2] = z;
  v.view.depth = 1;  // marks an input vertex; made vertices are projected by the target
  return v;
}

struct Collector final : ClipTarget {
  void project(ClipVertex& v) override {
    ++projected;
    v.view.depth = 2;
  }
  void triangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) override {
    triangles.push_back({a, b, c});
  }
  struct Tri {
    ClipVertex v[3];
  };
  int projected = 0;
  std::vector<Tri> triangles;
};

ClipBox unitBox() {
  ClipBox box;
  for (int i = 0; i < 3; ++i) box.low[i] = -1, box.high[i] = 1;
  return box;
}

// Signed area of a triangle's projection on the xy plane.
double signedArea(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) {
  return 0.5 * ((b.frame[0] - a.frame[0]) * (c.frame[1] - a.frame[1]) - (c.frame[0] - a.frame[0]) * (b.frame[1] - a.frame[1]));
}

double totalArea(const Collector& out) {
  double sum = 0;
  for (const auto& t : out.triangles) sum += signedArea(t.v[0], t.v[1], t.v[2]);
  return sum;
}

bool insideBox(const ClipVertex& v, const ClipBox& box) {
  return v.frame[0] >= box.low[0] && v.frame[0] <= box.high[0] && v.frame[1] >= box.low[1] && v.frame[1] <= box.high[1] &&
         v.frame[2] >= box.low[2] && v.frame[2] <= box.high[2];
}

TEST(BoxClip, ClipCodesNameTheFacesOutside) {
  ClipBox box = unitBox();
  struct Case {
    float x, y, z;
    std::uint8_t code;
  } cases[] = {
      {0, 0, 0, 0},          {1, -1, 1, 0},  // on the faces is inside
      {-1.5f, 0, 0, 0x01},   {1.5f, 0, 0, 0x02}, {0, -2, 0, 0x04}, {0, 2, 0, 0x08},
      {0, 0, -2, 0x10},      {0, 0, 2, 0x20},    {2, 2, -2, 0x1A},
      {std::nanf(""), 0, 0, 0x40}, {5, std::nanf(""), 0, 0x40},
  };
  for (const Case& c : cases) EXPECT_EQ(clipCode(box, c.x, c.y, c.z), c.code) << c.x << " " << c.y << " " << c.z;
}

TEST(BoxClip, InsideTrianglesPassUnchangedAndOutsideOnesVanish) {
  ClipBox box = unitBox();
  Collector in;
  clipTriangleToBox(box, point(-1, -1, 0), point(1, -1, 0), point(1, 1, 1), in);
  ASSERT_EQ(in.triangles.size(), 1u);
  EXPECT_EQ(in.projected, 0);
  EXPECT_EQ(in.triangles[0].v[2].frame[2], 1.0f);

  Collector out;
  clipTriangleToBox(box, point(1.5f, 0, 0), point(3, 0, 0), point(2, 1, 0), out);   // beyond x max
  clipTriangleToBox(box, point(0, 0, -3), point(1, 0, -2), point(0, 1, -1.01f), out);  // below z min
  EXPECT_TRUE(out.triangles.empty());
  EXPECT_EQ(out.projected, 0);
}

// A triangle that pokes out of one face is cut exactly at the face, keeps its
// winding, and covers exactly the part inside.
TEST(BoxClip, CutsExactlyAtTheFace) {
  ClipBox box = unitBox();
  // One corner beyond x max: the pieces form the triangle minus its tip.
  Collector out;
  clipTriangleToBox(box, point(0, -1, 0), point(3, 0, 0), point(0, 1, 0), out);
  ASSERT_EQ(out.triangles.size(), 2u);
  EXPECT_EQ(out.projected, 2);
  int onFace = 0;
  for (const auto& t : out.triangles)
    for (const ClipVertex& v : t.v) {
      EXPECT_TRUE(insideBox(v, box));
      if (v.frame[0] == 1.0f) {
        ++onFace;
        EXPECT_EQ(v.view.depth, 2);  // made on the face, so projected
        EXPECT_NEAR(std::fabs(v.frame[1]), 2.0 / 3.0, 1e-6);
      }
    }
  EXPECT_GE(onFace, 2);
  // Full triangle area 3, tip beyond x = 1 has area 3 × (2/3)² = 4/3.
  EXPECT_NEAR(totalArea(out), 3.0 - 4.0 / 3.0, 1e-5);

  // Two corners out: one triangle remains, with the same winding.
  Collector one;
  clipTriangleToBox(box, point(0, 0, 0), point(0, 0.5f, 3), point(0.5f, 0, 3), one);
  ASSERT_EQ(one.triangles.size(), 1u);
  for (const ClipVertex& v : one.triangles[0].v) EXPECT_LE(v.frame[2], 1.0f);
}

TEST(BoxClip, ATriangleOverACornerKeepsTheCornerSquare) {
  // The triangle (0,0) (4,0) (0,4) in the plane z = 0 covers the whole quarter
  // [0,1]² of the box face; everything else is cut away by two stages.
  ClipBox box = unitBox();
  Collector out;
  clipTriangleToBox(box, point(0, 0, 0), point(4, 0, 0), point(0, 4, 0), out);
  EXPECT_NEAR(totalArea(out), 1.0, 1e-6);
  for (const auto& t : out.triangles) {
    EXPECT_GT(signedArea(t.v[0], t.v[1], t.v[2]), -1e-9);  // counter-clockwise as given
    for (const ClipVertex& v : t.v) EXPECT_TRUE(insideBox(v, box));
  }
  // The same triangle turned round stays turned round.
  Collector reversed;
  clipTriangleToBox(box, point(0, 0, 0), point(0, 4, 0), point(4, 0, 0), reversed);
  EXPECT_NEAR(totalArea(reversed), -1.0, 1e-6);
}

TEST(BoxClip, ANarrowedRangeMovesTheCut) {
  ClipBox box = unitBox();
  box.high[2] = 0.25;  // a slab as the scroll bar makes it
  Collector out;
  clipTriangleToBox(box, point(0, -1, -1), point(0, 1, -1), point(0, 0, 1), out);
  double highest = -10;
  for (const auto& t : out.triangles)
    for (const ClipVertex& v : t.v) highest = std::fmax(highest, v.frame[2]);
  EXPECT_EQ(highest, 0.25);
}

TEST(BoxClip, SegmentsAreCutToTheBox) {
  ClipBox box = unitBox();
  Collector target;
  ClipVertex a = point(-3, 0, 0), b = point(3, 0.5f, 0);
  ASSERT_TRUE(clipSegmentToBox(box, a, b, target));
  EXPECT_EQ(a.frame[0], -1.0f);
  EXPECT_EQ(b.frame[0], 1.0f);
  EXPECT_NEAR(a.frame[1], 1.0 / 6.0, 1e-6);
  EXPECT_NEAR(b.frame[1], 1.0 / 3.0, 1e-6);
  EXPECT_EQ(target.projected, 2);

  ClipVertex c = point(0, 0, 0), d = point(0.5f, 0.5f, 0.5f);
  ASSERT_TRUE(clipSegmentToBox(box, c, d, target));
  EXPECT_EQ(d.frame[0], 0.5f);
  EXPECT_EQ(target.projected, 2);

  // Passing by a corner without entering: each face alone sees part of it inside.
  ClipVertex e = point(0.5f, 2, 0), f = point(2, 0.5f, 0);
  EXPECT_FALSE(clipSegmentToBox(box, e, f, target));
}

}  // namespace
}  // namespace vx
