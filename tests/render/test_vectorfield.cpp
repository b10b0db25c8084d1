#include <gtest/gtest.h>

#include <cmath>

#include "render/arrow.h"

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

}  // namespace
}  // namespace vx
