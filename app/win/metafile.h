#pragma once
// The picture as the clipboard carries it to other programs: a packed
// device-independent bitmap drawn into a memory metafile, wrapped in a metafile
// picture that gives its physical size, so that word processors keep the
// picture's size and, on a palette display, its colours.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/status.h"

namespace vx {

// Movable shareable global memory, as the clipboard wants it.
inline constexpr UINT kClipboardMemory = GMEM_MOVEABLE | GMEM_DDESHARE;

// A packed bitmap in global memory: the 40-byte header (with its colour table
// for 8 bits), then the rows from `bitsOffset`.
struct PackedBitmap {
  HGLOBAL memory = nullptr;
  std::int32_t width = 0, height = 0;
  std::size_t bitsOffset = 0;
};

// Records one StretchDIBits of the whole bitmap into a memory metafile whose
// window is the bitmap's pixels, with `palette` (may be null) as its
// background palette, and returns the METAFILEPICT in kClipboardMemory: mapping
// mode MM_ANISOTROPIC and the size in hundredths of a millimetre that
// `referenceDC` (left in MM_TEXT) gives the pixels. `packed.memory` is freed in
// every case.
Status makeMetafilePicture(const PackedBitmap& packed, HPALETTE palette, HDC referenceDC, HGLOBAL& picture);

// Frees a METAFILEPICT made above and its metafile (when the clipboard refused it).
void freeMetafilePicture(HGLOBAL picture);

}  // namespace vx
