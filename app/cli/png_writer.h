#pragma once
// PNG encoding of the picture rectangle of a frame buffer, into memory: single
// pictures and animated PNGs.
#include <cstdint>
#include <memory>
#include <string>

#include "render/colors.h"
#include "render/framebuffer.h"

struct libdeflate_compressor;

namespace vx::cli {

// 8-bit buffers become palette PNGs with the colour table as palette, 32-bit
// buffers RGB PNGs. Returns an empty string on success, otherwise the reason.
std::string encodePng(const FrameBuffer& fb, const ColorTable& table, std::string& out);

// How long each frame of an animated PNG shows: numerator / denominator seconds.
struct PngFrameDelay {
  std::uint16_t numerator = 1, denominator = 20;
};

// The delay of one frame at `fps` frames per second: exact when the rate is a
// fraction with a small denominator (20, 7.5, 0.25), otherwise the nearest
// millisecond (hundredth for frames longer than a minute).
PngFrameDelay pngFrameDelay(double fps);

// An animated PNG that loops for ever. Viewers without animation show the
// first frame, which is stored as the ordinary image. Every frame covers the
// whole picture and replaces the one before.
class AnimatedPngEncoder {
 public:
  // `frames` frames will be added, each shown for `delay`.
  AnimatedPngEncoder(int frames, PngFrameDelay delay);
  ~AnimatedPngEncoder();

  // Appends the next frame; every frame must have the size and the pixel
  // format of the first. Returns an empty string or the reason of a failure.
  std::string add(const FrameBuffer& fb, const ColorTable& table);
  // After the last frame: the whole file. Empty when frames are missing.
  std::string finish();

 private:
  int frames_, added_ = 0;
  PngFrameDelay delay_;
  std::uint32_t sequence_ = 0;
  std::int32_t width_ = 0, height_ = 0;
  bool truecolor_ = false;
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor_;
  std::string out_;
};

}  // namespace vx::cli
