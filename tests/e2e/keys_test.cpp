// The keyboard as a user meets it: held view keys turn and zoom the picture by
// how long they were held (the message times of the posted key messages are
// their post times, so a hold timed here is the hold the program sees), one
// frame never turns or zooms by more than its limit, HOME returns to the
// preset, and the closing keys close - Alt+F4 does not, and edited text asks.
#include <gtest/gtest.h>

#include <initializer_list>

#include "driver.h"

namespace e2e {
namespace {

constexpr float kRadiansPerSecond = 0.8f;
constexpr float kZoomPerSecond = 0.25f;
// The preset of graph3d.view := textbook, which the graph file sets.
constexpr float kPresetHorizontal = 1.9f, kPresetElevation = -0.62f;
// What a hold can add beyond the posted times: the program's clock and the
// message times are whole milliseconds. 0.01 radian is 12 ms of holding.
constexpr float kTurnTolerance = 0.01f;
constexpr float kZoomTolerance = 0.004f;

struct View {
  float horizontal, elevation, zoom;
};

View viewOf(const Snapshot& s) {
  return {E2E_FIELD(s, document.view.horizontal), E2E_FIELD(s, document.view.elevation), E2E_FIELD(s, document.zoom)};
}

// A hold as the program sees it: from the key-down messages' post times to the
// key-ups'. Posting can wait on a loaded machine, so each post is timed on both
// sides: `seconds` is the hold between the middles of the two, and `spread` how
// far the program's hold of any of the keys can lie from it.
struct Hold {
  float seconds, spread;
};

Hold hold(const Program& program, std::initializer_list<UINT> keys, DWORD ms, bool alt = false) {
  const DWORD downFirst = GetTickCount();
  for (UINT k : keys) program.key(k, KeyAction::Down, alt);
  const DWORD downLast = GetTickCount();
  Sleep(ms);
  const DWORD upFirst = GetTickCount();
  for (UINT k : keys) program.key(k, KeyAction::Up, alt);
  const DWORD upLast = GetTickCount();
  return {(float(upFirst - downFirst) + float(upLast - downLast)) / 2000.0f,
          float((downLast - downFirst) + (upLast - upFirst)) / 1000.0f};
}

std::unique_ptr<Program> startWithStaticGraph() {
  return Program::start(L"\"" + windowsPath(dataFile("static.vlx")) + L"\"");
}

TEST(Display24, HeldKeysTurnAndZoomByTheirRatesAndHomeResets) {
  auto program = startWithStaticGraph();
  ASSERT_TRUE(program);
  View before = viewOf(program->settle());
  EXPECT_FLOAT_EQ(before.horizontal, kPresetHorizontal);
  EXPECT_FLOAT_EQ(before.elevation, kPresetElevation);

  // Nothing moves: the program waits for messages instead of drawing.
  const double busy = program->processorMillis();
  Sleep(1000);
  EXPECT_LT(program->processorMillis() - busy, 100.0) << "milliseconds of processor time in an idle second";

  struct Case {
    const char* what;
    std::initializer_list<UINT> keys;
    DWORD ms;
    bool alt;
    float horizontal, elevation, zoom;  // per second of holding
  };
  const Case cases[] = {
      {"left turns", {VK_LEFT}, 1000, false, kRadiansPerSecond, 0, 0},
      {"Alt+right turns back", {VK_RIGHT}, 500, true, -kRadiansPerSecond, 0, 0},
      {"up raises", {VK_UP}, 600, false, 0, kRadiansPerSecond, 0},
      {"down lowers", {VK_DOWN}, 300, false, 0, -kRadiansPerSecond, 0},
      {"page up enlarges", {VK_PRIOR}, 800, false, 0, 0, kZoomPerSecond},
      {"page down shrinks", {VK_NEXT}, 400, false, 0, 0, -kZoomPerSecond},
      {"opposite keys cancel", {VK_LEFT, VK_RIGHT, VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN}, 700, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Hold held = hold(*program, c.keys, c.ms, c.alt);
    const View after = viewOf(program->settle());
    const float turnSlack = kTurnTolerance + kRadiansPerSecond * held.spread;
    const float zoomSlack = kZoomTolerance + kZoomPerSecond * held.spread;
    EXPECT_NEAR(after.horizontal - before.horizontal, c.horizontal * held.seconds, turnSlack);
    EXPECT_NEAR(after.elevation - before.elevation, c.elevation * held.seconds, turnSlack);
    EXPECT_NEAR(after.zoom - before.zoom, c.zoom * held.seconds, zoomSlack);
    before = after;
  }
  // The picture follows the view: the tool's picture at the turned angles and
  // zoom. A frame draws the view as the previous frame left it, so the last
  // step of a released key shows with the next frame. The program keeps the
  // eye's length through every frame in floats, and its last bits can move an
  // edge by a pixel against the tool's eye; a view that differs by as little as
  // one 10 ms step changes about two thousand pixels.
  program->askForFrame();
  ASSERT_TRUE(program->waitForFrames(1));
  const Snapshot turned = program->settle();
  const int width = E2E_FIELD(turned, lastColumn) + 1, height = E2E_FIELD(turned, lastRow) + 1;
  const Picture expected = renderNatively(dataFile("static.vlx"), width, height, before.horizontal,
                                          before.elevation, 32, before.zoom);
  const Difference d = comparePictures(expected, screenPicture(program->window(), width, height), height - 1);
  EXPECT_LT(d.count, width * height / 2000) << describe(d);

  hold(*program, {VK_HOME}, 50);
  const View home = viewOf(program->settle());
  EXPECT_FLOAT_EQ(home.horizontal, kPresetHorizontal);
  EXPECT_FLOAT_EQ(home.elevation, kPresetElevation);
  EXPECT_EQ(home.zoom, 1.0f);
}

TEST(Display24, OneFrameTurnsAndZoomsNoMoreThanItsLimit) {
  auto program = startWithStaticGraph();
  ASSERT_TRUE(program);
  program->settle();

  // Deactivation stops the frames, so a long hold reaches the view in the one
  // frame asked for afterwards.
  program->key(VK_LEFT, KeyAction::Down);
  program->key(VK_PRIOR, KeyAction::Down);
  program->post(WM_ACTIVATE, WA_INACTIVE, 0);
  const View before = viewOf(program->settle());
  Sleep(1500);
  program->key(VK_LEFT, KeyAction::Up);
  program->key(VK_PRIOR, KeyAction::Up);
  program->post(WM_ACTIVATE, WA_ACTIVE, 0);
  program->askForFrame();
  ASSERT_TRUE(program->waitForFrames(1));
  const View after = viewOf(program->settle());
  EXPECT_NEAR(after.horizontal - before.horizontal, 0.15f, 1e-5f);  // the angle is a float near 2
  EXPECT_NEAR(after.zoom - before.zoom, 0.1f, 1e-5f);

  // Page down held for longer than the way down from 1 stops at the smallest zoom.
  hold(*program, {VK_HOME}, 50);
  hold(*program, {VK_NEXT}, 4600);
  EXPECT_EQ(viewOf(program->settle()).zoom, 0.001f);
}

TEST(Display24, EscapeF1AndHelpClose) {
  for (UINT closing : {VK_ESCAPE, VK_F1, VK_HELP}) {
    SCOPED_TRACE(closing);
    auto program = startWithStaticGraph();
    ASSERT_TRUE(program);
    program->key(closing, KeyAction::Down);
    EXPECT_EQ(program->waitForExit(), 0);
  }
}

TEST(Display24, AltF4KeepsRunningAndEditedTextAsksBeforeExit) {
  auto program = startWithStaticGraph();
  ASSERT_TRUE(program);
  program->key(VK_F4, KeyAction::Down, true);
  program->key(VK_F4, KeyAction::Up, true);
  Sleep(500);
  ASSERT_TRUE(program->running()) << "Alt+F4 closed the program";

  // The Edit dialog marks the text as edited; until the program has it, the
  // flag is set directly.
  const bool edited = true;
  ASSERT_TRUE(program->write(offsetof(vx::ProgramState, document.Edited), &edited, sizeof edited));
  program->post(WM_CLOSE);
  HWND prompt = program->waitForWindow(L"Veltrix Exit");
  ASSERT_TRUE(prompt) << "no exit prompt for edited text";
  ASSERT_TRUE(pressButton(prompt, L"&Cancel"));
  Sleep(500);
  EXPECT_TRUE(program->running());
  EXPECT_FALSE(IsWindow(prompt));

  program->menuCommand(11);  // E&xit
  prompt = program->waitForWindow(L"Veltrix Exit");
  ASSERT_TRUE(prompt) << "no exit prompt after the Exit command";
  ASSERT_TRUE(pressButton(prompt, L"&OK"));
  EXPECT_EQ(program->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
