#pragma once
// Pictures of rendered scenes for tests that look at pixels: which pixels a
// scene draws on its white background, and where world points land.
#include "render/render.h"
#include "render_scene.h"

namespace vx::rendertest {

struct Picture {
  explicit Picture(int width = 320, int height = 240) : owned(PixelFormat::Rgb32, width, height) {}
  OwnedFrameBuffer owned;
  FrameBuffer& fb() { return owned.get(); }

  PixelColor at(int x, int y) { return readPixel(fb(), x, y); }
  bool drawn(int x, int y) { return at(x, y) != 0xFFFFFF; }
  // Whether anything but the background lies within `radius` pixels of (x, y).
  bool drawnNear(int x, int y, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx) {
        const int px = x + dx, py = y + dy;
        if (px >= 0 && py >= 0 && px < fb().width && py < fb().height && drawn(px, py)) return true;
      }
    return false;
  }
  int count() {
    int n = 0;
    for (int y = 0; y < fb().height; ++y)
      for (int x = 0; x < fb().width; ++x) n += drawn(x, y);
    return n;
  }
};

inline Picture render(Scene& scene, int width = 320, int height = 240) {
  Picture picture(width, height);
  scene.render(picture.fb());
  return picture;
}

// Where a world point lands in the picture of `scene`.
inline ProjectedPoint screenOf(Scene& scene, Picture& picture, double x, double y, double z) {
  RenderContext ctx;
  prepareRenderContext(scene.renderer, scene.state, scene.job, scene.view, 1.0f, picture.fb(), ctx);
  const float p[3] = {ctx.frame.map(0, x), ctx.frame.map(1, y), ctx.frame.map(2, z)};
  ProjectedPoint out;
  projectPoint(ctx.view, p, out);
  return out;
}

}  // namespace vx::rendertest
