// Parametric forms are drawn by a later addition; until then they draw nothing.
#include "render/parametric.h"

namespace vx {

void drawParametricItems(RenderContext&) {}

}  // namespace vx
