#pragma once
// The view: the record the view controls turn (two angles, the eye vector, the
// extents and the perspective distance), the five presets, the transform built
// from the record for every picture, and the projection of box-frame points to
// picture positions with their edge codes.
#include <cstdint>

#include "render/framebuffer.h"

namespace vx {

struct ViewRecord {
  float horizontal = 0.5f;   // a, radians
  float elevation = -0.62f;  // b, radians
  float eye[3] = {0, -0.5f, 0};
  float reserved[2] = {0, 0};
  float extentX = 0.032f;
  float extentY = 0.024f;
  float distance = 0.05f;    // perspective distance D
};

inline constexpr float kZoomMinimum = 0.001f;
inline constexpr float kZoomMaximum = 10.0f;

struct ViewPresetAngles {
  float horizontal, elevation;
  float eye[3];  // the eye the program starts with; pictures use the one opposite the view
};
// Indexed by the view preset code: standard, top, front, side, textbook.
extern const ViewPresetAngles kViewPresets[5];

// Sets the two angles from a preset and puts the eye at length 0.5 opposite the
// viewing direction. Codes outside 0..4 count as standard.
void applyViewPreset(ViewRecord& view, int preset);

// Recomputes the eye vector from the angles, keeping its length (the last step
// of every frame; also after setting the angles directly).
void updateEyeVector(ViewRecord& view);

// Edge-code bits of a projected point.
inline constexpr std::uint8_t kBehindViewer = 0x01;
inline constexpr std::uint8_t kLeftOfPicture = 0x02;
inline constexpr std::uint8_t kRightOfPicture = 0x04;
inline constexpr std::uint8_t kBelowPicture = 0x08;
inline constexpr std::uint8_t kAbovePicture = 0x10;
// Not a point at all (an undefined or infinite coordinate): nothing that needs it is drawn.
inline constexpr std::uint8_t kInvalidPoint = 0x80;

struct ViewTransform {
  // Pixels per unit of across and up: the same factor in both directions (up to
  // the rounding of the 4:3 extents), whatever the shape of the picture.
  double scaleX = 1, scaleY = 1;
  float across[3] = {};
  float depth[3] = {};  // the viewing direction: larger depth is farther away
  float up[3] = {};
  double translation[3] = {};
  float distance = 0.05f;
  bool perspective = true;
  float centreX = 0, centreY = 0;
  std::int32_t centreXi = 0, centreYi = 0;
  PictureRect picture;
};

void buildViewTransform(const ViewRecord& view, const PictureRect& picture, bool perspective,
                        ViewTransform& out);

// A projected point: view coordinates, screen position (valid unless behind the
// viewer) and edge code.
struct ProjectedPoint {
  float across, depth, up;
  std::int32_t x, y;
  std::uint8_t code;
};

void projectPoint(const ViewTransform& t, const float p[3], ProjectedPoint& out);
// Screen position and edge code of a point already in view coordinates.
void projectViewPoint(const ViewTransform& t, ProjectedPoint& point);
// The edge code of a screen position.
std::uint8_t screenEdgeCode(const PictureRect& picture, std::int32_t x, std::int32_t y);

}  // namespace vx
