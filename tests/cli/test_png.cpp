// PNG encoding of frame buffers: what a viewer decodes is exactly the picture.
#include <png.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/memory.h"
#include "cli/png_writer.h"
#include "lang/lang.h"
#include "render/render.h"

namespace {

using namespace vx;

// Decodes to 8-bit RGB; empty when the bytes are not a readable PNG.
std::vector<png_byte> decodeRgb(const std::string& bytes, unsigned& width, unsigned& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  width = image.width, height = image.height;
  return pixels;
}

// The opening graph with its flat areas, edges and hue ramps, in both pixel
// formats, inside a larger buffer so that the picture rectangle is a part of
// it, and with a band of noise that no filter predicts.
TEST(Png, DecodesToThePixelsDrawn) {
  for (PixelFormat format : {PixelFormat::Rgb32, PixelFormat::Indexed8}) {
    Allocator allocator;
    LangState state{allocator};
    RenderJob job;
    Renderer renderer{allocator};
    ViewRecord view;
    LineList lines = LineList::fromText(kOpeningGraphText);
    executeGraphText(state, lines);
    ASSERT_EQ(buildRenderJob(state, job), kOk);
    applyViewPreset(view, job.viewPreset());
    OwnedFrameBuffer buffer(format, 400, 300);
    FrameBuffer& fb = buffer.get();
    setPictureSize(fb, 320 - 1, 240 - 1);
    ASSERT_EQ(renderPicture(renderer, state, job, view, 1, fb), kOk);
    unsigned seed = 12345;
    for (int x = 0; x < fb.pictureWidth(); ++x) {
      seed = seed * 1103515245u + 12345u;
      fb.rows[7][x * fb.bytesPerPixel()] = static_cast<std::uint8_t>(seed >> 16);
    }

    std::string png;
    ASSERT_EQ(cli::encodePng(fb, *renderer.colorTable, png), "");
    unsigned width = 0, height = 0;
    const std::vector<png_byte> pixels = decodeRgb(png, width, height);
    ASSERT_EQ(width, 320u);
    ASSERT_EQ(height, 240u);
    int wrong = 0;
    for (int y = 0; y < 240; ++y) {
      for (int x = 0; x < 320; ++x) {
        const PixelColor drawn = readPixel(fb, x, y);
        const PixelColor want = fb.truecolor() ? drawn : packedColor(*renderer.colorTable, int(drawn));
        const png_byte* got = &pixels[(std::size_t(y) * 320 + x) * 3];
        wrong += PixelColor(got[0] << 16 | got[1] << 8 | got[2]) != want;
      }
    }
    EXPECT_EQ(wrong, 0) << int(format);
  }
}

}  // namespace
