// Letters for the box labels, drawn by GDI. Each label is written white on
// black into a small scratch bitmap with grey antialiasing; its coverage is then
// blended into the picture exactly as the command-line tool blends FreeType's,
// so that the two pictures differ only in the letters' own shapes.
#include <algorithm>
#include <cstring>

#include "shell/shell.h"
#include "win/sys.h"

namespace vx {

namespace {

Status selectLabelFont(LabelLetters& letters, int pixelSize) {
  if (letters.font && letters.pixelSize == pixelSize) return kOk;
  LOGFONTW logical = programFont(-std::clamp(pixelSize, 1, kLabelScratchHeight));  // negative: the em height
  HFONT font = nullptr;
  Status status = sys::createFontIndirect(logical, "Arial", font);
  if (failed(status)) return status;
  HGDIOBJ previous = nullptr;
  status = sys::selectObject(letters.dc, font, previous);
  if (failed(status)) {
    sys::deleteObject(font);
    return status;
  }
  if (letters.font) sys::deleteObject(letters.font);
  letters.font = font;
  letters.pixelSize = pixelSize;
  return kOk;
}

Status measureLabel(LabelLetters& letters, std::string_view text, int pixelSize, SIZE& size) {
  Status status = selectLabelFont(letters, pixelSize);
  if (failed(status)) return status;
  TEXTMETRICW metrics;
  status = sys::getTextMetrics(letters.dc, metrics);
  if (failed(status)) return status;
  status = sys::getTextExtentPoint32(letters.dc, text, size);
  size.cy = metrics.tmAscent + metrics.tmDescent;
  return status;
}

void measure(void* context, const char* text, int length, int pixelSize, int* width, int* height) {
  auto& letters = *static_cast<LabelLetters*>(context);
  *width = *height = 0;
  SIZE size;
  if (failed(measureLabel(letters, std::string_view(text, length), pixelSize, size))) return;
  *width = size.cx;
  *height = size.cy;
}

// One pixel of coverage `a` (0..255) in `color`: blended in 32-bit, set where
// the letter covers at least half of it in 8-bit.
void blend(FrameBuffer& fb, int x, int y, unsigned a, PixelColor color) {
  if (!fb.truecolor()) {
    if (a >= 128) fb.rows[y][x] = static_cast<std::uint8_t>(color);
    return;
  }
  std::uint8_t* p = fb.rows[y] + 4 * x;
  const unsigned channel[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
  for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>((channel[k] * a + p[k] * (255 - a) + 127) / 255);
}

void draw(void* context, FrameBuffer& fb, int left, int top, const char* text, int length, int pixelSize,
          PixelColor color) {
  auto& letters = *static_cast<LabelLetters*>(context);
  const std::string_view label(text, length);
  SIZE size;
  if (failed(measureLabel(letters, label, pixelSize, size))) return;
  const RECT area = {0, 0, std::min<LONG>(size.cx, kLabelScratchWidth), std::min<LONG>(size.cy, kLabelScratchHeight)};
  if (failed(sys::extTextOut(letters.dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &area, label)) || failed(sys::gdiFlush()))
    return;
  const PictureRect& r = fb.picture;
  for (int row = 0; row < area.bottom; ++row) {
    const int y = top + row;
    if (y < r.top || y > r.bottom) continue;
    const std::uint32_t* source = letters.bits + static_cast<std::ptrdiff_t>(row) * kLabelScratchWidth;
    for (int column = 0; column < area.right; ++column) {
      const int x = left + column;
      const unsigned coverage = (source[column] >> 8) & 0xFF;  // grey: every channel alike
      if (coverage != 0 && x >= r.left && x <= r.right) blend(fb, x, y, coverage, color);
    }
  }
}

}  // namespace

Status setUpLabelLetters(ProgramState& program) {
  LabelLetters& letters = program.letters;
  if (!program.windowDC) return kSystemCallFailed;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kLabelScratchWidth;
  info.bmiHeader.biHeight = -kLabelScratchHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Status status = sys::createDibSection(program.windowDC, info, DIB_RGB_COLORS, bits, letters.bitmap);
  if (failed(status)) return status;
  letters.bits = static_cast<std::uint32_t*>(bits);
  if (failed(status = sys::createCompatibleDC(program.windowDC, letters.dc))) return status;
  HGDIOBJ previous = nullptr;
  COLORREF previousColor = 0;
  if (failed(status = sys::selectObject(letters.dc, letters.bitmap, previous)) ||
      failed(status = sys::setBkColor(letters.dc, RGB(0, 0, 0), previousColor)) ||
      failed(status = sys::setTextColor(letters.dc, RGB(255, 255, 255), previousColor)))
    return status;
  letters.painter.context = &letters;
  letters.painter.measure = measure;
  letters.painter.draw = draw;
  program.document.renderer.text = &letters.painter;
  return kOk;
}

}  // namespace vx
