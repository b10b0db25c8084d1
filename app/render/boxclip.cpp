#include "render/boxclip.h"

namespace vx {

namespace {

// One clipping stage per box face; they differ only in these three things.
struct FaceStage {
  int axis;      // 0 x, 1 y, 2 z
  bool maximum;  // inside a maximum face is at or below it, a minimum face at or above
};

constexpr FaceStage kFaceStages[] = {
    {0, false}, {0, true}, {1, false}, {1, true}, {2, false}, {2, true},
};
constexpr int kStageCount = sizeof kFaceStages / sizeof kFaceStages[0];
static_assert(kStageCount == 6, "one stage per box face");

float coordinate(const ClipVertex& v, int axis) { return v.frame[axis]; }

double bound(const ClipBox& box, const FaceStage& stage) {
  return stage.maximum ? box.high[stage.axis] : box.low[stage.axis];
}

bool inside(const ClipVertex& v, const FaceStage& stage, double faceBound) {
  double c = coordinate(v, stage.axis);
  return stage.maximum ? c <= faceBound : c >= faceBound;
}

// The point where the edge from `in` (inside) to `out` (outside) meets the
// face. Always interpolated from the inside end, so that two triangles sharing
// the edge get the same point; the cut coordinate is the bound itself.
ClipVertex crossing(const ClipVertex& in, const ClipVertex& out, const FaceStage& stage, double faceBound,
                     ClipTarget& target) {
  double t = (faceBound - coordinate(in, stage.axis)) /
             (static_cast<double>(coordinate(out, stage.axis)) - coordinate(in, stage.axis));
  ClipVertex made;
  for (int i = 0; i < 3; ++i)
    made.frame[i] = static_cast<float>(in.frame[i] + t * (static_cast<double>(out.frame[i]) - in.frame[i]));
  made.frame[stage.axis] = static_cast<float>(faceBound);
  target.project(made);
  return made;
}

void clipStage(const ClipBox& box, int stageIndex, const ClipVertex& a, const ClipVertex& b,
               const ClipVertex& c, ClipTarget& target) {
  if (stageIndex == kStageCount) {
    target.triangle(a, b, c);
    return;
  }
  const FaceStage& stage = kFaceStages[stageIndex];
  double faceBound = bound(box, stage);
  const ClipVertex* corner[3] = {&a, &b, &c};
  bool in[3];
  int insideCount = 0;
  for (int i = 0; i < 3; ++i) insideCount += (in[i] = inside(*corner[i], stage, faceBound));
  if (insideCount == 3) return clipStage(box, stageIndex + 1, a, b, c, target);
  if (insideCount == 0) return;

  // Walk the edges in order, keeping inside corners and adding the crossings:
  // the remaining polygon keeps the triangle's winding.
  ClipVertex kept[4];
  int count = 0;
  for (int i = 0; i < 3; ++i) {
    int j = (i + 1) % 3;
    if (in[i]) kept[count++] = *corner[i];
    if (in[i] != in[j]) {
      kept[count++] = in[i] ? crossing(*corner[i], *corner[j], stage, faceBound, target)
                            : crossing(*corner[j], *corner[i], stage, faceBound, target);
    }
  }
  clipStage(box, stageIndex + 1, kept[0], kept[1], kept[2], target);
  if (count == 4) clipStage(box, stageIndex + 1, kept[0], kept[2], kept[3], target);
}

}  // namespace

std::uint8_t clipCode(const ClipBox& box, float x, float y, float z) {
  if (x != x || y != y || z != z) return kClipUndefined;
  const float point[3] = {x, y, z};
  std::uint8_t code = 0;
  for (int i = 0; i < kStageCount; ++i) {
    const FaceStage& stage = kFaceStages[i];
    double c = point[stage.axis];
    double faceBound = bound(box, stage);
    if (stage.maximum ? c > faceBound : c < faceBound) code |= static_cast<std::uint8_t>(1u << i);
  }
  return code;
}

void clipTriangleToBox(const ClipBox& box, const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                       ClipTarget& target) {
  clipStage(box, 0, a, b, c, target);
}

bool clipSegmentToBox(const ClipBox& box, ClipVertex& a, ClipVertex& b, ClipTarget& target) {
  for (const FaceStage& stage : kFaceStages) {
    double faceBound = bound(box, stage);
    bool aInside = inside(a, stage, faceBound);
    bool bInside = inside(b, stage, faceBound);
    if (!aInside && !bInside) return false;
    if (!aInside) a = crossing(b, a, stage, faceBound, target);
    if (!bInside) b = crossing(a, b, stage, faceBound, target);
  }
  return true;
}

}  // namespace vx
