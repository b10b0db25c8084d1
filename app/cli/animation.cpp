#include "cli/animation.h"

#include <unistd.h>

#include <cstdio>
#include <new>
#include <strings.h>

#include "cli/cli.h"
#include "cli/gif_writer.h"
#include "cli/png_writer.h"
#include "render/view.h"

namespace vx::cli {

namespace {

// "frame k/N" on standard error while the frames are drawn, when it is a
// terminal; the line is cleared at the end, whatever the outcome.
class FrameProgress {
 public:
  explicit FrameProgress(int frames) : frames_(frames), shown_(::isatty(STDERR_FILENO)) {}
  ~FrameProgress() { clear(); }
  void clear() {
    if (width_ > 0) std::fprintf(stderr, "\r%*s\r", width_, "");
    width_ = 0;
  }
  void show(int frame) {
    if (!shown_) return;
    width_ = std::fprintf(stderr, "\rveltrix render: frame %d/%d", frame, frames_) - 1;
    std::fflush(stderr);
  }

 private:
  int frames_;
  bool shown_;
  int width_ = 0;
};

std::string finishInto(GifEncoder& encoder, std::string& bytes) {
  std::string problem;
  bytes = encoder.finish(problem);
  return problem;
}

std::string finishInto(AnimatedPngEncoder& encoder, std::string& bytes) {
  bytes = encoder.finish();
  return bytes.empty() ? "frames are missing" : std::string();
}

template <class Encoder>
int drawFrames(PosixHost& host, Document& document, const Animation& animation, FrameBuffer& picture,
               Encoder& encoder, const std::string& outputName, std::string& bytes) {
  const float horizontal = document.view.horizontal;
  FrameProgress progress(animation.frames);
  for (int k = 0; k < animation.frames; ++k) {
    progress.show(k + 1);
    host.setClock(frameTime(animation, k), false);
    document.view.horizontal = static_cast<float>(horizontal + frameTurn(animation, k));
    updateEyeVector(document.view);
    const Status status = document.draw(picture);
    if (status == kCancelled || PosixHost::interrupted()) {
      progress.clear();
      std::fputs("veltrix: interrupted\n", stderr);
      return kExitInterrupted;
    }
    const std::string problem =
        failed(status) ? describeStatus(status) : encoder.add(picture, *document.renderer.colorTable);
    if (!problem.empty()) {
      progress.clear();
      return refuse(outputName, problem);
    }
  }
  progress.clear();
  const std::string problem = finishInto(encoder, bytes);
  return problem.empty() ? -1 : refuse(outputName, problem);
}

}  // namespace

bool animationFormatOf(const std::string& path, AnimationFormat& format) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  const char* extension = path.c_str() + dot;
  if (!::strcasecmp(extension, ".gif")) {
    format = AnimationFormat::Gif;
  } else if (!::strcasecmp(extension, ".png")) {
    format = AnimationFormat::Png;
  } else {
    return false;
  }
  return true;
}

double frameTime(const Animation& animation, int k) {
  if (animation.frames < 2) return animation.from;
  return animation.from + (animation.to - animation.from) * k / (animation.frames - 1);
}

double frameTurn(const Animation& animation, int k) { return animation.turn * k / animation.frames; }

int drawAnimation(PosixHost& host, Document& document, const Animation& animation, int width, int height,
                  PixelFormat format, const std::string& outputName, std::string& bytes) {
  try {
    if (animation.format == AnimationFormat::Gif) {
      // The 8-bit picture's palette is the GIF's: no colour is approximated.
      OwnedFrameBuffer picture(PixelFormat::Indexed8, width, height);
      GifEncoder encoder(animation.frames, gifDelayHundredths(animation.fps));
      return drawFrames(host, document, animation, picture.get(), encoder, outputName, bytes);
    }
    OwnedFrameBuffer picture(format, width, height);
    AnimatedPngEncoder encoder(animation.frames, pngFrameDelay(animation.fps));
    return drawFrames(host, document, animation, picture.get(), encoder, outputName, bytes);
  } catch (const std::bad_alloc&) {
    return refuse(outputName, "not enough memory for " + std::to_string(animation.frames) + " frames of " +
                                  std::to_string(width) + "x" + std::to_string(height));
  }
}

}  // namespace vx::cli
