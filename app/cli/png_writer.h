#pragma once
// PNG encoding of the picture rectangle of a frame buffer, into memory.
#include <string>

#include "render/colors.h"
#include "render/framebuffer.h"

namespace vx::cli {

// 8-bit buffers become palette PNGs with the colour table as palette, 32-bit
// buffers RGB PNGs. Returns an empty string on success, otherwise the reason.
std::string encodePng(const FrameBuffer& fb, const ColorTable& table, std::string& out);

}  // namespace vx::cli
