#pragma once
// The box around the graphs, drawn in two passes around them in the walk order:
// the far pass before the graphs (the face at the far end of the outer axis and
// the two outer-axis edges at the far end of the inner axis), the near pass after
// them (the other two outer-axis edges and the near face). Each pass draws its
// edges for the box range and, while a slice narrows it, for the sampling range.
// Box-range edges at the label corner lines carry the axis letter and the two end
// values of the axis.
#include <cstdint>
#include <string>

#include "render/context.h"

namespace vx {

// Letters come from the front end (a font in the command-line tool, the system
// in the program), so the renderer has no font code of its own.
struct TextPainter {
  void* context = nullptr;
  // Width and height in pixels of `text` at `pixelSize`.
  void (*measure)(void* context, const char* text, int length, int pixelSize, int* width, int* height) = nullptr;
  // Draws `text` with its top-left corner at (left, top), clipped to the picture.
  void (*draw)(void* context, FrameBuffer& fb, int left, int top, const char* text, int length,
               int pixelSize, PixelColor color) = nullptr;
};

// The label size: 6 points in pixels, to the nearest integer with halves rounded up.
int labelPixelSize(int pixelsPerInch);

enum class BoxPass { Far, Near };

// One box edge as the passes offer it: the axis it runs along and the world
// coordinates of the other two axes.
struct BoxEdge {
  int axis;
  double fixed[3];  // the coordinates of the two other axes (the entry for `axis` unused)
};

// The edges of a pass in drawing order, for the given ranges.
int boxPassEdges(const RenderContext& ctx, BoxPass pass, const double minimum[3], const double maximum[3],
                 BoxEdge out[6]);

// Where the labels of a redraw go: per axis the letter, the minimum and the
// maximum, each kept clear of every box line and of the others.
struct BoxLabel {
  bool shown = false;
  int left = 0, top = 0;
  std::string text;
};
struct BoxLabelLayout {
  BoxLabel labels[3][3];  // [axis][letter, minimum, maximum]
};
void layOutBoxLabels(const RenderContext& ctx, const TextPainter& text, int size, BoxLabelLayout& out);

// Whether a box-range edge lies at its axis' label corner line.
bool isLabelEdge(const RenderJob& job, const BoxEdge& edge);

void drawBoxPass(RenderContext& ctx, BoxPass pass, const TextPainter* text, int labelSize);

}  // namespace vx
