// The clipboard's packed bitmap: only the picture rectangle, bottom row first,
// 8-bit rows padded to 4 bytes behind the colour table, 32-bit rows unpadded.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/packedbitmap.h"

namespace vx {
namespace {

std::uint32_t field(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(PackedBitmap, PictureRowsBottomUpPaddedBehindHeaderAndTable) {
  OwnedFrameBuffer eight(PixelFormat::Indexed8, 8, 4);
  FrameBuffer& fb = eight.get();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) fb.rows[y][x] = static_cast<std::uint8_t>(16 * y + x);
  setPictureSize(fb, 4, 2);  // 5 x 3: rows of 5 bytes padded to 8
  std::uint8_t table[kColorTableSize];
  for (std::size_t i = 0; i < kColorTableSize; ++i) table[i] = static_cast<std::uint8_t>(i * 7);

  std::vector<std::uint8_t> packed(packedBitmapSize(fb), 0xAA);
  ASSERT_EQ(packed.size(), 1064u + 8 * 3);
  packBitmap(fb, table, packed.data());
  EXPECT_EQ(field(packed, 0), 40u);
  EXPECT_EQ(field(packed, 4), 5u);
  EXPECT_EQ(field(packed, 8), 3u);  // positive: bottom-up
  EXPECT_EQ(packed[14], 8);
  EXPECT_EQ(0, std::memcmp(packed.data() + 40, table, kColorTableSize));
  const std::uint8_t* bits = packed.data() + packedBitsOffset(fb);
  const std::uint8_t expected[24] = {32, 33, 34, 35, 36, 0, 0, 0, 16, 17, 18, 19, 20, 0, 0, 0,
                                     0,  1,  2,  3,  4,  0, 0, 0};
  EXPECT_EQ(0, std::memcmp(bits, expected, sizeof expected));

  OwnedFrameBuffer full(PixelFormat::Rgb32, 3, 2);
  FrameBuffer& fb32 = full.get();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) reinterpret_cast<std::uint32_t*>(fb32.rows[y])[x] = 0x010203u * (3 * y + x + 1);
  std::vector<std::uint8_t> packed32(packedBitmapSize(fb32));
  ASSERT_EQ(packed32.size(), 40u + 3 * 2 * 4);
  packBitmap(fb32, nullptr, packed32.data());
  EXPECT_EQ(packed32[14], 32);
  EXPECT_EQ(field(packed32, 40), 0x010203u * 4);      // bottom row first
  EXPECT_EQ(field(packed32, 40 + 12), 0x010203u * 1);  // then the top row, no padding
}

}  // namespace
}  // namespace vx
