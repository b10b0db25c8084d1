#pragma once
// The picture as a packed device-independent bitmap, the form the clipboard
// carries: a 40-byte header, for the 8-bit picture its 256-entry colour table,
// then the rows from the bottom of the picture up (the header's height is
// positive), each 8-bit row padded with zero bytes to a multiple of 4. Only the
// picture rectangle is packed, not the whole frame buffer.
#include <cstddef>
#include <cstdint>

#include "render/framebuffer.h"

namespace vx {

inline constexpr std::size_t kBitmapHeaderSize = 40;
inline constexpr std::size_t kColorTableSize = 256 * 4;  // blue, green, red, reserved

// Bytes from one packed row to the next.
std::size_t packedRowSize(const FrameBuffer& fb);
// Header, colour table (8-bit only) and rows.
std::size_t packedBitmapSize(const FrameBuffer& fb);
// Where the pixels start within the packed bitmap.
std::size_t packedBitsOffset(const FrameBuffer& fb);

// Writes packedBitmapSize(fb) bytes to `out`. `colorTable` (kColorTableSize
// bytes) is the 8-bit picture's table, the palette the program shows it with;
// it is not read for a 32-bit picture.
void packBitmap(const FrameBuffer& fb, const std::uint8_t* colorTable, std::uint8_t* out);

}  // namespace vx
