#pragma once
// The off-screen picture the renderer draws into: 8-bit palette indices or
// 32-bit pixels (bytes blue, green, red, reserved), over memory that the caller
// owns (a device-independent bitmap section in the program, a plain buffer in
// the command-line tool and the tests). Rows are reached through a table of row
// start addresses; the picture is the top-left part of the buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

// A colour as the frame buffer stores it: a palette index (0..255) in the
// 8-bit form, 0x00RRGGBB in the 32-bit form.
using PixelColor = std::uint32_t;

enum class PixelFormat : std::uint8_t { Indexed8 = 8, Rgb32 = 32 };

// The picture rectangle, inclusive on all sides.
struct PictureRect {
  std::int32_t left = 0, top = 0, right = -1, bottom = -1;
};

struct FrameBuffer {
  PixelFormat format = PixelFormat::Rgb32;
  std::int32_t width = 0, height = 0;
  std::uint8_t* base = nullptr;        // row 0
  std::ptrdiff_t stride = 0;           // signed distance from one row to the next, in bytes
  std::uint8_t* const* rows = nullptr;  // start of every row (`height` entries)
  PictureRect picture;

  bool truecolor() const { return format == PixelFormat::Rgb32; }
  int bytesPerPixel() const { return format == PixelFormat::Rgb32 ? 4 : 1; }
  std::int32_t pictureWidth() const { return picture.right - picture.left + 1; }
  std::int32_t pictureHeight() const { return picture.bottom - picture.top + 1; }
};

// Sets up `fb` over `pixels`, filling the caller's row table (`height` entries).
// The picture starts as the whole buffer.
void initFrameBuffer(FrameBuffer& fb, PixelFormat format, void* pixels, std::int32_t width,
                     std::int32_t height, std::ptrdiff_t stride, std::uint8_t** rowTable);

// Makes the picture the top-left (lastColumn + 1) x (lastRow + 1) pixels,
// limited to the buffer.
void setPictureSize(FrameBuffer& fb, std::int32_t lastColumn, std::int32_t lastRow);

// Fills the picture rectangle with one colour.
void clearPicture(FrameBuffer& fb, PixelColor color);

inline PixelColor readPixel(const FrameBuffer& fb, int x, int y) {
  const std::uint8_t* row = fb.rows[y];
  if (fb.truecolor()) return reinterpret_cast<const std::uint32_t*>(row)[x] & 0x00FFFFFFu;
  return row[x];
}

// A frame buffer with its own memory, for the command-line tool, tests and benchmarks.
class OwnedFrameBuffer {
 public:
  OwnedFrameBuffer(PixelFormat format, std::int32_t width, std::int32_t height);
  FrameBuffer& get() { return fb_; }
  const FrameBuffer& get() const { return fb_; }

 private:
  std::vector<std::uint32_t> pixels_;
  std::vector<std::uint8_t*> rows_;
  FrameBuffer fb_;
};

}  // namespace vx
