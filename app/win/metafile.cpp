// The clipboard's metafile picture.
#include "win/metafile.h"

#include "win/sys.h"

namespace vx {

namespace {

// The metafile's window is the bitmap's pixels; the palette is selected as a
// background palette and realised, so that it is recorded with the picture.
Status recordBitmap(HDC metafile, const PackedBitmap& packed, HPALETTE palette) {
  void* block = nullptr;
  Status status = sys::globalLock(packed.memory, block);
  if (failed(status)) return status;
  status = sys::setWindowOrgEx(metafile, 0, 0);
  if (!failed(status)) status = sys::setWindowExtEx(metafile, packed.width, packed.height);
  if (!failed(status) && palette) {
    HPALETTE previous = nullptr;
    UINT mapped = 0;
    status = sys::selectPalette(metafile, palette, true, previous);
    if (!failed(status)) sys::realizePalette(metafile, mapped);  // a metafile has no colours to map
  }
  if (!failed(status)) {
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    status = sys::stretchDiBits(metafile, 0, 0, packed.width, packed.height, 0, 0, packed.width, packed.height,
                                bytes + packed.bitsOffset, *reinterpret_cast<const BITMAPINFO*>(bytes),
                                DIB_RGB_COLORS, SRCCOPY);
  }
  sys::globalUnlock(packed.memory);
  return status;
}

Status recordMetafile(const PackedBitmap& packed, HPALETTE palette, HMETAFILE& metafile) {
  HDC dc = nullptr;
  Status status = sys::createMetaFile(dc);
  if (failed(status)) return status;
  status = recordBitmap(dc, packed, palette);
  HMETAFILE made = nullptr;
  const Status closed = sys::closeMetaFile(dc, made);
  if (failed(status)) {
    if (!failed(closed)) sys::deleteMetaFile(made);
    return status;
  }
  if (failed(closed)) return closed;
  metafile = made;
  return kOk;
}

// The pixels' size in hundredths of a millimetre on the reference device: in
// MM_HIMETRIC y grows upwards, so the height comes out negative.
Status physicalSize(HDC dc, std::int32_t width, std::int32_t height, SIZE& size) {
  POINT corner = {width, height};
  Status status = sys::setMapMode(dc, MM_HIMETRIC);
  if (failed(status)) return status;
  status = sys::dpToLp(dc, &corner, 1);
  sys::setMapMode(dc, MM_TEXT);
  if (failed(status)) return status;
  size = {corner.x, -corner.y};
  return kOk;
}

Status wrapMetafile(HMETAFILE metafile, SIZE size, HGLOBAL& picture) {
  HGLOBAL memory = nullptr;
  Status status = sys::globalAlloc(kClipboardMemory, sizeof(METAFILEPICT), memory);
  if (failed(status)) return status;
  void* block = nullptr;
  status = sys::globalLock(memory, block);
  if (failed(status)) {
    sys::globalFree(memory);
    return status;
  }
  auto* header = static_cast<METAFILEPICT*>(block);
  header->mm = MM_ANISOTROPIC;
  header->xExt = size.cx;
  header->yExt = size.cy;
  header->hMF = metafile;
  sys::globalUnlock(memory);
  picture = memory;
  return kOk;
}

}  // namespace

Status makeMetafilePicture(const PackedBitmap& packed, HPALETTE palette, HDC referenceDC, HGLOBAL& picture) {
  HMETAFILE metafile = nullptr;
  Status status = recordMetafile(packed, palette, metafile);
  sys::globalFree(packed.memory);  // the metafile holds its own copy of the bits
  if (failed(status)) return status;
  SIZE size = {};
  status = physicalSize(referenceDC, packed.width, packed.height, size);
  if (!failed(status)) status = wrapMetafile(metafile, size, picture);
  if (failed(status)) sys::deleteMetaFile(metafile);
  return status;
}

void freeMetafilePicture(HGLOBAL picture) {
  void* block = nullptr;
  if (!failed(sys::globalLock(picture, block))) {
    sys::deleteMetaFile(static_cast<METAFILEPICT*>(block)->hMF);
    sys::globalUnlock(picture);
  }
  sys::globalFree(picture);
}

}  // namespace vx
