#include "cli/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace vx::cli {

namespace {

FT_Face faceOf(void* face) { return static_cast<FT_Face>(face); }

// Puts one glyph's coverage into the picture: blended in 32-bit, a pixel where
// the glyph covers at least half of it in 8-bit.
void blitGlyph(FrameBuffer& fb, const FT_Bitmap& bitmap, int left, int top, PixelColor color) {
  const PictureRect& r = fb.picture;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const int y = top + static_cast<int>(row);
    if (y < r.top || y > r.bottom) continue;
    const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (unsigned col = 0; col < bitmap.width; ++col) {
      const int x = left + static_cast<int>(col);
      if (x < r.left || x > r.right) continue;
      const unsigned a = src[col];
      if (a == 0) continue;
      if (!fb.truecolor()) {
        if (a >= 128) fb.rows[y][x] = static_cast<std::uint8_t>(color);
        continue;
      }
      std::uint8_t* p = fb.rows[y] + 4 * x;
      const unsigned channel[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
      for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>((channel[k] * a + p[k] * (255 - a) + 127) / 255);
    }
  }
}

}  // namespace

FontPainter::FontPainter() {
  painter_.context = this;
  painter_.measure = &FontPainter::measure;
  painter_.draw = &FontPainter::draw;
}

FontPainter::~FontPainter() {
  if (face_) FT_Done_Face(faceOf(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

bool FontPainter::load(const char* path, std::string& reason) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library)) {
    reason = "the font library cannot start";
    return false;
  }
  library_ = library;
  FT_Face face = nullptr;
  if (FT_New_Face(library, path, 0, &face)) {
    reason = std::string("cannot load the font ") + path;
    return false;
  }
  face_ = face;
  loaded_ = true;
  return true;
}

bool FontPainter::setSize(int pixelSize) {
  if (pixelSize == size_) return true;
  if (FT_Set_Pixel_Sizes(faceOf(face_), 0, static_cast<FT_UInt>(std::clamp(pixelSize, 1, 256)))) return false;
  size_ = pixelSize;
  return true;
}

void FontPainter::measure(void* context, const char* text, int length, int pixelSize, int* width, int* height) {
  auto* self = static_cast<FontPainter*>(context);
  *width = *height = 0;
  if (!self->setSize(pixelSize)) return;
  FT_Face face = faceOf(self->face_);
  long advance = 0;
  for (int i = 0; i < length; ++i) {
    if (FT_Load_Char(face, static_cast<unsigned char>(text[i]), FT_LOAD_DEFAULT)) continue;
    advance += face->glyph->advance.x;
  }
  *width = static_cast<int>(advance >> 6);
  *height = static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender) >> 6);
}

void FontPainter::draw(void* context, FrameBuffer& fb, int left, int top, const char* text, int length,
                       int pixelSize, PixelColor color) {
  auto* self = static_cast<FontPainter*>(context);
  if (!self->setSize(pixelSize)) return;
  FT_Face face = faceOf(self->face_);
  const int baseline = top + static_cast<int>(face->size->metrics.ascender >> 6);
  long pen = static_cast<long>(left) << 6;
  for (int i = 0; i < length; ++i) {
    if (FT_Load_Char(face, static_cast<unsigned char>(text[i]), FT_LOAD_RENDER)) continue;
    const FT_GlyphSlot g = face->glyph;
    if (g->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      blitGlyph(fb, g->bitmap, static_cast<int>(pen >> 6) + g->bitmap_left, baseline - g->bitmap_top, color);
    }
    pen += g->advance.x;
  }
}

}  // namespace vx::cli
