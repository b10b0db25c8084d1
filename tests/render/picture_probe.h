#pragma once
// Pictures of rendered scenes for tests that look at pixels: which pixels a
// scene draws on its white background, and where world points land.
#include <cstdint>

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

// FNV-1a over the picture's pixels (palette indices or the three colour bytes).
inline std::uint64_t pictureHash(const FrameBuffer& fb) {
  std::uint64_t h = 14695981039346656037ull;
  for (int y = fb.picture.top; y <= fb.picture.bottom; ++y)
    for (int x = fb.picture.left; x <= fb.picture.right; ++x) {
      const PixelColor c = readPixel(fb, x, y);
      for (int k = 0; k < (fb.truecolor() ? 3 : 1); ++k) h = (h ^ ((c >> (8 * k)) & 0xFF)) * 1099511628211ull;
    }
  return h;
}

// Letters as solid rectangles, each text in a colour of its own in a 32-bit
// picture (text k: 0x100000 * (k + 1) + 0x40), so that a picture tells each
// label's pixels from the lines and from the other labels; in an 8-bit picture
// the colour the renderer asks for.
struct BlockPainter {
  int drawn = 0;
  TextPainter text{this, &BlockPainter::measure, &BlockPainter::draw};

  const TextPainter* painter() { return &text; }
  static PixelColor colorOf(int k) { return 0x100000u * PixelColor(k + 1) + 0x40u; }
  static void measure(void*, const char*, int length, int size, int* w, int* h) {
    *w = length * size * 3 / 5 + 1;
    *h = size + 2;
  }
  static void draw(void* c, FrameBuffer& fb, int left, int top, const char*, int length, int size,
                   PixelColor asked) {
    auto* self = static_cast<BlockPainter*>(c);
    int w = 0, h = 0;
    measure(nullptr, nullptr, length, size, &w, &h);
    const PixelColor color = colorOf(self->drawn++);
    for (int y = top; y < top + h; ++y)
      for (int x = left; x < left + w; ++x) {
        if (x < fb.picture.left || y < fb.picture.top || x > fb.picture.right || y > fb.picture.bottom) continue;
        if (fb.truecolor()) {
          reinterpret_cast<std::uint32_t*>(fb.rows[y])[x] = color;
        } else {
          fb.rows[y][x] = static_cast<std::uint8_t>(asked);
        }
      }
  }
};

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
