// What a user sees from start-up on: the opening graph moving under its title,
// animation that stops while the window is inactive and goes on without a
// jump, the status bar's two parts, and the command line's cases.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace e2e {
namespace {

const char kOpeningCommand[] = "graph3d(a*x^2+b*y^2+sin(c*time)=d*z^2)";
const char kStartText0[] = "Click on Open or Edit above to begin";
const char kStartText1[] = "Click on Scrollbar above to activate the scrollbar";

std::wstring quoted(const std::string& unixPath) { return L"\"" + windowsPath(unixPath) + L"\""; }

// The right edges of the status bar's parts, asked for with a buffer in the
// program's own memory (the message carries a pointer).
std::vector<int> statusParts(const Program& program, HWND statusBar) {
  void* remote = VirtualAllocEx(program.process(), nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote) return {};
  const LRESULT count = SendMessageW(statusBar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(remote));
  std::vector<int> parts(static_cast<std::size_t>(count > 0 && count <= 8 ? count : 0));
  if (!parts.empty()) program.read(reinterpret_cast<std::uintptr_t>(remote), parts.data(), parts.size() * sizeof(int));
  VirtualFreeEx(program.process(), remote, 0, MEM_RELEASE);
  return parts;
}

TEST(Display24, OpeningGraphAnimatesPausesWhileInactiveAndFollowsAResize) {
  auto program = Program::start(L"");
  ASSERT_TRUE(program);
  Snapshot s = program->snapshot();
  EXPECT_EQ(E2E_TEXT(s, statusText[0]), kOpeningCommand);
  EXPECT_EQ(E2E_TEXT(s, statusText[1]), kStartText1);
  EXPECT_FALSE(E2E_FIELD(s, TitleDismissed));
  EXPECT_TRUE(E2E_FIELD(s, control.flags.TimeDependent));
  EXPECT_EQ(E2E_TEXT(s, CommandLinePath), "");
  ASSERT_TRUE(program->waitForFrames(3)) << "the opening graph does not animate";

  // Inactive: no frames, the clock stands, the processor rests.
  program->post(WM_ACTIVATE, WA_INACTIVE, 0);
  const Snapshot paused = program->settle();
  const double busy = program->processorMillis();
  Sleep(1000);
  const Snapshot later = program->snapshot();
  EXPECT_LT(program->processorMillis() - busy, 100.0) << "milliseconds of processor time in an inactive second";
  EXPECT_EQ(E2E_FIELD(later, control.clock.millis), E2E_FIELD(paused, control.clock.millis));
  EXPECT_EQ(E2E_FIELD(later, frameCount), E2E_FIELD(paused, frameCount));

  // Active again: the second spent inactive never reaches the clock.
  const DWORD resumed = GetTickCount();
  program->post(WM_ACTIVATE, WA_ACTIVE, 0);
  ASSERT_TRUE(program->waitForFrames(3)) << "the animation did not resume";
  const Snapshot moving = program->snapshot();
  const DWORD elapsed = GetTickCount() - resumed;
  const std::uint32_t advanced = E2E_FIELD(moving, control.clock.millis) - E2E_FIELD(later, control.clock.millis);
  EXPECT_GT(advanced, 0u);
  EXPECT_LE(advanced, elapsed + 50) << "the clock jumped on reactivation";

  // A resize ends the title, and status part 0 ends at half the client width.
  ShowWindow(program->window(), SW_RESTORE);
  SetWindowPos(program->window(), nullptr, 0, 0, 701, 480, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(program->window(), &client);
  ASSERT_TRUE(program->waitForFrames(2));
  s = program->snapshot();
  EXPECT_TRUE(E2E_FIELD(s, TitleDismissed));
  EXPECT_EQ(E2E_FIELD(s, lastColumn), client.right - 1);
  const std::vector<int> parts = statusParts(*program, E2E_FIELD(s, statusBar));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], client.right / 2);
  EXPECT_EQ(parts[1], -1);
}

TEST(Display24, CommandLineCases) {
  {
    SCOPED_TRACE("two arguments: both ignored, the opening graph");
    auto program = Program::start(quoted(dataFile("static.vlx")) + L" " + quoted(dataFile("calculator.vlx")));
    ASSERT_TRUE(program);
    const Snapshot s = program->snapshot();
    EXPECT_EQ(E2E_TEXT(s, statusText[0]), kOpeningCommand);
    EXPECT_FALSE(E2E_FIELD(s, TitleDismissed));
    EXPECT_EQ(E2E_TEXT(s, CommandLinePath), "");
  }
  {
    SCOPED_TRACE("a missing file: no graph, no title, the start-up texts");
    auto program = Program::start(quoted(workFolder() + "/no such graph.vlx"));
    ASSERT_TRUE(program);
    const Snapshot s = program->settle();
    EXPECT_EQ(E2E_TEXT(s, statusText[0]), kStartText0);
    EXPECT_EQ(E2E_TEXT(s, statusText[1]), kStartText1);
    EXPECT_TRUE(E2E_FIELD(s, TitleDismissed));
    EXPECT_EQ(E2E_FIELD(s, document.job.items), nullptr);
    const int width = E2E_FIELD(s, lastColumn) + 1, height = E2E_FIELD(s, lastRow);
    const Picture shown = screenPicture(program->window(), width, height);
    Picture background = shown;
    std::fill(background.pixels.begin(), background.pixels.end(), shown.pixels.at(0));
    const Difference d = comparePictures(background, shown, height);
    EXPECT_EQ(d.count, 0) << "not only background: " << describe(d);
  }
}

// Status part 0 shows what `veltrix run` prints for the same file: the graph
// command, "Syntax error", or a calculator value in all its 18 digits (which
// come out only with the program's 64-bit floating-point precision).
TEST(Display24, StatusPart0ShowsWhatTheToolPrints) {
  for (const char* name : {"static.vlx", "syntax-error.vlx", "calculator.vlx"}) {
    SCOPED_TRACE(name);
    const std::string output = workFolder() + "/run-" + name + ".txt";
    ASSERT_EQ(runNative("'" + std::string(VELTRIX_E2E_TOOL) + "' run '" + dataFile(name) + "' > '" + output + "'"), 0);
    std::string expected = readTextFile(output);
    if (!expected.empty() && expected.back() == '\n') expected.pop_back();
    auto program = Program::start(quoted(dataFile(name)));
    ASSERT_TRUE(program);
    EXPECT_EQ(E2E_TEXT(program->settle(), statusText[0]), expected);
  }
}

}  // namespace
}  // namespace e2e
