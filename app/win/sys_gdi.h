#pragma once
// Device contexts, fonts, text, bitmaps, palettes and mapping modes.
#include "win/sys.h"

namespace vx::sys {

Status getDC(HWND window, HDC& dc);
Status releaseDC(HWND window, HDC dc);
Status beginPaint(HWND window, PAINTSTRUCT& paint, HDC& dc);
void endPaint(HWND window, const PAINTSTRUCT& paint);
int getDeviceCaps(HDC dc, int index);

// `font.lfFaceName` is replaced by `face`.
Status createFontIndirect(LOGFONTW font, std::string_view face, HFONT& result);
Status selectObject(HDC dc, HGDIOBJ object, HGDIOBJ& previous);
Status deleteObject(HGDIOBJ object);
Status createCompatibleDC(HDC dc, HDC& memory);
Status deleteDC(HDC dc);

Status setBkColor(HDC dc, COLORREF color, COLORREF& previous);
Status setBkMode(HDC dc, int mode);
Status setTextColor(HDC dc, COLORREF color, COLORREF& previous);
Status setTextAlign(HDC dc, UINT align);
COLORREF getSysColor(int index);
Status getSysColorBrush(int index, HBRUSH& brush);
Status fillRect(HDC dc, const RECT& rect, HBRUSH brush);
Status extTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, std::string_view text);
Status getTextExtentPoint32(HDC dc, std::string_view text, SIZE& size);
Status getTextMetrics(HDC dc, TEXTMETRICW& metrics);
// `height`: the height of the drawn text.
Status drawText(HDC dc, std::string_view text, RECT& rect, UINT format, int& height);
Status gdiSetBatchLimit(DWORD limit, DWORD& previous);
Status gdiFlush();

Status createDibSection(HDC dc, const BITMAPINFO& info, UINT usage, void*& bits, HBITMAP& bitmap);
// The colour table of the 8-bit bitmap selected into `dc`.
Status setDibColorTable(HDC dc, UINT first, UINT count, const RGBQUAD* colors);
Status bitBlt(HDC to, int x, int y, int width, int height, HDC from, int fromX, int fromY, DWORD rop);
Status stretchDiBits(HDC dc, int x, int y, int width, int height, int fromX, int fromY, int fromWidth,
                     int fromHeight, const void* bits, const BITMAPINFO& info, UINT usage, DWORD rop);
Status setMapMode(HDC dc, int mode);
Status dpToLp(HDC dc, POINT* points, int count);
Status setWindowOrgEx(HDC dc, int x, int y);
Status setWindowExtEx(HDC dc, int x, int y);

Status createPalette(const LOGPALETTE& palette, HPALETTE& result);
Status selectPalette(HDC dc, HPALETTE palette, bool background, HPALETTE& previous);
// `mapped`: how many entries changed in the system palette.
Status realizePalette(HDC dc, UINT& mapped);
Status getSystemPaletteEntries(HDC dc, UINT first, UINT count, PALETTEENTRY* entries, UINT& copied);

}  // namespace vx::sys
