// The view keys, continuous rotation and the program clock as the frames see
// them: every story starts just before both the tick counter and the program
// clock wrap around 2^32, so each one also crosses the wrap.
#include <gtest/gtest.h>

#include <cmath>

#include "core/viewcontrol.h"

namespace vx {
namespace {

constexpr std::uint32_t kStartTick = 0xFFFFF000u;  // the tick counter wraps 4096 ms in
constexpr std::uint32_t kStartClock = 0xFFFFFC00u; // the program clock 1024 ms in

struct Session {
  Session() { control.clock.millis = kStartClock; }
  // Times are milliseconds since the session began; a message is handled at its
  // tick and was posted `late` milliseconds earlier.
  void press(ViewKey key, std::uint32_t at, std::uint32_t late = 0) {
    control.keyDown(key, kStartTick + at, kStartTick + at - late);
  }
  void release(ViewKey key, std::uint32_t at, std::uint32_t late = 0) {
    control.keyUp(key, kStartTick + at, kStartTick + at - late);
  }
  bool frame(std::uint32_t at) {
    control.startFrame(kStartTick + at);
    return control.applyKeys(view, zoom, job);
  }
  float eyeLength() const { return std::hypot(view.eye[0], view.eye[1], view.eye[2]); }

  ViewControl control{kStartTick};
  ViewRecord view;
  float zoom = 1;
  const RenderJob* job = nullptr;
};

TEST(ViewControl, KeysHeldBetweenTwoFramesTurnAndZoomByTheirTime) {
  struct Case {
    const char* name;
    ViewKey first, second;  // second == first: one key
    std::uint32_t down, up;
    double horizontal, elevation, zoom;
  };
  const Case cases[] = {
      {"left", ViewKey::Left, ViewKey::Left, 100, 250, 0.12, 0, 0},
      {"right", ViewKey::Right, ViewKey::Right, 100, 200, -0.08, 0, 0},
      {"left and right cancel", ViewKey::Left, ViewKey::Right, 100, 900, 0, 0, 0},
      {"up", ViewKey::Up, ViewKey::Up, 100, 150, 0, 0.04, 0},
      {"down held long: one step", ViewKey::Down, ViewKey::Down, 100, 1900, 0, -0.15, 0},
      {"page up", ViewKey::PageUp, ViewKey::PageUp, 100, 300, 0, 0, 0.05},
      {"page up held long: one step", ViewKey::PageUp, ViewKey::PageUp, 100, 1900, 0, 0, 0.1},
      {"page up and down cancel", ViewKey::PageUp, ViewKey::PageDown, 100, 1900, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    s.frame(0);
    const ViewRecord before = s.view;
    s.press(c.first, c.down);
    s.press(c.second, c.down);
    s.release(c.first, c.up);
    s.release(c.second, c.up);
    // A frame that moved the view asks for one more to draw where it stopped;
    // that one moves nothing and asks for none.
    const bool moved = c.horizontal != 0 || c.elevation != 0 || c.zoom != 0;
    EXPECT_EQ(s.frame(5000), moved);
    EXPECT_FALSE(s.frame(5010));
    EXPECT_NEAR(s.view.horizontal - before.horizontal, c.horizontal, 1e-6);
    EXPECT_NEAR(s.view.elevation - before.elevation, c.elevation, 1e-6);
    EXPECT_NEAR(s.zoom - 1, c.zoom, 1e-6);
    EXPECT_NEAR(s.eyeLength(), 0.5, 1e-6);
  }
}

TEST(ViewControl, EveryMillisecondHeldCountsOnce) {
  Session s;
  s.frame(0);
  const float start = s.view.horizontal;
  s.press(ViewKey::Left, 100);
  s.press(ViewKey::Left, 150);  // auto-repeat: the hold does not restart
  EXPECT_TRUE(s.frame(200));    // 100 ms, and the held key keeps frames coming
  EXPECT_NEAR(s.view.horizontal - start, 0.08, 1e-6);
  EXPECT_TRUE(s.frame(300));
  // Released at 290 but handled after the frame at 300 counted up to 300: the 10 ms come back.
  s.release(ViewKey::Left, 320, 30);
  EXPECT_TRUE(s.frame(4000));  // turned back by 10 ms: one more frame draws it
  EXPECT_FALSE(s.frame(4010));
  EXPECT_NEAR(s.view.horizontal - start, 0.19 * 0.8, 1e-6);
}

TEST(ViewControl, ZoomStopsAtItsLimitsOneBoundedStepAtATime) {
  for (ViewKey key : {ViewKey::PageDown, ViewKey::PageUp}) {
    Session s;
    s.frame(0);
    s.press(key, 10);
    for (std::uint32_t t = 1000; t <= 200000; t += 1000) {
      const float before = s.zoom;
      s.frame(t);
      EXPECT_LE(std::fabs(s.zoom - before), 0.1f + 1e-6f);
    }
    EXPECT_EQ(s.zoom, key == ViewKey::PageUp ? kZoomMaximum : kZoomMinimum);
  }
}

TEST(ViewControl, HomeRestoresThePresetEveryFrameWhileHeld) {
  Session s;
  RenderJob top;
  top.flags = kTopView;
  s.job = &top;
  s.zoom = 4;
  s.press(ViewKey::Home, 10);
  s.press(ViewKey::Left, 10);
  for (std::uint32_t t : {500u, 1000u}) {
    EXPECT_TRUE(s.frame(t));
    EXPECT_EQ(s.view.horizontal, 0.0f);
    EXPECT_EQ(s.view.elevation, -1.5707963267948966f);
    EXPECT_EQ(s.zoom, 1.0f);
    EXPECT_NEAR(s.view.eye[2], 0.5, 1e-6);  // from straight above, at the same distance
  }
  s.release(ViewKey::Home, 1100);
  s.release(ViewKey::Left, 1100);
  s.frame(1200);  // the home key's last 100 ms still reset, over the left arrow's turn
  EXPECT_EQ(s.view.horizontal, 0.0f);
  s.job = nullptr;  // no graph: the standard view
  s.press(ViewKey::Home, 1300);
  s.release(ViewKey::Home, 1301);
  s.frame(1400);
  EXPECT_EQ(s.view.horizontal, 0.5f);
  EXPECT_EQ(s.view.elevation, -0.62f);
}

TEST(ViewControl, ContinuousRotationTurnsAtThreeEighthsOnlyWhileAGraphIsShown) {
  Session s;
  RenderJob job;
  s.control.rotation = {kStartClock, true};
  EXPECT_FALSE(s.frame(100000));  // no graph: no turn, no frames
  EXPECT_EQ(s.view.horizontal, 0.5f);
  s.job = &job;
  s.control.rotation.timestamp = kStartClock;
  EXPECT_TRUE(s.frame(200000));  // switched on long ago: one limited step
  EXPECT_NEAR(s.view.horizontal, 0.5 - 0.15, 1e-6);
  s.frame(200400);               // then 0.3 radian per second
  EXPECT_NEAR(s.view.horizontal, 0.5 - 0.15 - 0.12, 1e-6);
  s.frame(200402);               // 3 * 2 / 8: below one millisecond, kept
  EXPECT_NEAR(s.view.horizontal, 0.5 - 0.27, 1e-6);
  s.frame(200404);               // and turned once eight eighths have come
  EXPECT_NEAR(s.view.horizontal, 0.5 - 0.27 - 0.0008, 1e-6);
}

TEST(ViewControl, InactiveTimeNeverReachesTheClock) {
  Session s;
  s.control.flags.TimeDependent = true;
  EXPECT_TRUE(s.frame(1000));
  EXPECT_EQ(s.control.frameClock, kStartClock + 1000);
  s.control.activate(0x00000000u, kStartTick + 1500);  // switched away
  EXPECT_FALSE(s.control.flags.FrameWanted);
  s.control.activate(0x00000001u, kStartTick + 90000);  // back: time resumes at 1500
  EXPECT_TRUE(s.control.flags.FrameWanted);
  EXPECT_DOUBLE_EQ(s.control.clock.seconds(kStartTick + 90250), (kStartClock + 1750u) / 1000.0);
  s.control.activate(0x00010001u, kStartTick + 91000);  // minimised counts as inactive
  EXPECT_FALSE(s.control.flags.FrameWanted);

  s.control.flags.TimeDependent = false;  // a still graph: reactivation wants no frame
  s.control.activate(0x00000002u, kStartTick + 99000);
  EXPECT_FALSE(s.control.flags.FrameWanted);
  EXPECT_EQ(s.control.clock.now(kStartTick + 99000), kStartClock + 2500u);
}

TEST(ViewControl, OnlyTheSevenViewKeys) {
  EXPECT_EQ(viewKeyOfVirtualKey(0x25), int(ViewKey::Left));
  EXPECT_EQ(viewKeyOfVirtualKey(0x27), int(ViewKey::Right));
  EXPECT_EQ(viewKeyOfVirtualKey(0x22), int(ViewKey::PageDown));
  EXPECT_EQ(viewKeyOfVirtualKey(0x23), -1);  // END
  EXPECT_EQ(viewKeyOfVirtualKey(0x1B), -1);  // Escape
}

}  // namespace
}  // namespace vx
