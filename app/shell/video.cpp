// The program palette and the frame buffer. The picture is drawn into a
// device-independent bitmap section as large as the display, so that every
// window size fits without making it again: 8-bit palette indices on displays of
// 256 colours or fewer, 32-bit pixels on all others.
#include <cstddef>

#include "render/colors.h"
#include "shell/shell.h"
#include "win/sys.h"

namespace vx {

namespace {

constexpr int kPaletteSize = 256;

struct Palette256 {
  WORD version = 0x300;
  WORD count = kPaletteSize;
  PALETTEENTRY entries[kPaletteSize] = {};
  const LOGPALETTE& get() const { return *reinterpret_cast<const LOGPALETTE*>(this); }
};
static_assert(offsetof(Palette256, entries) == offsetof(LOGPALETTE, palPalEntry));

struct BitmapInfo256 {
  BITMAPINFOHEADER header = {};
  RGBQUAD colors[kPaletteSize] = {};
  const BITMAPINFO& get() const { return *reinterpret_cast<const BITMAPINFO*>(this); }
};

// Selects `palette` into `dc`, realises it and selects the previous one back.
Status realiseOnce(HDC dc, HPALETTE palette) {
  HPALETTE previous = nullptr;
  Status status = sys::selectPalette(dc, palette, false, previous);
  if (failed(status)) return status;
  UINT mapped = 0;
  status = sys::realizePalette(dc, mapped);
  sys::selectPalette(dc, previous, false, previous);
  return status;
}

// An all-black palette realised once pushes other programs' colours out of
// the system palette, so that ours get the free entries.
void clearSystemPalette(HDC dc) {
  Palette256 black;
  for (PALETTEENTRY& entry : black.entries) entry.peFlags = PC_NOCOLLAPSE;
  HPALETTE palette = nullptr;
  if (failed(sys::createPalette(black.get(), palette))) return;
  realiseOnce(dc, palette);
  sys::deleteObject(palette);
}

// The system's reserved colours at 0..9 and 246..255, the colour table in between.
void programColors(HDC dc, PALETTEENTRY (&entries)[kPaletteSize]) {
  const ColorTable& table = standardColorTable();
  UINT copied = 0;
  if (failed(sys::getSystemPaletteEntries(dc, 0, kPaletteSize, entries, copied)) || copied != kPaletteSize) {
    for (int i = 0; i < kPaletteSize; ++i) entries[i] = {table.entries[i].red, table.entries[i].green, table.entries[i].blue, 0};
  }
  for (int i = kPaletteFirst; i <= kPaletteLast; ++i) {
    entries[i] = {table.entries[i].red, table.entries[i].green, table.entries[i].blue, PC_NOCOLLAPSE};
  }
}

PixelFormat displayFormat(HDC dc) {
  const int bits = sys::getDeviceCaps(dc, BITSPIXEL) * sys::getDeviceCaps(dc, PLANES);
  return bits <= 8 ? PixelFormat::Indexed8 : PixelFormat::Rgb32;
}

BitmapInfo256 frameBitmapInfo(HDC dc, PixelFormat format, std::int32_t width, std::int32_t height) {
  BitmapInfo256 info;
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = -height;  // rows run top-down
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(format);
  info.header.biCompression = BI_RGB;
  if (format == PixelFormat::Indexed8) {
    PALETTEENTRY entries[kPaletteSize];
    programColors(dc, entries);
    for (int i = 0; i < kPaletteSize; ++i) info.colors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    info.header.biClrUsed = kPaletteSize;
  }
  return info;
}

}  // namespace

Status setUpPalette(ProgramState& program) {
  HDC dc = program.windowDC;
  if (!dc) return kSystemCallFailed;
  clearSystemPalette(dc);
  Palette256 colors;
  programColors(dc, colors.entries);
  HPALETTE palette = nullptr;
  const Status status = sys::createPalette(colors.get(), palette);
  if (failed(status)) return status;
  program.palette = palette;
  return realiseOnce(dc, palette);
}

Status realisePalette(ProgramState& program, bool& changed) {
  changed = false;
  if (!program.windowDC || !program.palette) return kSystemCallFailed;
  HPALETTE previous = nullptr;
  Status status = sys::selectPalette(program.windowDC, program.palette, false, previous);
  if (failed(status)) return status;
  UINT mapped = 0;
  status = sys::realizePalette(program.windowDC, mapped);
  if (failed(status)) return status;
  changed = mapped > 0;
  return kOk;
}

Status setUpVideoMode(ProgramState& program) {
  HDC dc = program.windowDC;
  if (!dc) return kSystemCallFailed;
  const PixelFormat format = displayFormat(dc);
  const std::int32_t width = sys::getDeviceCaps(dc, HORZRES);
  const std::int32_t height = sys::getDeviceCaps(dc, VERTRES);
  if (width <= 0 || height <= 0) return kSystemCallFailed;
  const BitmapInfo256 info = frameBitmapInfo(dc, format, width, height);
  void* bits = nullptr;
  HBITMAP bitmap = nullptr;
  Status status = sys::createDibSection(dc, info.get(), DIB_RGB_COLORS, bits, bitmap);
  if (failed(status)) return status;
  HDC memory = nullptr;
  status = sys::createCompatibleDC(dc, memory);
  if (failed(status)) return status;
  HGDIOBJ previous = nullptr;
  status = sys::selectObject(memory, bitmap, previous);
  if (failed(status)) return status;

  auto** rows = static_cast<std::uint8_t**>(program.allocator.Allocate(sizeof(std::uint8_t*) * height));
  const std::ptrdiff_t stride = ((static_cast<std::ptrdiff_t>(width) * static_cast<int>(format) + 31) / 32) * 4;
  initFrameBuffer(program.frame, format, bits, width, height, stride, rows);
  setPictureSize(program.frame, program.lastColumn, program.lastRow);
  program.frameBitmap = bitmap;
  program.frameDC = memory;
  program.videoBits = static_cast<std::uint32_t>(format);
  // Box labels are sized from the display's horizontal pixels per inch.
  program.document.renderer.pixelsPerInch = sys::getDeviceCaps(dc, LOGPIXELSX);
  return kOk;
}

}  // namespace vx
