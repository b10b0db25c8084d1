#include "render/packedbitmap.h"

#include <cstring>

namespace vx {

namespace {

void putLittleEndian(std::uint8_t*& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) *out++ = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::size_t packedRowSize(const FrameBuffer& fb) {
  const std::size_t bytes = static_cast<std::size_t>(fb.pictureWidth()) * fb.bytesPerPixel();
  return (bytes + 3) & ~std::size_t{3};
}

std::size_t packedBitsOffset(const FrameBuffer& fb) {
  return kBitmapHeaderSize + (fb.truecolor() ? 0 : kColorTableSize);
}

std::size_t packedBitmapSize(const FrameBuffer& fb) {
  return packedBitsOffset(fb) + packedRowSize(fb) * static_cast<std::size_t>(fb.pictureHeight());
}

void packBitmap(const FrameBuffer& fb, const std::uint8_t* colorTable, std::uint8_t* out) {
  const std::size_t rowSize = packedRowSize(fb);
  const std::size_t pixelBytes = static_cast<std::size_t>(fb.pictureWidth()) * fb.bytesPerPixel();
  // BITMAPINFOHEADER: size, width, height (bottom-up), planes, bit count,
  // uncompressed, image size, resolution unknown, every colour used.
  putLittleEndian(out, kBitmapHeaderSize, 4);
  putLittleEndian(out, static_cast<std::uint32_t>(fb.pictureWidth()), 4);
  putLittleEndian(out, static_cast<std::uint32_t>(fb.pictureHeight()), 4);
  putLittleEndian(out, 1, 2);
  putLittleEndian(out, static_cast<std::uint32_t>(fb.format), 2);
  putLittleEndian(out, 0, 4);
  putLittleEndian(out, static_cast<std::uint32_t>(rowSize * fb.pictureHeight()), 4);
  putLittleEndian(out, 0, 4);
  putLittleEndian(out, 0, 4);
  putLittleEndian(out, fb.truecolor() ? 0 : 256, 4);
  putLittleEndian(out, 0, 4);
  if (!fb.truecolor()) {
    std::memcpy(out, colorTable, kColorTableSize);
    out += kColorTableSize;
  }
  for (std::int32_t y = fb.picture.bottom; y >= fb.picture.top; --y) {
    std::memcpy(out, fb.rows[y] + static_cast<std::size_t>(fb.picture.left) * fb.bytesPerPixel(), pixelBytes);
    std::memset(out + pixelBytes, 0, rowSize - pixelBytes);
    out += rowSize;
  }
}

}  // namespace vx
