#include "cli/png_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace vx::cli {

namespace {

// The pictures are mostly flat areas and rows that repeat the row above, runs
// that the fast levels of the compressor find as well as the slow ones
// (docs/performance.md compares the settings).
constexpr int kCompressionLevel = 2;

// Filters of the PNG rows: palette indices are stored as they are; colour
// rows as the difference from the row above, which turns the flat areas and
// the repeated rows into runs of zeros.
constexpr std::uint8_t kFilterNone = 0, kFilterUp = 2;

// IDAT chunks are cut at this size so that no chunk length comes near the
// format's limit of 2^31 - 1 bytes.
constexpr std::size_t kMaxChunk = std::size_t(1) << 20;

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";

void appendBigEndian(std::string& out, std::uint32_t value) {
  const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
  out.append(bytes, 4);
}

void appendBigEndian16(std::string& out, std::uint16_t value) {
  const char bytes[2] = {char(value >> 8), char(value)};
  out.append(bytes, 2);
}

// A chunk; the frames of an animation number theirs with `sequence`, which
// then comes before the data.
void appendChunk(std::string& out, const char* type, const void* data, std::size_t size,
                 const std::uint32_t* sequence = nullptr) {
  appendBigEndian(out, static_cast<std::uint32_t>(size + (sequence ? 4 : 0)));
  const std::size_t start = out.size();
  out.append(type, 4);
  if (sequence) appendBigEndian(out, *sequence);
  if (size) out.append(static_cast<const char*>(data), size);
  appendBigEndian(out, libdeflate_crc32(0, out.data() + start, out.size() - start));
}

// Red, green and blue of a 32-bit row (stored blue, green, red, spare) less
// those of the row above (none for the first row). Each pixel is subtracted
// byte by byte within one 32-bit word and stored as four bytes, red first; the
// next pixel overwrites the fourth, so `out` needs one byte beyond the row.
static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian words");

void filterColourRow(const std::uint8_t* row, const std::uint8_t* above, int width, std::uint8_t* out) {
  *out++ = kFilterUp;
  for (int x = 0; x < width; ++x, row += 4, out += 3) {
    std::uint32_t pixel, prior = 0;
    std::memcpy(&pixel, row, 4);
    if (above) std::memcpy(&prior, above + 4 * x, 4);
    // Byte-wise pixel - prior: the high bits apart so no borrow crosses a byte.
    const std::uint32_t difference =
        ((pixel | 0x80808080u) - (prior & 0x7F7F7F7Fu)) ^ ((pixel ^ ~prior) & 0x80808080u);
    const std::uint32_t rgb = __builtin_bswap32(difference) >> 8;
    std::memcpy(out, &rgb, 4);
  }
}

// The image data before compression: every row of the picture rectangle as a
// filter byte and its filtered bytes (left uninitialised beyond them).
struct Filtered {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

Filtered filteredRows(const FrameBuffer& fb) {
  const int width = fb.pictureWidth(), height = fb.pictureHeight();
  const std::size_t rowBytes = 1 + std::size_t(width) * (fb.truecolor() ? 3 : 1);
  Filtered data{std::make_unique_for_overwrite<std::uint8_t[]>(rowBytes * std::size_t(height) + 1),
                rowBytes * std::size_t(height)};
  const std::uint8_t* above = nullptr;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = fb.rows[fb.picture.top + y] + fb.bytesPerPixel() * fb.picture.left;
    std::uint8_t* out = data.bytes.get() + rowBytes * std::size_t(y);
    if (fb.truecolor()) {
      filterColourRow(row, above, width, out);
    } else {
      out[0] = kFilterNone;
      std::memcpy(out + 1, row, std::size_t(width));
    }
    above = row;
  }
  return data;
}

void appendHeader(std::string& out, const FrameBuffer& fb) {
  std::string header;
  appendBigEndian(header, static_cast<std::uint32_t>(fb.pictureWidth()));
  appendBigEndian(header, static_cast<std::uint32_t>(fb.pictureHeight()));
  // 8 bits per sample, RGB (2) or palette (3), deflate, adaptive filters, no interlace.
  const char rest[5] = {8, char(fb.truecolor() ? 2 : 3), 0, 0, 0};
  header.append(rest, 5);
  appendChunk(out, "IHDR", header.data(), header.size());
}

void appendPalette(std::string& out, const ColorTable& table) {
  std::uint8_t palette[256 * 3];
  for (int i = 0; i < 256; ++i) {
    palette[3 * i] = table.entries[i].red;
    palette[3 * i + 1] = table.entries[i].green;
    palette[3 * i + 2] = table.entries[i].blue;
  }
  appendChunk(out, "PLTE", palette, sizeof palette);
}

// The filtered rows of the picture, zlib-compressed; size 0 when that failed.
// Only the compressed bytes are ever written: the bound's untouched pages cost nothing.
struct Compressed {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

Compressed compressPicture(libdeflate_compressor* compressor, const FrameBuffer& fb) {
  const Filtered data = filteredRows(fb);
  const std::size_t bound = libdeflate_zlib_compress_bound(compressor, data.size);
  Compressed result{std::make_unique_for_overwrite<std::uint8_t[]>(bound), 0};
  result.size = libdeflate_zlib_compress(compressor, data.bytes.get(), data.size, result.bytes.get(), bound);
  return result;
}

// The image data as IDAT chunks, or as numbered fdAT chunks of a later frame.
void appendImageData(std::string& out, const Compressed& data, std::uint32_t* sequence) {
  for (std::size_t at = 0; at < data.size; at += kMaxChunk) {
    const std::size_t size = std::min(kMaxChunk, data.size - at);
    if (sequence) {
      appendChunk(out, "fdAT", data.bytes.get() + at, size, sequence);
      ++*sequence;
    } else {
      appendChunk(out, "IDAT", data.bytes.get() + at, size);
    }
  }
}

// The number of frames and of plays (0: for ever).
void appendAnimationControl(std::string& out, int frames) {
  std::string control;
  appendBigEndian(control, static_cast<std::uint32_t>(frames));
  appendBigEndian(control, 0);
  appendChunk(out, "acTL", control.data(), control.size());
}

// A frame covering the whole picture, drawn over nothing and left in place.
void appendFrameControl(std::string& out, std::uint32_t& sequence, const FrameBuffer& fb, PngFrameDelay delay) {
  std::string control;
  appendBigEndian(control, static_cast<std::uint32_t>(fb.pictureWidth()));
  appendBigEndian(control, static_cast<std::uint32_t>(fb.pictureHeight()));
  appendBigEndian(control, 0);  // x offset
  appendBigEndian(control, 0);  // y offset
  appendBigEndian16(control, delay.numerator);
  appendBigEndian16(control, delay.denominator);
  const char disposeNone = 0, blendSource = 0;
  control += disposeNone;
  control += blendSource;
  appendChunk(out, "fcTL", control.data(), control.size(), &sequence);
  ++sequence;
}

using Compressor = std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)>;

}  // namespace

std::string encodePng(const FrameBuffer& fb, const ColorTable& table, std::string& out) {
  out.clear();
  if (fb.pictureWidth() <= 0 || fb.pictureHeight() <= 0) return "the picture is empty";
  Compressor compressor(libdeflate_alloc_compressor(kCompressionLevel), libdeflate_free_compressor);
  if (!compressor) return "cannot start the PNG encoder";
  const Compressed data = compressPicture(compressor.get(), fb);
  if (data.size == 0) return "PNG encoding failed";

  out.reserve(data.size + 1024);
  out.assign(kSignature, sizeof kSignature - 1);
  appendHeader(out, fb);
  if (!fb.truecolor()) appendPalette(out, table);
  appendImageData(out, data, nullptr);
  appendChunk(out, "IEND", nullptr, 0);
  return std::string();
}

PngFrameDelay pngFrameDelay(double fps) {
  for (int denominator : {1, 2, 4, 5, 10, 100, 1000}) {
    const double frames = fps * denominator;
    if (frames >= 1 && frames <= 65535 && std::abs(frames - std::round(frames)) < 1e-9 * frames) {
      return {static_cast<std::uint16_t>(denominator), static_cast<std::uint16_t>(std::lround(frames))};
    }
  }
  const double milliseconds = std::max(1.0, std::round(1000 / fps));
  if (milliseconds <= 65535) return {static_cast<std::uint16_t>(milliseconds), 1000};
  return {static_cast<std::uint16_t>(std::min(65535.0, std::round(100 / fps))), 100};
}

AnimatedPngEncoder::AnimatedPngEncoder(int frames, PngFrameDelay delay)
    : frames_(frames),
      delay_(delay),
      compressor_(libdeflate_alloc_compressor(kCompressionLevel), libdeflate_free_compressor) {}

AnimatedPngEncoder::~AnimatedPngEncoder() = default;

std::string AnimatedPngEncoder::add(const FrameBuffer& fb, const ColorTable& table) {
  if (!compressor_) return "cannot start the PNG encoder";
  if (added_ == frames_) return "more frames than announced";
  if (fb.pictureWidth() <= 0 || fb.pictureHeight() <= 0) return "the picture is empty";
  const bool first = added_ == 0;
  if (!first && (fb.pictureWidth() != width_ || fb.pictureHeight() != height_ || fb.truecolor() != truecolor_)) {
    return "the frames differ in size or pixel format";
  }
  const Compressed data = compressPicture(compressor_.get(), fb);
  if (data.size == 0) return "PNG encoding failed";
  if (first) {
    width_ = fb.pictureWidth(), height_ = fb.pictureHeight(), truecolor_ = fb.truecolor();
    out_.assign(kSignature, sizeof kSignature - 1);
    appendHeader(out_, fb);
    appendAnimationControl(out_, frames_);
    if (!truecolor_) appendPalette(out_, table);
  }
  appendFrameControl(out_, sequence_, fb, delay_);
  appendImageData(out_, data, first ? nullptr : &sequence_);
  ++added_;
  return std::string();
}

std::string AnimatedPngEncoder::finish() {
  if (added_ != frames_ || frames_ == 0) return std::string();
  appendChunk(out_, "IEND", nullptr, 0);
  return std::move(out_);
}

}  // namespace vx::cli
