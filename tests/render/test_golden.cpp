// Pinned pictures: a handful of scenes whose every pixel is fixed by the hash of
// the picture. The native build and the 32-bit Windows build must draw them
// identically (the same x87 arithmetic in both), so a hash that moves in one
// build only is a fault in that build's number path; one that moves in both is a
// change of picture, to be explained.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "picture_probe.h"
#include "render_scene.h"

namespace vx {
namespace {

struct Golden {
  const char* name;
  const char* text;
  PixelFormat format;
  int width, height;
  bool labels;
  std::uint64_t hash;
};

const Golden kGolden[] = {
    {"sphere", "graph3d( x^2+y^2+z^2 = 4 )", PixelFormat::Rgb32, 320, 240, false, 0x4b070d2f94c7e888ull},
    {"transparent inequality",
     "graph3d.transparency := 0.5\ngraph3d.shading := 0.7\ngraph3d.highlight := 0.5\n"
     "graph3d( z < sin(x)*cos(y) + x/3 )",
     PixelFormat::Rgb32, 320, 240, false, 0x1d5bb351faf79058ull},
    {"parametric torus",
     "graph3d.minimumu := 0\ngraph3d.maximumu := 2*pi\ngraph3d.minimumv := 0\ngraph3d.maximumv := 2*pi\n"
     "graph3d.shading := 0.5\n"
     "graph3d( rectangular((2+cos(v))*cos(u), (2+cos(v))*sin(u), sin(v)) )",
     PixelFormat::Rgb32, 320, 240, false, 0xaadbec70f8871467ull},
    {"vector field",
     "graph3d.resolution := 7\ngraph3d.vectorarrowhead := true\ngraph3d( vector(-y/2, x/2, z/4) )",
     PixelFormat::Rgb32, 320, 240, false, 0x1d0e64d75f52d00ull},
    {"8-bit surface", "graph3d.color := byheight\ngraph3d( z = x*y/3 )", PixelFormat::Indexed8, 320, 240, false, 0x475114253b1f50e3ull},
    {"labelled box, wide", "graph3d.minimumz := -0.5\ngraph3d( x^2+y^2 = 4 - z )", PixelFormat::Rgb32, 400, 200,
     true, 0x56c085b4bcdc1e69ull},
};

TEST(Golden, PinnedPicturesAreTheSameInEveryBuild) {
  for (const Golden& g : kGolden) {
    rendertest::Scene scene(g.text);
    ASSERT_TRUE(scene.ok()) << g.name;
    rendertest::BlockPainter painter;
    if (g.labels) scene.renderer.text = painter.painter();
    OwnedFrameBuffer picture(g.format, g.width, g.height);
    scene.render(picture.get());
    const std::uint64_t hash = rendertest::pictureHash(picture.get());
    EXPECT_EQ(hash, g.hash) << g.name << ": 0x" << std::hex << hash;
  }
}

}  // namespace
}  // namespace vx
