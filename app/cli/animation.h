#pragma once
// Animations for `veltrix render`: the same picture drawn frame after frame
// with `time` moving and the view turning, encoded as an animated GIF or PNG.
#include <string>

#include "cli/posix_host.h"
#include "core/document.h"

namespace vx::cli {

enum class AnimationFormat { Gif, Png };

inline constexpr int kMaxFrames = 1000;
inline constexpr double kMinFps = 0.01, kMaxFps = 100, kDefaultFps = 20;

struct Animation {
  AnimationFormat format = AnimationFormat::Png;
  int frames = 1;
  double from = 0, to = 0;  // `time` of the first and the last frame
  double turn = 0;          // radians about the vertical axis over the whole loop
  double fps = kDefaultFps;
};

// The format an output name asks for by its extension (.gif or .png, in any
// case); false for any other name.
bool animationFormatOf(const std::string& path, AnimationFormat& format);

// The value of `time` in frame k: the first frame shows `from`, the last `to`.
double frameTime(const Animation& animation, int k);
// The turn of frame k: equal steps of turn / frames, so that the frame after
// the last, which the loop shows next, is the first frame turned by `turn`.
double frameTurn(const Animation& animation, int k);

// Draws every frame of `document` at width x height (8-bit for GIF, `format`
// for PNG) and encodes them into `bytes`. On failure prints one line naming
// `outputName` and returns the exit status, otherwise -1.
int drawAnimation(PosixHost& host, Document& document, const Animation& animation, int width, int height,
                  PixelFormat format, const std::string& outputName, std::string& bytes);

}  // namespace vx::cli
