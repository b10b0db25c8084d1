#pragma once
// Geometry of one vector-field arrow: where it sits relative to its grid point,
// how it is cut to the (slightly grown) box, the two barbs of its head and its
// colour index by height or steepness.
namespace vx {

// graph3d.vectoralign: tail -1, center 0, tip 1.
enum class VectorAlign : int { Tail = -1, Center = 0, Tip = 1 };

// The alignment an option value stands for: the nearest of the three codes;
// an undefined value keeps the default, tail.
VectorAlign vectorAlignFromOption(double value);

// An arrow in graph coordinates, from its tail to its head.
struct ArrowSegment {
  double tail[3] = {0, 0, 0};
  double head[3] = {0, 0, 0};
  bool headCut = false;  // the head end was moved by the clipping: no arrowhead
};

// The arrow of displacement `vector` for the grid point `point`: it starts at
// the point (tail), has its middle there (center) or ends there (tip).
ArrowSegment placeArrow(const double point[3], const double vector[3], VectorAlign align);

// Cuts the arrow to [low, high] along each axis, the axes taken in `axisOrder`
// (the walk order): an end outside moves to the bound along the segment.
// False when nothing of the arrow is left.
bool clipArrow(ArrowSegment& arrow, const double low[3], const double high[3], const int axisOrder[3]);

// The two barb ends of an arrowhead at `head` pointing along `direction`, both
// in box-frame units: B ± S with B = head − length × direction / |direction|
// and S of the given length, perpendicular to the direction in the plane that
// holds the direction and the y axis (along x when the direction is along y).
// False for a zero or undefined direction.
bool arrowBarbs(const float head[3], const float direction[3], float length, float barbA[3], float barbB[3]);

// Hue-wheel indices of an arrow. By height: red at the top of the range
// zLow..zHigh, blue at its bottom. By steepness of the (clipped) vector: red
// straight up, green level, blue straight down. Out-of-range values are
// limited to the wheel's 74..188; NaN gives green (131).
int arrowHeightColor(double headZ, double zLow, double zHigh);
int arrowSteepnessColor(const double vector[3]);

}  // namespace vx
