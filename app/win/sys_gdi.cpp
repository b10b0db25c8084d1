// Device context, font, text, bitmap, palette and mapping-mode wrappers.
#include "win/sys_gdi.h"

#include <algorithm>

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

template <typename T>
Status answer(T result, T& out, Status own) {
  if (!result) return failure(own);
  out = result;
  return kOk;
}

// The GDI answers that are counts or lengths: zero is the failure, and for some
// GDI_ERROR too.
Status counted(int result, Status own) { return check(result != 0 && result != static_cast<int>(GDI_ERROR), own); }

}  // namespace

Status getDC(HWND window, HDC& dc) { return answer(GetDC(window), dc, kGetDCFailed); }
Status releaseDC(HWND window, HDC dc) { return check(ReleaseDC(window, dc) == 1, kReleaseDCFailed); }

Status beginPaint(HWND window, PAINTSTRUCT& paint, HDC& dc) {
  return answer(BeginPaint(window, &paint), dc, kBeginPaintFailed);
}
void endPaint(HWND window, const PAINTSTRUCT& paint) { EndPaint(window, &paint); }

int getDeviceCaps(HDC dc, int index) { return GetDeviceCaps(dc, index); }

Status createFontIndirect(LOGFONTW font, std::string_view face, HFONT& result) {
  const std::u16string wideFace = wide(face);
  // The face name is cut to what the record holds, never past it.
  const std::size_t units = std::min<std::size_t>(wideFace.size(), LF_FACESIZE - 1);
  std::copy_n(w(wideFace), units, font.lfFaceName);
  font.lfFaceName[units] = L'\0';
  return answer(CreateFontIndirectW(&font), result, kCreateFontIndirectFailed);
}

Status selectObject(HDC dc, HGDIOBJ object, HGDIOBJ& previous) {
  HGDIOBJ result = SelectObject(dc, object);
  if (!result || result == HGDI_ERROR) return failure(kSelectObjectFailed);
  previous = result;
  return kOk;
}

Status deleteObject(HGDIOBJ object) { return check(DeleteObject(object), kDeleteObjectFailed); }
Status createCompatibleDC(HDC dc, HDC& memory) {
  return answer(CreateCompatibleDC(dc), memory, kCreateCompatibleDCFailed);
}
Status deleteDC(HDC dc) { return check(DeleteDC(dc), kDeleteDCFailed); }

Status setBkColor(HDC dc, COLORREF color, COLORREF& previous) {
  const COLORREF result = SetBkColor(dc, color);
  if (result == CLR_INVALID) return failure(kSetBkColorFailed);
  previous = result;
  return kOk;
}

Status setBkMode(HDC dc, int mode) { return check(SetBkMode(dc, mode) != 0, kSetBkModeFailed); }

Status setTextColor(HDC dc, COLORREF color, COLORREF& previous) {
  const COLORREF result = SetTextColor(dc, color);
  if (result == CLR_INVALID) return failure(kSetTextColorFailed);
  previous = result;
  return kOk;
}

Status setTextAlign(HDC dc, UINT align) { return check(SetTextAlign(dc, align) != GDI_ERROR, kSetTextAlignFailed); }
COLORREF getSysColor(int index) { return GetSysColor(index); }
Status getSysColorBrush(int index, HBRUSH& brush) {
  return answer(GetSysColorBrush(index), brush, kGetSysColorBrushFailed);
}
Status fillRect(HDC dc, const RECT& rect, HBRUSH brush) {
  return check(FillRect(dc, &rect, brush) != 0, kFillRectFailed);
}

Status extTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, std::string_view text) {
  const std::u16string wideText = wide(text);
  return check(ExtTextOutW(dc, x, y, options, rect, w(wideText), static_cast<UINT>(wideText.size()), nullptr),
               kExtTextOutFailed);
}

Status getTextExtentPoint32(HDC dc, std::string_view text, SIZE& size) {
  const std::u16string wideText = wide(text);
  return check(GetTextExtentPoint32W(dc, w(wideText), static_cast<int>(wideText.size()), &size),
               kGetTextExtentPoint32Failed);
}

Status getTextMetrics(HDC dc, TEXTMETRICW& metrics) {
  return check(GetTextMetricsW(dc, &metrics), kGetTextMetricsFailed);
}

Status drawText(HDC dc, std::string_view text, RECT& rect, UINT format, int& height) {
  std::u16string wideText = wide(text);
  const int result = DrawTextW(dc, w(wideText), static_cast<int>(wideText.size()), &rect, format);
  if (result == 0) return failure(kDrawTextFailed);
  height = result;
  return kOk;
}

Status gdiSetBatchLimit(DWORD limit, DWORD& previous) {
  return answer(GdiSetBatchLimit(limit), previous, kGdiSetBatchLimitFailed);
}
Status gdiFlush() { return check(GdiFlush(), kGdiFlushFailed); }

Status createDibSection(HDC dc, const BITMAPINFO& info, UINT usage, void*& bits, HBITMAP& bitmap) {
  void* pixels = nullptr;
  HBITMAP result = CreateDIBSection(dc, &info, usage, &pixels, nullptr, 0);
  if (!result || !pixels) {
    const Status status = failure(kCreateDIBSectionFailed);
    if (result) DeleteObject(result);
    return status;
  }
  bits = pixels;
  bitmap = result;
  return kOk;
}

Status setDibColorTable(HDC dc, UINT first, UINT count, const RGBQUAD* colors) {
  return check(SetDIBColorTable(dc, first, count, colors) != 0, kSetDIBColorTableFailed);
}

Status bitBlt(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY, DWORD rop) {
  return check(BitBlt(to, x, y, width, height, from, fromX, fromY, rop), kBitBltFailed);
}

Status stretchDiBits(HDC dc, int x, int y, int width, int height, int fromX, int fromY, int fromWidth,
                     int fromHeight, const void* bits, const BITMAPINFO& info, UINT usage, DWORD rop) {
  return counted(StretchDIBits(dc, x, y, width, height, fromX, fromY, fromWidth, fromHeight, bits, &info, usage, rop),
                 kStretchDIBitsFailed);
}

Status setMapMode(HDC dc, int mode) { return check(SetMapMode(dc, mode) != 0, kSetMapModeFailed); }
Status dpToLp(HDC dc, POINT* points, int count) { return check(DPtoLP(dc, points, count), kDPtoLPFailed); }
Status setWindowOrgEx(HDC dc, int x, int y) { return check(SetWindowOrgEx(dc, x, y, nullptr), kSetWindowOrgExFailed); }
Status setWindowExtEx(HDC dc, int x, int y) { return check(SetWindowExtEx(dc, x, y, nullptr), kSetWindowExtExFailed); }

Status createPalette(const LOGPALETTE& palette, HPALETTE& result) {
  return answer(CreatePalette(&palette), result, kCreatePaletteFailed);
}

Status selectPalette(HDC dc, HPALETTE palette, bool background, HPALETTE& previous) {
  return answer(SelectPalette(dc, palette, background), previous, kSelectPaletteFailed);
}

Status realizePalette(HDC dc, UINT& mapped) {
  const UINT result = RealizePalette(dc);
  if (result == GDI_ERROR) return failure(kRealizePaletteFailed);
  mapped = result;
  return kOk;
}

Status getSystemPaletteEntries(HDC dc, UINT first, UINT count, PALETTEENTRY* entries, UINT& copied) {
  return answer(GetSystemPaletteEntries(dc, first, count, entries), copied, kGetSystemPaletteEntriesFailed);
}

}  // namespace vx::sys
