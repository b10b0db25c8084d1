#pragma once
// Animated GIF encoding of 8-bit pictures, into memory.
#include <string>

#include "render/colors.h"
#include "render/framebuffer.h"

struct GifFileType;

namespace vx::cli {

// The delay of one frame at `fps` frames per second, in the GIF's hundredths of
// a second: the nearest hundredth, at least one.
int gifDelayHundredths(double fps);

// A GIF of 8-bit pictures with the colour table as its one palette, so that
// every pixel keeps its palette index. With more than one frame it loops for
// ever; every frame covers the whole picture and replaces the one before.
class GifEncoder {
 public:
  GifEncoder(int frames, int delayHundredths);
  ~GifEncoder();
  GifEncoder(const GifEncoder&) = delete;
  GifEncoder& operator=(const GifEncoder&) = delete;

  // Appends the next frame: an 8-bit buffer with the size of the first.
  // Returns an empty string or the reason of a failure.
  std::string add(const FrameBuffer& fb, const ColorTable& table);
  // After the last frame: the whole file, or an empty string and `problem`.
  std::string finish(std::string& problem);

 private:
  std::string start(const FrameBuffer& fb, const ColorTable& table);
  std::string failure(const char* what);

  int frames_, added_ = 0;
  int delay_;
  int width_ = 0, height_ = 0;
  GifFileType* gif_ = nullptr;
  std::string out_;
};

}  // namespace vx::cli
