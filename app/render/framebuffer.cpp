#include "render/framebuffer.h"

#include <algorithm>
#include <cstring>

namespace vx {

void initFrameBuffer(FrameBuffer& fb, PixelFormat format, void* pixels, std::int32_t width,
                     std::int32_t height, std::ptrdiff_t stride, std::uint8_t** rowTable) {
  fb.format = format;
  fb.width = std::max<std::int32_t>(width, 0);
  fb.height = std::max<std::int32_t>(height, 0);
  fb.base = static_cast<std::uint8_t*>(pixels);
  fb.stride = stride;
  for (std::int32_t y = 0; y < fb.height; ++y) rowTable[y] = fb.base + stride * y;
  fb.rows = rowTable;
  setPictureSize(fb, fb.width - 1, fb.height - 1);
}

void setPictureSize(FrameBuffer& fb, std::int32_t lastColumn, std::int32_t lastRow) {
  fb.picture.left = 0;
  fb.picture.top = 0;
  fb.picture.right = std::clamp<std::int32_t>(lastColumn, -1, fb.width - 1);
  fb.picture.bottom = std::clamp<std::int32_t>(lastRow, -1, fb.height - 1);
}

void clearPicture(FrameBuffer& fb, PixelColor color) {
  const PictureRect& r = fb.picture;
  if (r.right < r.left || r.bottom < r.top) return;
  const std::size_t count = static_cast<std::size_t>(r.right - r.left + 1);
  for (std::int32_t y = r.top; y <= r.bottom; ++y) {
    if (fb.truecolor()) {
      auto* p = reinterpret_cast<std::uint32_t*>(fb.rows[y]) + r.left;
      std::fill(p, p + count, color);
    } else {
      std::memset(fb.rows[y] + r.left, static_cast<int>(color & 0xFF), count);
    }
  }
}

OwnedFrameBuffer::OwnedFrameBuffer(PixelFormat format, std::int32_t width, std::int32_t height) {
  width = std::max<std::int32_t>(width, 0);
  height = std::max<std::int32_t>(height, 0);
  const std::size_t bytesPerRow = (static_cast<std::size_t>(width) * (format == PixelFormat::Rgb32 ? 4 : 1) + 3) & ~std::size_t(3);
  pixels_.assign(bytesPerRow / 4 * static_cast<std::size_t>(height) + 1, 0);
  rows_.assign(static_cast<std::size_t>(height) + 1, nullptr);
  initFrameBuffer(fb_, format, pixels_.data(), width, height, static_cast<std::ptrdiff_t>(bytesPerRow),
                  rows_.data());
}

}  // namespace vx
