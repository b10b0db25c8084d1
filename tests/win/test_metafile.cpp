// The clipboard's picture: a packed bitmap recorded into a metafile picture
// must come back from the clipboard as the same pixels, for 8-bit pictures with
// their colour table and padded rows, and for 32-bit ones.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "win/metafile.h"
#include "win/sys.h"

namespace vx {
namespace {

constexpr int kWidth = 5;  // 8-bit rows padded to 8 bytes
constexpr int kHeight = 3;

// Pixel (x, y) of the picture, y = 0 the top row, as 0x00RRGGBB.
std::uint32_t expectedColor(int x, int y) { return 0x102030u * static_cast<std::uint32_t>(1 + x + kWidth * y); }

// A packed bitmap as the program packs it: rows from the bottom of the picture
// up; 8-bit pixels index a colour table whose entry i holds the colour of
// pixel i.
PackedBitmap packPicture(int bits) {
  const std::size_t row = bits == 8 ? (kWidth + 3) & ~3 : kWidth * 4;
  const std::size_t offset = 40 + (bits == 8 ? 1024 : 0);
  std::vector<std::uint8_t> bytes(offset + row * kHeight, 0);
  BITMAPINFOHEADER header = {};
  header.biSize = 40;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(row * kHeight);  // as the program's packer writes it
  header.biClrUsed = bits == 8 ? 256 : 0;
  std::memcpy(bytes.data(), &header, sizeof header);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* out = bytes.data() + offset + row * (kHeight - 1 - y);
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t color = expectedColor(x, y);
      if (bits == 8) {
        const int index = x + kWidth * y;
        out[x] = static_cast<std::uint8_t>(index);
        std::memcpy(bytes.data() + 40 + 4 * index, &color, 4);  // blue, green, red, 0
      } else {
        std::memcpy(out + 4 * x, &color, 4);
      }
    }
  }
  PackedBitmap packed = {nullptr, kWidth, kHeight, offset};
  EXPECT_EQ(sys::globalAlloc(kClipboardMemory, bytes.size(), packed.memory), kOk);
  void* block = nullptr;
  EXPECT_EQ(sys::globalLock(packed.memory, block), kOk);
  std::memcpy(block, bytes.data(), bytes.size());
  sys::globalUnlock(packed.memory);
  return packed;
}

// Plays the clipboard's metafile picture into a 32-bit bitmap of the picture's size.
std::vector<std::uint32_t> playClipboardPicture(METAFILEPICT& header) {
  std::vector<std::uint32_t> pixels;
  if (!OpenClipboard(nullptr)) return pixels;
  HANDLE data = GetClipboardData(CF_METAFILEPICT);
  const auto* picture = data ? static_cast<const METAFILEPICT*>(GlobalLock(data)) : nullptr;
  if (picture) {
    header = *picture;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (PlayMetaFile(dc, picture->hMF)) {
      GdiFlush();
      const auto* first = static_cast<const std::uint32_t*>(bits);
      pixels.assign(first, first + kWidth * kHeight);
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return pixels;
}

TEST(WinMetafile, TheClipboardPicturePlaysBackAsThePixelsIn8And32Bits) {
  HWND probe = nullptr;
  if (failed(sys::createWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr, probe)))
    GTEST_SKIP() << "no display";
  sys::destroyWindow(probe);
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  for (int bits : {8, 32}) {
    SCOPED_TRACE(bits);
    HGLOBAL picture = nullptr;
    ASSERT_EQ(makeMetafilePicture(packPicture(bits), nullptr, screen, picture), kOk);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_METAFILEPICT, picture) != nullptr;
    CloseClipboard();
    if (!taken) freeMetafilePicture(picture);
    ASSERT_TRUE(taken);

    METAFILEPICT header = {};
    const std::vector<std::uint32_t> pixels = playClipboardPicture(header);
    ASSERT_EQ(pixels.size(), std::size_t{kWidth * kHeight});
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ(pixels[x + kWidth * y] & 0xFFFFFFu, expectedColor(x, y)) << x << "," << y;
    // The physical size in hundredths of a millimetre, both positive.
    EXPECT_EQ(header.mm, MM_ANISOTROPIC);
    EXPECT_NEAR(header.xExt, kWidth * 2540.0 / dpiX, 1.0);
    EXPECT_NEAR(header.yExt, kHeight * 2540.0 / dpiY, 1.0);
  }
  // The reference context is left as it was found.
  EXPECT_EQ(GetMapMode(screen), MM_TEXT);
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace vx
