#pragma once
// Where every colour of the picture comes from: the 256-entry colour table
// (fixed colours, inequality colours, the hue wheel), the colour modes chosen by
// the options, the colour of a cell or polygon (by height, steepness, expression
// or solid), and the 32-bit lighting: shading, highlight, contrast curve and the
// transparency tables.
#include <cstdint>

#include "render/framebuffer.h"

namespace vx {

class LangState;
struct ExprNode;
struct CompiledCode;

// Palette indices with a fixed meaning.
inline constexpr std::uint8_t kIndexBlack = 20;
inline constexpr std::uint8_t kIndexWhite = 22;
inline constexpr std::uint8_t kIndexGray = 24;
inline constexpr std::uint8_t kIndexBrown = 30;
inline constexpr std::uint8_t kIndexNonStrictTrue = 70;   // (0, 0, 255)
inline constexpr std::uint8_t kIndexStrictFalse = 71;     // (255, 0, 0)
inline constexpr std::uint8_t kIndexStrictTrue = 72;      // (192, 0, 255)
inline constexpr std::uint8_t kIndexNonStrictFalse = 73;  // (255, 0, 192)
inline constexpr std::uint8_t kHueFirst = 74;             // red
inline constexpr std::uint8_t kHueLast = 245;
inline constexpr int kHueCount = kHueLast - kHueFirst + 1;  // 172
inline constexpr std::uint8_t kIndexHeightTop = 74;         // red
inline constexpr std::uint8_t kIndexMiddleGreen = 131;      // also the colour of undefined values
inline constexpr std::uint8_t kIndexHeightBottom = 188;     // blue
// The 8-bit display takes these entries from the table; the rest belong to the system.
inline constexpr int kPaletteFirst = 10;
inline constexpr int kPaletteLast = 245;

struct Rgb {
  std::uint8_t red, green, blue;
};

struct ColorTable {
  Rgb entries[256];
};

// The product's colour table: the fixed entries above and the hue wheel at 74..245.
const ColorTable& standardColorTable();

// A packed 32-bit pixel (0x00RRGGBB) for a table entry.
inline PixelColor packedColor(const ColorTable& table, int index) {
  const Rgb& c = table.entries[index & 0xFF];
  return (PixelColor(c.red) << 16) | (PixelColor(c.green) << 8) | c.blue;
}

// Colour modes: 100 + the option's colour code (surface and background) and
// 113 + the code for vectors.
inline constexpr int kSurfaceModeBase = 100;
inline constexpr int kVectorModeBase = 113;
enum SurfaceColorMode : int {
  kModeByHeight = 100,
  kModeBySteepness = 101,
  kModeByExpression = 102,
  kModeBlack = 103,
  kModeMagenta = 112,
};

// The palette index of a solid mode (103..112); other modes give white.
std::uint8_t solidColorIndex(int mode);

// Colour of a cell by height: zCentre is the z of the cell centre; zMinimum,
// zMaximum the box range of z; zCount the number of grid points along z.
std::uint8_t heightColorIndex(long double zCentre, long double zMinimum, long double zMaximum,
                              int zCount);
// Colour of a polygon by steepness from its (not necessarily unit) normal in
// box-frame coordinates.
std::uint8_t steepnessColorIndex(long double nx, long double ny, long double nz);
// Colour for a colour-expression value: the fractional part walks the hue wheel.
std::uint8_t expressionColorIndex(long double value);

// Lighting parameters, each limited to 0..1 and held as single floats.
struct LightingParams {
  float shading = 0;
  float highlight = 0;
  float vectorShading = 0;
  float vectorHighlight = 0;
  float contrast = 0.5f;
  float transparency = 0;
};

// Lookup tables rebuilt before every redraw.
struct ShadeTables {
  std::uint8_t contrast[256];         // P
  std::uint8_t inverseContrast[256];  // Q
  std::uint8_t keep[256];             // A: share of the colour already in the frame buffer
  std::uint8_t cover[256];            // B: share of the polygon's colour
};

void buildShadeTables(const LightingParams& params, ShadeTables& tables);

// Everything the colour rules need for one redraw, refreshed from the options.
struct ColorState {
  const ColorTable* table = nullptr;
  int surfaceMode = kModeByHeight;
  int vectorMode = kVectorModeBase + 3;  // black
  int backgroundMode = kSurfaceModeBase + 5;  // white
  LightingParams lighting;
  ShadeTables shades;
  bool truecolor = true;   // colours are packed RGB (32-bit frame buffer)
  bool lit = false;        // shading or highlight applies (32-bit only)
  bool blended = false;    // transparency applies (32-bit only)
};

// Reads the colour modes and lighting parameters from the options and builds
// the tables. `truecolor` is the frame buffer's format.
void prepareColorState(const LangState& state, const ColorTable& table, bool truecolor,
                       ColorState& out);

// A palette index as the frame buffer stores it: unchanged in 8-bit, RGB in 32-bit.
inline PixelColor pixelForIndex(const ColorState& colors, int index) {
  return colors.truecolor ? packedColor(*colors.table, index) : PixelColor(index & 0xFF);
}

// How one redraw colours the cells of implicit surfaces and the quadrilaterals of
// parametric ones: by height, by the colour expression (compiled once for the
// redraw), or with one fixed colour. Colour by steepness is fixed here, since the
// rasteriser recolours every polygon from its normal.
struct SurfaceColoring {
  enum Kind { Height, Expression, Fixed } kind = Fixed;
  PixelColor fixed = 0;
  ExprNode* tree = nullptr;
  CompiledCode* code = nullptr;
};

// Resolves the surface colour mode. The caller flags the variables that the
// expression must read at run time before, so that they are not folded.
void prepareSurfaceColoring(LangState& state, const ColorState& colors, SurfaceColoring& out);
void releaseSurfaceColoring(LangState& state, SurfaceColoring& coloring);

PixelColor backgroundPixel(const ColorState& colors);
// Box lines and labels: white on the black background, black on any other.
PixelColor boxLinePixel(const ColorState& colors);
// Mesh lines: black in either format.
PixelColor meshPixel(const ColorState& colors);

// Lighting of one polygon from its unit normal in view coordinates (across
// divided by the horizontal scale, depth, up divided by the vertical scale),
// already turned towards the viewer: the brightness of the diffuse light
// (256 = full) and the highlight added to every channel. The caller skips it
// when neither shading nor highlight is on.
struct PolygonLight {
  long long brightness;
  int highlight;
};
PolygonLight polygonLight(const ColorState& colors, float nAcross, float nDepth, float nUp);
// Applies a polygon's light to a packed colour.
PixelColor lightColor(const ColorState& colors, PixelColor color, const PolygonLight& light);
inline PixelColor lightColor(const ColorState& colors, PixelColor color, float nAcross, float nDepth, float nUp) {
  return lightColor(colors, color, polygonLight(colors, nAcross, nDepth, nUp));
}

}  // namespace vx
