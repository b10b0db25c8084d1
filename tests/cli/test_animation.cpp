// Animations of `veltrix render` as a viewer decodes them: every frame is the
// single picture the tool draws at that frame's time and angle, with the
// delays, the loop and the file structure of the format.
#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t bigEndian(const std::string& s, std::size_t at) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data() + at);
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

struct Chunk {
  std::string type, data;
};

// The chunks of a PNG, each checked against its CRC.
std::vector<Chunk> chunksOf(const std::string& png) {
  std::vector<Chunk> chunks;
  if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t size = bigEndian(png, at);
    if (at + 12 + size > png.size()) break;
    const std::uint32_t crc = bigEndian(png, at + 8 + size);
    EXPECT_EQ(crc, crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), size + 4)) << chunks.size();
    chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, size)});
    at += 12 + size;
  }
  return chunks;
}

// Inflates and unfilters one image's data (every filter type); `channels`
// bytes per pixel.
Bytes decodeImageData(const std::string& zlibData, int width, int height, int channels) {
  const std::size_t rowBytes = std::size_t(width) * channels;
  Bytes raw((rowBytes + 1) * height);
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(zlibData.data()), zlibData.size()) != Z_OK ||
      size != raw.size()) {
    return {};
  }
  Bytes pixels(rowBytes * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t filter = raw[(rowBytes + 1) * y];
    const std::uint8_t* in = &raw[(rowBytes + 1) * y + 1];
    std::uint8_t* out = &pixels[rowBytes * y];
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int left = i >= std::size_t(channels) ? out[i - channels] : 0;
      const int up = y > 0 ? out[i - rowBytes] : 0;
      const int upLeft = y > 0 && i >= std::size_t(channels) ? out[i - rowBytes - channels] : 0;
      const int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
      const int paeth = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      const int predicted[5] = {0, left, up, (left + up) / 2, paeth};
      if (filter > 4) return {};
      out[i] = std::uint8_t(in[i] + predicted[filter]);
    }
  }
  return pixels;
}

// An animated PNG taken apart: its frames' pixels (RGB or palette indices)
// and what the chunks said about them.
struct AnimatedPng {
  int width = 0, height = 0, channels = 0;
  std::uint32_t announcedFrames = 0, plays = 0;
  std::vector<Bytes> frames;
  std::vector<std::uint32_t> sequence;  // of every fcTL and fdAT, in file order
  std::vector<std::pair<int, int>> delays;
  std::string order;  // chunk types in file order, repeats of IDAT and fdAT collapsed
};

AnimatedPng readPng(const std::string& png) {
  AnimatedPng result;
  std::vector<std::string> frameData;
  for (const Chunk& c : chunksOf(png)) {
    if (result.order.size() < 4 || result.order.compare(result.order.size() - 4, 4, c.type) != 0) {
      result.order += c.type;
    }
    if (c.type == "IHDR") {
      result.width = int(bigEndian(c.data, 0)), result.height = int(bigEndian(c.data, 4));
      result.channels = c.data[9] == 2 ? 3 : 1;
    } else if (c.type == "acTL") {
      result.announcedFrames = bigEndian(c.data, 0), result.plays = bigEndian(c.data, 4);
    } else if (c.type == "fcTL") {
      result.sequence.push_back(bigEndian(c.data, 0));
      EXPECT_EQ(bigEndian(c.data, 4), std::uint32_t(result.width));
      EXPECT_EQ(bigEndian(c.data, 8), std::uint32_t(result.height));
      result.delays.emplace_back(std::uint8_t(c.data[20]) << 8 | std::uint8_t(c.data[21]),
                                 std::uint8_t(c.data[22]) << 8 | std::uint8_t(c.data[23]));
      frameData.emplace_back();
    } else if (c.type == "IDAT") {
      if (frameData.empty()) frameData.emplace_back();  // a still PNG
      frameData.back() += c.data;
    } else if (c.type == "fdAT" && !frameData.empty()) {
      result.sequence.push_back(bigEndian(c.data, 0));
      frameData.back() += c.data.substr(4);
    }
  }
  for (const std::string& data : frameData) {
    result.frames.push_back(decodeImageData(data, result.width, result.height, result.channels));
  }
  return result;
}

// The default image as libpng shows it (a viewer without animation), as RGB.
Bytes libpngRgb(const std::string& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  image.format = PNG_FORMAT_RGB;
  Bytes pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  return pixels;
}

int readFromString(GifFileType* gif, GifByteType* out, int wanted) {
  auto* rest = static_cast<std::string_view*>(gif->UserData);
  const std::size_t n = std::min(rest->size(), std::size_t(wanted));
  std::memcpy(out, rest->data(), n);
  rest->remove_prefix(n);
  return int(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using Gif = std::unique_ptr<GifFileType, GifCloser>;

Gif decodeGif(std::string_view& bytes) {
  int error = 0;
  Gif gif(DGifOpen(&bytes, readFromString, &error));
  if (gif && DGifSlurp(gif.get()) != GIF_OK) gif.reset();
  return gif;
}

// The loop count of the application extension before the first frame; -1 without one.
int loopCount(const SavedImage& first) {
  for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
    const ExtensionBlock& b = first.ExtensionBlocks[i];
    const ExtensionBlock& next = first.ExtensionBlocks[i + 1];
    if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
        !std::memcmp(b.Bytes, "NETSCAPE2.0", 11) && next.ByteCount == 3 && next.Bytes[0] == 1) {
      return next.Bytes[1] | next.Bytes[2] << 8;
    }
  }
  return -1;
}

class Animation : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/veltrix-animation-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::ofstream(path("pulse.vlx")) << "graph3d.resolution := 12\ngraph3d( x^2+y^2+z^2 = 4+3*sin(time) )\n";
    std::ofstream(path("still.vlx")) << "graph3d.resolution := 12\ngraph3d( x^2+y^2+z^2 = 4 )\n";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::string slurp(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs the tool in the folder; returns its exit status, standard error in `err`.
  int veltrix(const std::string& args, std::string& err) const {
    const std::string cmd = "cd '" + dir_.string() + "' && '" VELTRIX_BINARY "' " + args + " 2>.err </dev/null";
    const int status = std::system(cmd.c_str());
    err = slurp(".err");
    fs::remove(path(".err"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The single picture at a time and angles, as the rows of a PNG decoded.
  AnimatedPng single(const std::string& options) const {
    std::string err;
    EXPECT_EQ(veltrix("render pulse.vlx --size 96x72 -o single.png " + options, err), 0) << err;
    return readPng(slurp("single.png"));
  }

  fs::path dir_;
};

TEST_F(Animation, GifFramesAreThePalettePicturesAtEachTimeAndLoopForEver) {
  std::string err;
  ASSERT_EQ(veltrix("render pulse.vlx --frames 4 --from 0 --to 1.5 --fps 30 --size 96x72 -o pulse.gif", err), 0);
  EXPECT_EQ(err, "");  // no progress line when standard error is not a terminal
  const std::string bytes = slurp("pulse.gif");
  std::string_view rest = bytes;
  const Gif gif = decodeGif(rest);
  ASSERT_TRUE(gif);
  ASSERT_EQ(gif->ImageCount, 4);
  EXPECT_EQ(gif->SWidth, 96);
  EXPECT_EQ(gif->SHeight, 72);
  EXPECT_EQ(loopCount(gif->SavedImages[0]), 0);

  const AnimatedPng reference = single("--depth 8 --time 0.5");
  ASSERT_EQ(reference.frames.size(), 1u);
  const std::string palette = chunksOf(slurp("single.png"))[1].data;
  ASSERT_NE(gif->SColorMap, nullptr);
  for (int i = 0; i < 256; ++i) {
    const GifColorType& c = gif->SColorMap->Colors[i];
    ASSERT_EQ(std::string({char(c.Red), char(c.Green), char(c.Blue)}), palette.substr(3 * i, 3)) << i;
  }
  Bytes pixels[4];
  for (int k = 0; k < 4; ++k) {
    const SavedImage& frame = gif->SavedImages[k];
    GraphicsControlBlock control{};
    ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), k, &control), GIF_OK);
    EXPECT_EQ(control.DelayTime, 3) << k;  // 1/30 s rounded to hundredths
    EXPECT_EQ(frame.ImageDesc.Width * frame.ImageDesc.Height, 96 * 72);
    pixels[k].assign(frame.RasterBits, frame.RasterBits + 96 * 72);
    if (k > 0) {
      EXPECT_NE(pixels[k], pixels[k - 1]) << k;
    }
  }
  // Frame 1 of 0, 0.5, 1, 1.5 is the picture at time 0.5, index for index.
  EXPECT_EQ(pixels[1], reference.frames[0]);
}

TEST_F(Animation, AnimatedPngFramesAreThePicturesAtEachTimeAndAngle) {
  for (const char* depth : {"32", "8"}) {
    SCOPED_TRACE(depth);
    std::string err;
    ASSERT_EQ(veltrix(std::string("render pulse.vlx --frames 3 --from 0 --to 2 --angles 0.5,-0.5 --turn 1.5 "
                                  "--fps 7.5 --size 96x72 -o pulse.png --depth ") + depth, err), 0) << err;
    const std::string bytes = slurp("pulse.png");
    const AnimatedPng png = readPng(bytes);
    const bool palette = depth[0] == '8';
    EXPECT_EQ(png.order, palette ? "IHDRacTLPLTEfcTLIDATfcTLfdATfcTLfdATIEND" : "IHDRacTLfcTLIDATfcTLfdATfcTLfdATIEND");
    EXPECT_EQ(png.announcedFrames, 3u);
    EXPECT_EQ(png.plays, 0u);
    for (std::size_t i = 0; i < png.sequence.size(); ++i) EXPECT_EQ(png.sequence[i], i);
    EXPECT_EQ(png.sequence.size(), 5u);  // three fcTL, two fdAT at this size
    ASSERT_EQ(png.frames.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(png.delays[k], std::make_pair(2, 15)) << k;
      // Time 0, 1, 2; the view turns 1.5 / 3 per frame from 0.5.
      const AnimatedPng reference = single(std::string("--depth ") + depth + " --time " + std::to_string(k) +
                                           " --angles " + std::to_string(0.5 + 0.5 * k) + ",-0.5");
      ASSERT_EQ(reference.frames.size(), 1u);
      EXPECT_FALSE(png.frames[k].empty());
      EXPECT_EQ(png.frames[k], reference.frames[0]) << k;
      if (k > 0) {
        EXPECT_NE(png.frames[k], png.frames[k - 1]) << k;
      }
    }
    // A viewer without animation shows the first frame.
    if (!palette) {
      EXPECT_EQ(libpngRgb(bytes), png.frames[0]);
    }
  }
}

TEST_F(Animation, RefusalsLeaveNoFileAndKeepTheOldOne) {
  struct Case {
    const char* args;
    int exit;
    const char* says;
  } cases[] = {
      {"render still.vlx --frames 3 -o out.gif", 1, "does not use 'time'"},
      {"render pulse.vlx --frames 3 --from 1 --to 1 -o out.png", 1, "'time' does not move"},
      {"render - --frames 3 -o out.gif", 1, "nothing to draw"},
      {"render pulse.vlx --frames 3 --to 1 -o missing/out.gif", 1, "missing/out.gif"},
      {"render pulse.vlx --frames 0 -o out.gif", 2, "--frames needs"},
      {"render pulse.vlx --frames 1001 -o out.gif", 2, "--frames needs"},
      {"render pulse.vlx --frames 2x -o out.gif", 2, "--frames needs"},
      {"render pulse.vlx --frames 3 --to 1 --fps 0 -o out.gif", 2, "--fps must be"},
      {"render pulse.vlx --frames 3 --to 1 -o out.jpg", 2, "OUT.gif or OUT.png"},
      {"render pulse.vlx --frames 3 --to 1 -o -", 2, "OUT.gif or OUT.png"},
      {"render pulse.vlx --frames 3 --to 1 --depth 32 -o out.gif", 2, "--depth 32"},
      {"render pulse.vlx --turn 1 -o out.png", 2, "need --frames"},
  };
  for (const Case& c : cases) {
    std::ofstream(path("out.gif")) << "old";
    std::ofstream(path("out.png")) << "old";
    std::string err;
    EXPECT_EQ(veltrix(c.args, err), c.exit) << c.args;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.args << ": " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.exit == 1 ? 1 : 2) << err;
    EXPECT_EQ(slurp("out.gif") + slurp("out.png"), "oldold") << c.args;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4) << c.args;
  }
}

}  // namespace
