// makeicon OUT.ico SIDE...: the program icon, drawn by the renderer at build time.
//
// The icon shows a shaded surface of a graph, one square picture per SIDE (the
// program takes 16, 32 and 48 pixels), with a transparent background. Each size is drawn eight times larger and
// reduced, so that edges are smooth: the renderer itself draws every pixel
// either wholly surface or wholly background. A pixel is background when it
// changes with the background colour, so each picture is drawn twice, over black
// and over white; the share of surface pixels in a block becomes its opacity.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/memory.h"
#include "base/memoryhost.h"
#include "core/document.h"
#include "render/framebuffer.h"

namespace {

constexpr int kMaxImages = 8;
constexpr int kOversampling = 8;
constexpr float kZoom = 1.3f;

// The surface: a saddle of waves, coloured by height, lit from the upper left.
constexpr std::string_view kIconGraph =
    "graph3d.resolution := 31\n"
    "graph3d.box := false\n"
    "graph3d.mesh := false\n"
    "graph3d.shading := 0.8\n"
    "graph3d.highlight := 0.6\n"
    "graph3d.color := byheight\n"
    "graph3d( z = 1.6*sin(x)*cos(y) )\n";

// One icon image: straight (not premultiplied) blue, green, red, alpha per
// pixel, top row first.
struct IconImage {
  int side = 0;
  std::string pixels;
};

bool drawOver(const char* background, vx::OwnedFrameBuffer& picture) {
  vx::MemoryHost host;
  vx::Allocator allocator;
  vx::Document document(allocator, host);
  const std::string text = "graph3d.background := " + std::string(background) + "\n" + std::string(kIconGraph);
  if (vx::failed(document.readBytes(text, ""))) return false;
  document.execute();
  document.zoom = kZoom;
  return !vx::failed(document.draw(picture.get()));
}

bool drawIcon(int side, IconImage& image) {
  const int big = side * kOversampling;
  vx::OwnedFrameBuffer overBlack(vx::PixelFormat::Rgb32, big, big);
  vx::OwnedFrameBuffer overWhite(vx::PixelFormat::Rgb32, big, big);
  if (!drawOver("black", overBlack) || !drawOver("white", overWhite)) return false;

  image.side = side;
  image.pixels.assign(static_cast<std::size_t>(side) * side * 4, '\0');
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      std::uint32_t sum[3] = {}, covered = 0;
      for (int dy = 0; dy < kOversampling; ++dy) {
        for (int dx = 0; dx < kOversampling; ++dx) {
          const int bx = x * kOversampling + dx, by = y * kOversampling + dy;
          const vx::PixelColor color = vx::readPixel(overBlack.get(), bx, by);
          if (color != vx::readPixel(overWhite.get(), bx, by)) continue;
          ++covered;
          for (int c = 0; c < 3; ++c) sum[c] += (color >> (8 * c)) & 0xFF;  // blue, green, red
        }
      }
      char* out = &image.pixels[(static_cast<std::size_t>(y) * side + x) * 4];
      for (int c = 0; c < 3 && covered; ++c) out[c] = static_cast<char>((sum[c] + covered / 2) / covered);
      constexpr std::uint32_t kSamples = kOversampling * kOversampling;
      out[3] = static_cast<char>((covered * 255 + kSamples / 2) / kSamples);
    }
  }
  return true;
}

void put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// The mask rows of 1-bit pixels, padded to 4 bytes.
std::uint32_t maskStride(int side) { return (static_cast<std::uint32_t>(side) + 31) / 32 * 4; }

std::uint32_t imageBytes(int side) {
  return 40 + static_cast<std::uint32_t>(side) * side * 4 + maskStride(side) * side;
}

// An icon image in the file: a bitmap header for twice the height (colour and
// mask stacked), the 32-bit colour rows bottom first, then the mask rows, whose
// set bits are transparent for displays that ignore the alpha channel.
void putImage(std::string& out, const IconImage& image) {
  const int side = image.side;
  put32(out, 40);
  put32(out, side);
  put32(out, side * 2);
  put16(out, 1);   // planes
  put16(out, 32);  // bits per pixel
  put32(out, 0);   // no compression
  put32(out, imageBytes(side) - 40);
  for (int i = 0; i < 4; ++i) put32(out, 0);  // resolution and colour counts
  for (int y = side - 1; y >= 0; --y) out.append(image.pixels, static_cast<std::size_t>(y) * side * 4, side * 4);
  for (int y = side - 1; y >= 0; --y) {
    std::string row(maskStride(side), '\0');
    for (int x = 0; x < side; ++x) {
      if (image.pixels[(static_cast<std::size_t>(y) * side + x) * 4 + 3] == 0) row[x / 8] |= static_cast<char>(0x80 >> (x % 8));
    }
    out += row;
  }
}

std::string iconFile(const IconImage* images, int count) {
  std::string out;
  put16(out, 0);  // reserved
  put16(out, 1);  // an icon, not a cursor
  put16(out, count);
  std::uint32_t offset = 6 + 16 * count;
  for (int i = 0; i < count; ++i) {
    out += static_cast<char>(images[i].side);
    out += static_cast<char>(images[i].side);
    out += '\0';  // no palette
    out += '\0';
    put16(out, 1);
    put16(out, 32);
    put32(out, imageBytes(images[i].side));
    put32(out, offset);
    offset += imageBytes(images[i].side);
  }
  for (int i = 0; i < count; ++i) putImage(out, images[i]);
  return out;
}

}  // namespace

// A side from the command line: 1..255, since the file stores it in a byte.
int parseSide(const char* text) {
  int side = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9' || side > 255) return 0;
    side = side * 10 + (*c - '0');
  }
  return side <= 255 ? side : 0;
}

int main(int argc, char** argv) {
  const int count = argc - 2;
  if (count < 1 || count > kMaxImages) {
    std::fputs("usage: makeicon OUT.ico SIDE... (one to eight sides in pixels, 1..255)\n", stderr);
    return 2;
  }
  IconImage images[kMaxImages];
  for (int i = 0; i < count; ++i) {
    const int side = parseSide(argv[2 + i]);
    if (side == 0) {
      std::fprintf(stderr, "makeicon: %s: a side must be 1..255 pixels\n", argv[2 + i]);
      return 2;
    }
    if (!drawIcon(side, images[i])) {
      std::fprintf(stderr, "makeicon: the icon graph could not be drawn at %d pixels\n", side);
      return 1;
    }
  }
  const std::string bytes = iconFile(images, count);
  std::FILE* file = std::fopen(argv[1], "wb");
  const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if ((file && std::fclose(file) != 0) || !written) {
    std::fprintf(stderr, "makeicon: %s: cannot write the icon\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
