// Colour table, colour modes and the 32-bit lighting and transparency formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/colors.h"
#include "render/raster.h"
#include "render_scene.h"

namespace vx {
namespace {

Rgb entry(int i) { return standardColorTable().entries[i]; }

bool sameRgb(Rgb a, Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

TEST(ColorTable, FixedEntriesAndHueWheel) {
  struct Case {
    int index;
    Rgb rgb;
  };
  const Case cases[] = {
      {20, {0, 0, 0}},       {22, {255, 255, 255}}, {24, {196, 196, 196}}, {30, {255, 128, 64}},
      {70, {0, 0, 255}},     {71, {255, 0, 0}},     {72, {192, 0, 255}},   {73, {255, 0, 192}},
      {74, {255, 0, 0}},     {102, {255, 252, 0}},  {103, {254, 255, 0}},  {130, {52, 255, 0}},
      {131, {17, 255, 0}},   {132, {0, 255, 31}},   {159, {0, 255, 251}},  {160, {0, 255, 255}},
      {188, {0, 31, 255}},   {189, {17, 0, 255}},   {216, {249, 0, 255}},  {217, {255, 0, 255}},
      {245, {255, 0, 43}},
  };
  for (const Case& c : cases) EXPECT_TRUE(sameRgb(entry(c.index), c.rgb)) << c.index;
  // Every wheel entry has one channel at 255 and one at 0 (green's first entry aside).
  for (int i = kHueFirst; i <= kHueLast; ++i) {
    const Rgb c = entry(i);
    const int full = (c.red == 255) + (c.green == 255) + (c.blue == 255);
    const int none = (c.red == 0) + (c.green == 0) + (c.blue == 0);
    if (i != 131) {
      EXPECT_TRUE(full >= 1 && none >= 1) << i;
    }
  }
}

TEST(ColorModes, HeightSteepnessAndExpressionIndices) {
  // Default box -3..3 with 21 points: top cell red, bottom cell blue, middle green.
  const double dz = 0.3;
  EXPECT_EQ(heightColorIndex(3 - dz / 2, -3, 3, 21), 74);
  EXPECT_EQ(heightColorIndex(-3 + dz / 2, -3, 3, 21), 188);
  EXPECT_EQ(heightColorIndex(0, -3, 3, 21), 131);
  EXPECT_EQ(heightColorIndex(std::nan(""), -3, 3, 21), 131);
  EXPECT_EQ(heightColorIndex(0, -3, 3, 2), 131);  // a single layer of cells: 0/0

  EXPECT_EQ(steepnessColorIndex(0, 0, 5), 188);   // horizontal
  EXPECT_EQ(steepnessColorIndex(3, 4, 0), 74);    // vertical
  EXPECT_EQ(steepnessColorIndex(1, 0, 1), 131);   // 45 degrees: 74 + 57
  EXPECT_EQ(steepnessColorIndex(0, 0, 0), 188);   // degenerate: the zero normal

  EXPECT_EQ(expressionColorIndex(3), 74);         // whole numbers are red
  EXPECT_EQ(expressionColorIndex(-2), 74);
  EXPECT_EQ(expressionColorIndex(0.25), 74 + 129);
  EXPECT_EQ(expressionColorIndex(0.5), 74 + 86);
  EXPECT_EQ(expressionColorIndex(0.999), 74 + 0);  // 172 * 0.001 rounds to 0
  EXPECT_EQ(expressionColorIndex(std::nan("")), 131);

  for (int mode = kModeBlack; mode <= kModeMagenta; ++mode) EXPECT_NE(solidColorIndex(mode), 0);
  EXPECT_EQ(solidColorIndex(103), 20);
  EXPECT_EQ(solidColorIndex(107), 74);
  EXPECT_EQ(solidColorIndex(112), 217);
}

TEST(ShadeTables, ContrastCurvesAndTransparencyShares) {
  ShadeTables t;
  LightingParams p;
  p.contrast = 0.5f;
  p.transparency = 0.5f;
  buildShadeTables(p, t);
  EXPECT_EQ(t.contrast[0], 0);
  EXPECT_EQ(t.contrast[255], 255);
  EXPECT_EQ(t.contrast[64], 128);       // 255 * sqrt(64/255) = 127.75
  EXPECT_EQ(t.inverseContrast[128], 64);  // 255 * (128/255)^2 = 64.25
  for (int i = 0; i < 256; ++i) {
    EXPECT_LE(t.keep[i] + t.cover[255], 255) << i;
    EXPECT_LE(std::abs(t.keep[i] - i / 2.0), 0.5) << i;
    EXPECT_LE(std::abs(t.cover[i] - i / 2.0), 0.5) << i;
  }
  // Contrast below 0.1 behaves as 0.1.
  ShadeTables low, tenth;
  p.contrast = 0.01f;
  buildShadeTables(p, low);
  p.contrast = 0.1f;
  buildShadeTables(p, tenth);
  EXPECT_EQ(0, std::memcmp(low.contrast, tenth.contrast, 256));
  // No transparency: the polygon covers fully; full transparency: it vanishes.
  p.transparency = 0;
  buildShadeTables(p, t);
  for (int i = 0; i < 256; ++i) EXPECT_TRUE(t.cover[i] == i && t.keep[i] == 0);
  p.transparency = 1;
  buildShadeTables(p, t);
  for (int i = 0; i < 256; ++i) EXPECT_TRUE(t.cover[i] == 0 && t.keep[i] == i);
}

ColorState lightingState(float shading, float highlight, float contrast) {
  ColorState s;
  s.table = &standardColorTable();
  s.lighting.shading = shading;
  s.lighting.highlight = highlight;
  s.lighting.contrast = contrast;
  buildShadeTables(s.lighting, s.shades);
  s.lit = true;
  return s;
}

TEST(Lighting, ShadingAndHighlightOnKnownNormals) {
  // Facing the viewer squarely: d = 0, brightness 128, half in the linear domain.
  ColorState linear = lightingState(1, 0, 1);
  EXPECT_EQ(lightColor(linear, 0xFF8040, 0, -1, 0), 0x804020u);
  // Towards the light (upper left): full brightness, unchanged.
  const float r = std::sqrt(0.5f);
  EXPECT_EQ(lightColor(linear, 0xFF8040, -r, 0, r), 0xFF8040u);
  // Away from the light: d = -1, brightness 0.
  EXPECT_EQ(lightColor(linear, 0xFF8040, r, 0, -r), 0x000000u);
  // Half shading facing the viewer: 192 / 256.
  ColorState half = lightingState(0.5f, 0, 1);
  EXPECT_EQ(lightColor(half, 0x808080, 0, -1, 0), 0x606060u);
  // Highlight towards (-0.5, -0.707, 0.5): g = 1, e = 255 x h.
  ColorState shiny = lightingState(0, 1, 1);
  EXPECT_EQ(lightColor(shiny, 0x102030, -0.5f, -0.707106f, 0.5f), 0xFFFFFFu);
  ColorState soft = lightingState(0, 0.2f, 1);
  EXPECT_EQ(lightColor(soft, 0x102030, -0.5f, -0.707106f, 0.5f), 0x435363u);  // + 51
  // Facing squarely: g = 0.707, ((1.707) / 2)^32 x 255 = 1.6 -> 2.
  EXPECT_EQ(lightColor(shiny, 0x102030, 0, -1, 0), 0x122232u);
  // With contrast 0.5 the shading works on the squared channel.
  ColorState curved = lightingState(1, 0, 0.5f);
  EXPECT_EQ(lightColor(curved, 0xFF0000, 0, -1, 0), 0xB50000u);  // 255 * sqrt(128 / 255) = 180.7
}

TEST(Lighting, OptionsAreLimitedAndEightBitIsNeverLit) {
  rendertest::Scene scene(
      "graph3d.shading := 7\ngraph3d.highlight := -1\ngraph3d.transparency := 0/0\n"
      "graph3d.color := 99\ngraph3d.background := black\ngraph3d( z = 0 )");
  ASSERT_TRUE(scene.ok());
  ColorState truecolor, indexed;
  prepareColorState(scene.state, standardColorTable(), true, truecolor);
  prepareColorState(scene.state, standardColorTable(), false, indexed);
  EXPECT_EQ(truecolor.lighting.shading, 1.0f);
  EXPECT_EQ(truecolor.lighting.highlight, 0.0f);
  EXPECT_EQ(truecolor.lighting.transparency, 0.0f);
  EXPECT_TRUE(truecolor.lit);
  EXPECT_FALSE(indexed.lit);
  EXPECT_FALSE(indexed.blended);
  EXPECT_EQ(truecolor.surfaceMode, kModeByExpression);  // any expression colours by expression
  EXPECT_EQ(backgroundPixel(indexed), 20u);
  EXPECT_EQ(boxLinePixel(indexed), 22u);  // white lines on black
  EXPECT_EQ(boxLinePixel(truecolor), 0xFFFFFFu);
  EXPECT_EQ(meshPixel(truecolor), 0u);
  EXPECT_EQ(meshPixel(indexed), 20u);
}

}  // namespace
}  // namespace vx
