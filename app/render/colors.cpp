#include "render/colors.h"

#include <cmath>

#include "lang/lang.h"

namespace vx {

namespace {

// The hue wheel runs red, yellow, green, cyan, blue, magenta and back towards
// red; in each segment one channel changes while the other two stay at 0 or 255.
constexpr std::uint8_t kRisingGreen[] = {0,   43,  69,  88,  103, 115, 126, 136, 145, 153,
                                         160, 167, 173, 180, 185, 191, 196, 202, 207, 211,
                                         216, 221, 225, 230, 235, 239, 243, 248, 252};
constexpr std::uint8_t kFallingRed[] = {254, 249, 245, 240, 236, 232, 227, 222, 218, 213,
                                        208, 203, 198, 193, 187, 182, 176, 169, 162, 155,
                                        148, 139, 130, 119, 107, 93,  76,  52};
constexpr std::uint8_t kRisingBlue[] = {31,  61,  82,  98,  112, 123, 133, 142, 150, 158,
                                        165, 171, 178, 183, 189, 195, 200, 205, 210, 215,
                                        219, 224, 229, 233, 237, 242, 246, 251};
constexpr std::uint8_t kFallingGreen[] = {255, 251, 246, 242, 237, 233, 229, 224, 219, 215,
                                          210, 205, 200, 195, 189, 183, 178, 171, 165, 158,
                                          150, 142, 133, 123, 112, 98,  82,  61,  31};
constexpr std::uint8_t kRisingRed[] = {17,  52,  76,  93,  107, 119, 130, 139, 148, 155,
                                       162, 169, 176, 182, 187, 193, 198, 203, 208, 213,
                                       218, 222, 227, 232, 236, 240, 245, 249};
constexpr std::uint8_t kFallingBlue[] = {255, 252, 248, 243, 239, 235, 230, 225, 221, 216,
                                         211, 207, 202, 196, 191, 185, 180, 173, 167, 160,
                                         153, 145, 136, 126, 115, 103, 88,  69,  43};

enum Channel { kRed, kGreen, kBlue };

struct HueSegment {
  int first;            // first table index
  Rgb base;             // the two constant channels (the varying one is overwritten)
  Channel varying;
  const std::uint8_t* values;
  int count;
};

constexpr HueSegment kHueSegments[] = {
    {74, {255, 0, 0}, kGreen, kRisingGreen, int(std::size(kRisingGreen))},
    {103, {0, 255, 0}, kRed, kFallingRed, int(std::size(kFallingRed))},
    {132, {0, 255, 0}, kBlue, kRisingBlue, int(std::size(kRisingBlue))},
    {160, {0, 0, 255}, kGreen, kFallingGreen, int(std::size(kFallingGreen))},
    {189, {0, 0, 255}, kRed, kRisingRed, int(std::size(kRisingRed))},
    {217, {255, 0, 0}, kBlue, kFallingBlue, int(std::size(kFallingBlue))},
};
// The green segment starts with one exception before its rising blue channel.
constexpr int kGreenException = 131;
constexpr Rgb kGreenExceptionColor = {17, 255, 0};

constexpr bool hueSegmentsTile() {
  int next = kHueFirst;
  for (const HueSegment& s : kHueSegments) {
    if (next == kGreenException) ++next;
    if (s.first != next) return false;
    next += s.count;
  }
  return next == kHueLast + 1;
}
static_assert(std::size(kRisingGreen) == 29 && std::size(kFallingRed) == 28 &&
              std::size(kRisingBlue) == 28 && std::size(kFallingGreen) == 29 &&
              std::size(kRisingRed) == 28 && std::size(kFallingBlue) == 29);
static_assert(hueSegmentsTile(), "the hue wheel segments must cover 74..245 exactly");

struct FixedEntry {
  int index;
  Rgb color;
};
constexpr FixedEntry kFixedEntries[] = {
    {kIndexBlack, {0, 0, 0}},
    {kIndexWhite, {255, 255, 255}},
    {kIndexGray, {196, 196, 196}},
    {kIndexBrown, {255, 128, 64}},
    {kIndexNonStrictTrue, {0, 0, 255}},
    {kIndexStrictFalse, {255, 0, 0}},
    {kIndexStrictTrue, {192, 0, 255}},
    {kIndexNonStrictFalse, {255, 0, 192}},
};

constexpr ColorTable buildStandardTable() {
  ColorTable t{};
  for (const FixedEntry& e : kFixedEntries) t.entries[e.index] = e.color;
  t.entries[kGreenException] = kGreenExceptionColor;
  for (const HueSegment& s : kHueSegments) {
    for (int i = 0; i < s.count; ++i) {
      Rgb c = s.base;
      std::uint8_t v = s.values[i];
      if (s.varying == kRed) c.red = v;
      if (s.varying == kGreen) c.green = v;
      if (s.varying == kBlue) c.blue = v;
      t.entries[s.first + i] = c;
    }
  }
  return t;
}

constexpr ColorTable kStandardTable = buildStandardTable();
static_assert(kStandardTable.entries[103].red == 254 && kStandardTable.entries[103].green == 255);
static_assert(kStandardTable.entries[188].green == 31 && kStandardTable.entries[245].blue == 43);

// Solid colours of modes 103..112 (black, gray, white, brown, red, yellow,
// green, cyan, blue, magenta).
constexpr std::uint8_t kSolidIndices[] = {kIndexBlack, kIndexGray, kIndexWhite, kIndexBrown, 74,
                                          103,         131,        160,         189,         217};
static_assert(std::size(kSolidIndices) == kModeMagenta - kModeBlack + 1);

// The rounding of the arithmetic unit: to nearest, ties to even.
long long nearest(long double v) { return std::llrint(v); }

float limitUnit(double v) {
  if (!(v >= 0)) return 0;  // negative or undefined
  return v > 1 ? 1.0f : static_cast<float>(v);
}

int limitedMode(double value, int low, int high) {
  if (!(value >= low)) return low;
  if (value > high) return high;
  return static_cast<int>(nearest(value));
}

// 255 x (i / 255)^q, to the nearest integer.
std::uint8_t curvePoint(int i, double exponent) {
  if (i == 0) return 0;
  long long v = nearest(255.0L * std::pow(i / 255.0, exponent));
  return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The light comes from the upper left, in the picture plane.
constexpr float kHalfRootTwo = 0.707106f;  // 0.7071059942 as a single float

}  // namespace

const ColorTable& standardColorTable() { return kStandardTable; }

std::uint8_t solidColorIndex(int mode) {
  if (mode < kModeBlack || mode > kModeMagenta) return kIndexWhite;
  return kSolidIndices[mode - kModeBlack];
}

std::uint8_t heightColorIndex(long double zCentre, long double zMinimum, long double zMaximum,
                              int zCount) {
  long double dz = (zMaximum - zMinimum) / (zCount - 1);
  long double u = (zMaximum - zCentre - dz / 2) / (zMaximum - zMinimum - dz);
  long double k = 114 * u;
  if (!(k >= -0.5L)) return kIndexMiddleGreen;  // negative, or undefined
  if (k > 114) return kIndexHeightBottom;      // cannot happen inside the box
  long long n = nearest(k);
  return static_cast<std::uint8_t>(kHueFirst + (n < 0 ? 0 : n));
}

std::uint8_t steepnessColorIndex(long double nx, long double ny, long double nz) {
  long double length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(length > 0)) length = 1;
  nx /= length;
  ny /= length;
  long double k = 114 * std::fabs(1 - (nx * nx + ny * ny));
  if (!(k <= 114)) return kIndexMiddleGreen;  // undefined normal
  return static_cast<std::uint8_t>(kHueFirst + nearest(k));
}

std::uint8_t expressionColorIndex(long double value) {
  if (!std::isfinite(value)) return kIndexMiddleGreen;
  long double w = 1 - (value - std::floor(value));
  long long k = nearest(kHueCount * w);
  if (k >= kHueCount || k < 0) k = 0;
  return static_cast<std::uint8_t>(kHueFirst + k);
}

void buildShadeTables(const LightingParams& params, ShadeTables& tables) {
  const float q = params.contrast > 0.1f ? params.contrast : 0.1f;
  for (int i = 0; i < 256; ++i) {
    tables.contrast[i] = curvePoint(i, q);
    tables.inverseContrast[i] = curvePoint(i, 1.0 / q);
  }
  // t scaled by 2^31. The share of the polygon rounds ties down, the share of the
  // frame buffer ties up, so that the two never add up to more than 255.
  const std::uint64_t t = static_cast<std::uint64_t>(std::llrint(double(params.transparency) * 2147483648.0));
  const std::uint64_t rest = (std::uint64_t(1) << 31) - t;
  for (std::uint64_t i = 0; i < 256; ++i) {
    tables.keep[i] = static_cast<std::uint8_t>((i * t + (std::uint64_t(1) << 30)) >> 31);
    tables.cover[i] = static_cast<std::uint8_t>((i * rest + (std::uint64_t(1) << 30) - 1) >> 31);
  }
}

void prepareColorState(const LangState& state, const ColorTable& table, bool truecolor,
                       ColorState& out) {
  out.table = &table;
  out.truecolor = truecolor;
  out.surfaceMode = kSurfaceModeBase + limitedMode(state.value(kColor), 0, 12);
  out.vectorMode = kVectorModeBase + limitedMode(state.value(kVectorColor), 0, 12);
  out.backgroundMode = kSurfaceModeBase + limitedMode(state.value(kBackground), 2, 12);
  LightingParams& p = out.lighting;
  p.shading = limitUnit(state.value(kShading));
  p.highlight = limitUnit(state.value(kHighlight));
  p.vectorShading = limitUnit(state.value(kVectorShading));
  p.vectorHighlight = limitUnit(state.value(kVectorHighlight));
  p.contrast = limitUnit(state.value(kContrast));
  p.transparency = limitUnit(state.value(kTransparency));
  buildShadeTables(p, out.shades);
  out.lit = truecolor && (p.shading != 0 || p.highlight != 0);
  out.blended = truecolor && p.transparency != 0;
}

PixelColor backgroundPixel(const ColorState& colors) {
  return pixelForIndex(colors, solidColorIndex(colors.backgroundMode));
}

PixelColor boxLinePixel(const ColorState& colors) {
  return pixelForIndex(colors, colors.backgroundMode == kModeBlack ? kIndexWhite : kIndexBlack);
}

PixelColor meshPixel(const ColorState& colors) {
  return colors.truecolor ? 0 : kIndexBlack;
}

PolygonLight polygonLight(const ColorState& colors, float nAcross, float nDepth, float nUp) {
  const LightingParams& p = colors.lighting;
  // Diffuse light from the upper left.
  long double d = -kHalfRootTwo * (long double)nAcross + 0 * (long double)nDepth +
                  kHalfRootTwo * (long double)nUp;
  long long b = nearest(256 * (1 + 0.5L * p.shading * (d - 1)));
  if (b < 0) b = 0;

  // A sharp highlight towards the viewer's upper left.
  long double g = -0.5L * nAcross - kHalfRootTwo * (long double)nDepth + 0.5L * nUp;
  long double base = (g + 1) * 0.5L;
  long double power = base;
  for (int i = 0; i < 5; ++i) power *= power;  // base^32
  long long e = nearest(power * p.highlight * 255);
  if (!(e >= 0)) e = 0;
  if (e > 255) e = 255;
  return {b, static_cast<int>(e)};
}

PixelColor lightColor(const ColorState& colors, PixelColor color, const PolygonLight& light) {
  const ShadeTables& t = colors.shades;
  int channel[3] = {int(color >> 16) & 0xFF, int(color >> 8) & 0xFF, int(color) & 0xFF};
  if (light.brightness < 256) {
    for (int& x : channel) x = t.contrast[(t.inverseContrast[x] * light.brightness + 128) / 256];
  }
  for (int& x : channel) {
    int v = t.inverseContrast[x] + light.highlight;
    x = t.contrast[v > 255 ? 255 : v];
  }
  return (PixelColor(channel[0]) << 16) | (PixelColor(channel[1]) << 8) | PixelColor(channel[2]);
}

void prepareSurfaceColoring(LangState& state, const ColorState& colors, SurfaceColoring& out) {
  out = {};
  switch (colors.surfaceMode) {
    case kModeByHeight:
      out.kind = SurfaceColoring::Height;
      return;
    case kModeByExpression:
      if (state.surfaceColorExpression) {
        out.kind = SurfaceColoring::Expression;
        out.tree = foldExpression(state, state.surfaceColorExpression, Form::Value);
        out.code = compileExpression(state, out.tree, Form::Value);
        return;
      }
      out.fixed = pixelForIndex(colors, kIndexMiddleGreen);
      return;
    case kModeBySteepness:
      out.fixed = pixelForIndex(colors, kIndexMiddleGreen);
      return;
    default:
      out.fixed = pixelForIndex(colors, solidColorIndex(colors.surfaceMode));
  }
}

void releaseSurfaceColoring(LangState& state, SurfaceColoring& coloring) {
  if (coloring.code) releaseCode(state, coloring.code);
  if (coloring.tree) releaseExpression(state, coloring.tree);
  coloring.code = nullptr;
  coloring.tree = nullptr;
}

}  // namespace vx
