#pragma once
// Parametric curves and surfaces (rectangular, cylindrical, spherical forms in u
// and v). When the first graph item of the job is parametric, every item is drawn
// here instead of by the grid walk.
//
// What a drawer has at hand in the context: the state (cells u, v, x, y, z and
// the colour expression), the job (u and v ranges, steps, box and sampling
// ranges, mesh flag), the box-frame mapping and the clip box in box-frame units
// (clipMinimum, clipMaximum from the sampling ranges), the view transform
// (projectVertex), the colour state and drawing target (fillPolygon,
// fillTriangle, drawLine, meshColor), and the vertex pool for sample and
// clipping vertices. Everything taken from the pool must be given back before
// the function returns.
#include "render/context.h"

namespace vx {

// kCancelled when the host's progress callback asked to stop (it is asked after
// every row of v samples); nothing is drawn then.
Status drawParametricItems(RenderContext& ctx);

}  // namespace vx
