// Vector fields are drawn by a later addition; until then vector items draw nothing.
#include "render/vectorfield.h"

namespace vx {

void beginVectorRun(RenderContext&, VectorRun&) {}

void drawVectorAtGridPoint(RenderContext&, VectorRun&, const double*, const double[3]) {}

void endVectorRun(RenderContext&, VectorRun&) {}

}  // namespace vx
