// One redraw as a front end sees it: progress after every row, a cancel that
// stops at once and leaves the language state as it was, and the same picture
// whatever the floating-point unit was set to before.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/fpu.h"
#include "base/host.h"
#include "picture_probe.h"
#include "render_scene.h"

namespace vx {
namespace {

using rendertest::Picture;
using rendertest::Scene;
using rendertest::pictureHash;

// Records every progress call; answers false from call number `stopAt` on.
class ProgressHost final : public Host {
 public:
  explicit ProgressHost(std::size_t stopAt = 0) : stopAt_(stopAt) {}
  std::vector<std::pair<std::uint32_t, std::uint32_t>> calls;

  Status readFile(const std::string&, std::size_t, std::string&) override { return kCannotOpen; }
  Status writeFile(const std::string&, std::string_view) override { return kOk; }
  double clockSeconds() override { return 0; }
  bool progress(std::uint32_t done, std::uint32_t total) override {
    calls.emplace_back(done, total);
    return stopAt_ == 0 || calls.size() < stopAt_;
  }
  [[noreturn]] void outOfMemory() override { std::abort(); }

 private:
  std::size_t stopAt_;
};

struct CellSnapshot {
  double values[5];
  std::uint8_t flags[5];
  SamplingContext sampling;
  std::size_t liveBlocks;

  explicit CellSnapshot(const LangState& state) : sampling(state.sampling), liveBlocks(state.liveBlocks) {
    const CellId ids[5] = {kX, kY, kZ, kU, kV};
    for (int k = 0; k < 5; ++k) {
      values[k] = state.cells[ids[k]].value;
      flags[k] = state.cells[ids[k]].flags;
    }
  }
  bool operator==(const CellSnapshot& o) const {
    for (int k = 0; k < 5; ++k) {
      // Bit for bit: a cell may hold the undefined value.
      if (std::memcmp(&values[k], &o.values[k], sizeof(double)) != 0 || flags[k] != o.flags[k]) return false;
    }
    for (int i = 0; i < 3; ++i) {
      if (sampling.nearLow[i] != o.sampling.nearLow[i] || sampling.nearHigh[i] != o.sampling.nearHigh[i] ||
          sampling.rangeMinimum[i] != o.sampling.rangeMinimum[i] ||
          sampling.rangeMaximum[i] != o.sampling.rangeMaximum[i])
        return false;
    }
    return sampling.innerHalfStep == o.sampling.innerHalfStep && liveBlocks == o.liveBlocks;
  }
};

Status renderWith(Scene& scene, Picture& picture, Host* host) {
  RenderOptions options;
  options.host = host;
  return renderPicture(scene.renderer, scene.state, scene.job, scene.view, 1.0f, picture.fb(), options);
}

// The grid walk (a surface and a vector field, its colour read from x) and the
// parametric forms (a surface and a curve along v): every row is reported, a
// cancel after the third row stops the redraw at once, gives everything back
// and restores the cells, and the next redraw is the same picture as before.
TEST(Redraw, ReportsEveryRowAndStopsCleanlyWhenCancelled) {
  struct Case {
    const char* text;
    std::uint32_t rows;
    std::size_t calls;  // a curve reports its rows at once
  } cases[] = {
      {"x := 0.25\ny := -1\nz := 7\ngraph3d.resolution := 9\ngraph3d.vectorcolor := x\n"
       "graph3d( ( x^2+y^2+z^2 = 4, vector(y/4, -x/4, 0) ) )",
       9 * 9, 9 * 9},
      {"u := 7\nv := 8\ngraph3d.stepsv := 12\ngraph3d.color := x+u\n"
       "graph3d( ( rectangular(cos(u)*(2+cos(v)), sin(u)*(2+cos(v)), sin(v)), rectangular(1, 1, v/3) ) )",
       2 * 13, 13 + 1},
  };
  for (const Case& c : cases) {
    Scene scene(c.text);
    ASSERT_TRUE(scene.ok()) << c.text;
    const CellSnapshot before(scene.state);

    Picture whole;
    ProgressHost counting;
    EXPECT_EQ(renderWith(scene, whole, &counting), kOk);
    ASSERT_EQ(counting.calls.size(), c.calls) << c.text;
    for (std::size_t k = 0; k < c.calls; ++k) {
      EXPECT_GT(counting.calls[k].first, k ? counting.calls[k - 1].first : 0);
      EXPECT_EQ(counting.calls[k].second, c.rows);
    }
    EXPECT_EQ(counting.calls.back().first, c.rows);
    EXPECT_TRUE(CellSnapshot(scene.state) == before) << c.text;
    const std::uint64_t hash = pictureHash(whole.fb());

    Picture stopped;
    ProgressHost cancelling(3);
    EXPECT_EQ(renderWith(scene, stopped, &cancelling), kCancelled);
    EXPECT_EQ(cancelling.calls.size(), 3u);
    EXPECT_TRUE(CellSnapshot(scene.state) == before) << c.text;
    EXPECT_EQ(scene.renderer.vertices.inUse(), 0u);
    EXPECT_NE(pictureHash(stopped.fb()), hash);

    Picture again;
    EXPECT_EQ(renderWith(scene, again, nullptr), kOk);
    EXPECT_EQ(pictureHash(again.fb()), hash) << c.text;
  }
}

#if defined(__i386__) || defined(__x86_64__)
// A library or driver that leaves the unit at double precision (the Microsoft
// runtime's default) does not change the picture: the redraw loads the
// program's mode first.
TEST(Redraw, RestoresTheProgramsFloatingPointModeFirst) {
  // True everywhere with a 64-bit significand; at double precision the 1 is lost
  // wherever |x| exceeds about 0.9.
  Scene scene("graph3d.shading := 0.7\ngraph3d( x*1e16 + 1 - x*1e16 > 0.5 )");
  ASSERT_TRUE(scene.ok());
  Picture reference, doubled;
  scene.render(reference.fb());
  std::uint16_t doublePrecision = 0x027F;
  __asm__ volatile("fldcw %0" : : "m"(doublePrecision));
  scene.render(doubled.fb());
  EXPECT_EQ(currentControlWord() & 0x0F3F, kProgramControlWord & 0x0F3F);
  setProgramFloatingPointMode();
  EXPECT_EQ(pictureHash(doubled.fb()), pictureHash(reference.fb()));
}
#endif

}  // namespace
}  // namespace vx
