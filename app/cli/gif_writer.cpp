#include "cli/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>

namespace vx::cli {

namespace {

int appendBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), std::size_t(count));
  return count;
}

// The application extension that browsers and viewers read as "loop for ever".
bool putLoopForever(GifFileType* gif) {
  static const GifByteType kName[] = "NETSCAPE2.0";
  static const GifByteType kLoopCount[3] = {1, 0, 0};  // sub-block 1: loop count 0, for ever
  return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, kName) == GIF_OK && EGifPutExtensionBlock(gif, 3, kLoopCount) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool putFrameDelay(GifFileType* gif, int delayHundredths) {
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_DO_NOT;
  control.UserInputFlag = false;
  control.DelayTime = delayHundredths;
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType bytes[4];
  const std::size_t size = EGifGCBToExtension(&control, bytes);
  return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(size), bytes) == GIF_OK;
}

}  // namespace

int gifDelayHundredths(double fps) {
  return static_cast<int>(std::clamp(std::lround(100 / fps), 1L, 65535L));
}

GifEncoder::GifEncoder(int frames, int delayHundredths) : frames_(frames), delay_(delayHundredths) {}

GifEncoder::~GifEncoder() {
  if (gif_) EGifCloseFile(gif_, nullptr);
}

std::string GifEncoder::failure(const char* what) {
  return std::string(what) + " (" + GifErrorString(gif_ ? gif_->Error : E_GIF_ERR_NOT_ENOUGH_MEM) + ")";
}

std::string GifEncoder::start(const FrameBuffer& fb, const ColorTable& table) {
  int error = 0;
  gif_ = EGifOpen(&out_, appendBytes, &error);
  if (!gif_) return std::string("cannot start the GIF encoder (") + GifErrorString(error) + ")";
  width_ = fb.pictureWidth(), height_ = fb.pictureHeight();
  GifColorType colors[256];
  for (int i = 0; i < 256; ++i) colors[i] = {table.entries[i].red, table.entries[i].green, table.entries[i].blue};
  ColorMapObject* palette = GifMakeMapObject(256, colors);
  if (!palette) return failure("cannot start the GIF encoder");
  // Delays and the loop are GIF89a extensions.
  EGifSetGifVersion(gif_, true);
  const bool described = EGifPutScreenDesc(gif_, width_, height_, 8, 0, palette) == GIF_OK;
  GifFreeMapObject(palette);
  if (!described || (frames_ > 1 && !putLoopForever(gif_))) return failure("GIF encoding failed");
  return std::string();
}

std::string GifEncoder::add(const FrameBuffer& fb, const ColorTable& table) {
  if (fb.truecolor()) return "GIF frames must be 8-bit pictures";
  if (fb.pictureWidth() <= 0 || fb.pictureHeight() <= 0) return "the picture is empty";
  if (added_ == frames_) return "more frames than announced";
  if (added_ == 0) {
    const std::string problem = start(fb, table);
    if (!problem.empty()) return problem;
  } else if (fb.pictureWidth() != width_ || fb.pictureHeight() != height_) {
    return "the frames differ in size";
  }
  if (!putFrameDelay(gif_, delay_) || EGifPutImageDesc(gif_, 0, 0, width_, height_, false, nullptr) != GIF_OK) {
    return failure("GIF encoding failed");
  }
  for (int y = 0; y < height_; ++y) {
    // giflib does not change the line it is given.
    GifPixelType* row = const_cast<GifPixelType*>(fb.rows[fb.picture.top + y] + fb.picture.left);
    if (EGifPutLine(gif_, row, width_) != GIF_OK) return failure("GIF encoding failed");
  }
  ++added_;
  return std::string();
}

std::string GifEncoder::finish(std::string& problem) {
  if (added_ != frames_ || !gif_) {
    problem = "frames are missing";
    return std::string();
  }
  int error = 0;
  const int closed = EGifCloseFile(gif_, &error);
  gif_ = nullptr;
  if (closed != GIF_OK) {
    problem = std::string("GIF encoding failed (") + GifErrorString(error) + ")";
    return std::string();
  }
  return std::move(out_);
}

}  // namespace vx::cli
