#include "cli/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace vx::cli {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void noFlush(png_structp) {}

// Everything libpng may jump out of lives here, with no objects that need
// destructors between setjmp and the jump.
bool writeRows(png_structp png, png_infop info, const FrameBuffer& fb, const png_color* palette,
               png_bytep* rows, std::string* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, appendBytes, noFlush);
  const png_uint_32 width = static_cast<png_uint_32>(fb.pictureWidth());
  const png_uint_32 height = static_cast<png_uint_32>(fb.pictureHeight());
  if (fb.truecolor()) {
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
  } else {
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette, 256);
  }
  png_write_info(png, info);
  if (fb.truecolor()) {
    // The rows hold blue, green, red and a spare byte.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
  }
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

}  // namespace

std::string encodePng(const FrameBuffer& fb, const ColorTable& table, std::string& out) {
  out.clear();
  if (fb.pictureWidth() <= 0 || fb.pictureHeight() <= 0) return "the picture is empty";
  std::vector<png_color> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = {table.entries[i].red, table.entries[i].green, table.entries[i].blue};
  std::vector<png_bytep> rows(static_cast<std::size_t>(fb.pictureHeight()));
  const int bytes = fb.bytesPerPixel();
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = fb.rows[fb.picture.top + y] + bytes * fb.picture.left;

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return "cannot start the PNG encoder";
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return "cannot start the PNG encoder";
  }
  const bool ok = writeRows(png, info, fb, palette.data(), rows.data(), &out);
  png_destroy_write_struct(&png, &info);
  return ok ? std::string() : std::string("PNG encoding failed");
}

}  // namespace vx::cli
