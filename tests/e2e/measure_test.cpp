// Frame rates of the program under Wine, for docs/performance.md. Not part of
// the suites (a rate is no test); run it on an idle machine with
//   run-suite.sh 24 DIR WINE e2e_driver.exe --gtest_also_run_disabled_tests --gtest_filter=Measure.*
#include <gtest/gtest.h>

#include <cstdio>

#include "driver.h"

namespace e2e {
namespace {

// Frames per second over `ms`, after a second to settle in; with `holdLeft`
// the left arrow is held throughout, which keeps a static graph redrawing.
void measure(const char* what, const std::wstring& arguments, bool holdLeft, DWORD ms) {
  auto program = Program::start(arguments);
  ASSERT_TRUE(program);
  if (holdLeft) program->key(VK_LEFT, KeyAction::Down);
  Sleep(1000);
  const Snapshot first = program->snapshot();
  const DWORD since = GetTickCount();
  Sleep(ms);
  const Snapshot last = program->snapshot();
  const double seconds = (GetTickCount() - since) / 1000.0;
  const std::uint32_t frames = E2E_FIELD(last, frameCount) - E2E_FIELD(first, frameCount);
  std::printf("%s: %u frames in %.2f s = %.1f frames per second, picture %dx%d, %u-bit frame buffer\n", what,
              frames, seconds, frames / seconds, E2E_FIELD(last, lastColumn) + 1, E2E_FIELD(last, lastRow) + 1,
              E2E_FIELD(last, videoBits));
  if (holdLeft) program->key(VK_LEFT, KeyAction::Up);
}

TEST(Measure, DISABLED_FramesPerSecond) {
  measure("opening graph", L"", false, 5000);
  measure("sphere at resolution 51", L"\"" + windowsPath(dataFile("sphere51.vlx")) + L"\"", true, 5000);
}

}  // namespace
}  // namespace e2e
