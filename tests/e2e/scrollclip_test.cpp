// The scroll bar bound through the Scrollbar dialog: a slice sweeps through the
// box and Off brings the whole surface back; a variable follows the slider and
// the picture follows the variable; effects are refused on a 256-colour
// display. And the Clipboard command: the metafile picture on the clipboard,
// played back, is the window's picture, also at a width that rows of an 8-bit
// bitmap must pad.
#include <gtest/gtest.h>

#include "driver.h"

namespace e2e {
namespace {

const char kScrollInvitation[] = "Click on Scrollbar above to activate the scrollbar";
constexpr int kOff = 100, kXSlice = 101, kAVariable = 104, kSurfaceShading = 110;

std::wstring quoted(const std::string& unixPath) { return L"\"" + windowsPath(unixPath) + L"\""; }

// Clicks `choice` in the Scrollbar dialog and closes it with OK or Escape
// (both keep the click).
void chooseScroll(const Program& program, int choice, bool ok) {
  HWND dialog = program.openDialog(2, L"Veltrix Scrollbar");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(clickControl(dialog, choice));
  ASSERT_TRUE(waitUntil([&] { return E2E_FIELD(program.snapshot(), ScrollSelection) == choice; }));
  if (ok) {
    ASSERT_TRUE(pressButton(dialog, L"&OK"));
  } else {
    pressKey(dialog, VK_ESCAPE);
  }
  ASSERT_TRUE(waitUntilClosed(dialog));
}

// Waits for status part 1 to read `text`, then for the frames to settle.
Snapshot waitForStatus1(const Program& program, const std::string& text) {
  const bool shown = waitUntil([&] { return E2E_TEXT(program.snapshot(), statusText[1]) == text; });
  EXPECT_TRUE(shown) << "status part 1 shows " << E2E_TEXT(program.snapshot(), statusText[1]) << ", not " << text;
  return program.settle();
}

Snapshot scroll(const Program& program, int request, const std::string& status, int thumb = 0) {
  program.post(WM_VSCROLL, MAKEWPARAM(request, thumb), 0);
  return waitForStatus1(program, status);
}

vx::AxisGrid axisOf(const Snapshot& s, int axis) {
  return s.at<vx::AxisGrid>(offsetof(vx::ProgramState, document.job.axes) + axis * sizeof(vx::AxisGrid));
}

void expectWholeBox(const Snapshot& s) {
  for (int axis = 0; axis < 3; ++axis) {
    const vx::AxisGrid a = axisOf(s, axis);
    EXPECT_EQ(a.count, a.savedCount) << "axis " << axis;
    EXPECT_EQ(a.samplingMinimum, a.boxMinimum) << "axis " << axis;
    EXPECT_EQ(a.samplingMaximum, a.boxMaximum) << "axis " << axis;
  }
}

TEST(Display24, ScrollBarSweepsASliceAndVariesA) {
  auto program = Program::start(quoted(dataFile("static.vlx")));
  ASSERT_TRUE(program);
  Snapshot s = program->settle();
  const Picture whole = shownPicture(*program, s);

  // The X slice starts in the middle of the box, one grid cell thick.
  chooseScroll(*program, kXSlice, true);
  s = waitForStatus1(*program, "x := 0");
  EXPECT_EQ(E2E_FIELD(s, lastScrollPosition), 16352);
  const vx::AxisGrid x = axisOf(s, 0);
  const double cell = (x.boxMaximum - x.boxMinimum) / x.savedCount;
  EXPECT_EQ(x.count, 2);
  EXPECT_DOUBLE_EQ(x.samplingMinimum, -cell / 2);
  EXPECT_DOUBLE_EQ(x.samplingMaximum, cell / 2);
  EXPECT_EQ(axisOf(s, 1).count, axisOf(s, 1).savedCount);
  const Difference sliced = comparePictures(whole, shownPicture(*program, s), whole.height - 1);
  EXPECT_GT(sliced.count, whole.width * whole.height / 20) << "the slice shows most of the surface";

  // The slab reaches the box's ends at the top and the bottom of the slider.
  s = scroll(*program, SB_TOP, "x := 3");
  EXPECT_EQ(E2E_FIELD(s, lastScrollPosition), 0);
  EXPECT_DOUBLE_EQ(axisOf(s, 0).samplingMaximum, 3.0);
  EXPECT_DOUBLE_EQ(axisOf(s, 0).samplingMinimum, 3.0 - cell);
  s = scroll(*program, SB_BOTTOM, "x := -3");
  EXPECT_EQ(E2E_FIELD(s, lastScrollPosition), 32704);
  EXPECT_DOUBLE_EQ(axisOf(s, 0).samplingMinimum, -3.0);

  // Off (clicked, then Escape) restores the whole surface and the invitation.
  chooseScroll(*program, kOff, false);
  s = waitForStatus1(*program, kScrollInvitation);
  expectWholeBox(s);
  Difference d = comparePictures(whole, shownPicture(*program, s), whole.height - 1);
  EXPECT_EQ(d.count, 0) << "after Off: " << describe(d);

  // `a` between -2 and 2 at 1 starts a quarter of the way down; the dialog
  // shows its row with four digits.
  const std::string graph = "graph3d.box := false\r\ngraph3d.resolution := 15\r\na.minimum := -2\r\n"
                            "a.maximum := 2\r\na := 1\r\ngraph3d( x^2 + y^2 + z^2 < 4 + a )";
  HWND edit = program->openDialog(1, L"Veltrix Edit");
  ASSERT_TRUE(edit);
  SetDlgItemTextW(edit, 100, widen(graph).c_str());
  ASSERT_TRUE(pressButton(edit, L"&Execute"));
  ASSERT_TRUE(waitUntilClosed(edit));
  HWND dialog = program->openDialog(2, L"Veltrix Scrollbar");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(narrow(controlText(dialog, 114)), "1");
  EXPECT_EQ(narrow(controlText(dialog, 115)), "-2");
  EXPECT_EQ(narrow(controlText(dialog, 116)), "2");
  ASSERT_TRUE(clickControl(dialog, kAVariable));
  ASSERT_TRUE(pressButton(dialog, L"&OK"));
  ASSERT_TRUE(waitUntilClosed(dialog));
  s = waitForStatus1(*program, "a := 1");
  EXPECT_EQ(E2E_FIELD(s, lastScrollPosition), 8176);
  expectWholeBox(s);

  // From the bottom one line up: a thirty-second of the way from -2 to 2, and
  // the picture is the tool's with that value.
  scroll(*program, SB_BOTTOM, "a := -2");
  s = scroll(*program, SB_LINEUP, "a := -1.875");
  EXPECT_EQ(E2E_FIELD(s, lastScrollPosition), 32704 - 1022);
  const std::string moved = workFolder() + "/a-moved.vlx";
  ASSERT_TRUE(writeTextFile(moved, "graph3d.box := false\r\ngraph3d.resolution := 15\r\na := -1.875\r\n"
                                   "graph3d( x^2 + y^2 + z^2 < 4 + a )\r\n"));
  const Picture expected = renderAsShown(s, moved, 32);
  ASSERT_GT(expected.width, 0);
  d = comparePictures(expected, shownPicture(*program, s), expected.height - 1);
  EXPECT_EQ(d.count, 0) << "a at -1.875: " << describe(d);
}

// Makes the picture's width odd (not a multiple of 4) and waits for its frame.
Snapshot resizeToOddWidth(const Program& program) {
  ShowWindow(program.window(), SW_RESTORE);
  RECT client{};
  for (int width = 701; width < 705; ++width) {
    SetWindowPos(program.window(), nullptr, 0, 0, width, 500, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    GetClientRect(program.window(), &client);
    if (client.right % 2 == 1) break;
  }
  EXPECT_EQ(client.right % 2, 1);
  EXPECT_TRUE(waitUntil([&] { return E2E_FIELD(program.snapshot(), lastColumn) == client.right - 1; }));
  program.askForFrame();
  EXPECT_TRUE(program.waitForFrames(1));
  return program.settle();
}

// The Clipboard command's OK, and the metafile picture it leaves, played back.
Picture copyToClipboard(const Program& program, const Snapshot& s) {
  EXPECT_TRUE(emptyClipboard());
  HWND dialog = program.openDialog(9, L"Veltrix Clipboard");
  if (!dialog) return {};
  EXPECT_TRUE(pressButton(dialog, L"&OK"));
  EXPECT_TRUE(waitUntilClosed(dialog));
  EXPECT_TRUE(waitUntil(clipboardHasMetafilePicture)) << "no metafile picture on the clipboard";
  const int width = E2E_FIELD(s, lastColumn) + 1, height = E2E_FIELD(s, lastRow) + 1;
  METAFILEPICT header{};
  Picture played = clipboardPicture(width, height, header);
  // The physical size is the picture's at the screen's scale, in hundredths of
  // a millimetre.
  EXPECT_EQ(header.mm, MM_ANISOTROPIC);
  HDC screen = GetDC(nullptr);
  const double perPixelX = 100.0 * GetDeviceCaps(screen, HORZSIZE) / GetDeviceCaps(screen, HORZRES);
  const double perPixelY = 100.0 * GetDeviceCaps(screen, VERTSIZE) / GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
  EXPECT_NEAR(header.xExt, width * perPixelX, perPixelX + 1);
  EXPECT_NEAR(header.yExt, height * perPixelY, perPixelY + 1);
  return played;
}

TEST(Display24, ClipboardPictureIsTheWindowsPicture) {
  auto program = Program::start(quoted(dataFile("boxed.vlx")));
  ASSERT_TRUE(program);
  const Snapshot s = resizeToOddWidth(*program);
  const Picture played = copyToClipboard(*program, s);
  ASSERT_GT(played.width, 0);
  const Picture shown = shownPicture(*program, s);
  const Difference d = comparePictures(shown, played, shown.height - 1);
  EXPECT_EQ(d.count, 0) << describe(d);
}

TEST(Display8, EffectsAreRefusedAndTheClipboardCarriesThePalettePicture) {
  auto program = Program::start(quoted(dataFile("static.vlx")));
  ASSERT_TRUE(program);
  const Snapshot s = resizeToOddWidth(*program);
  ASSERT_EQ(E2E_FIELD(s, videoBits), 8u);

  // Surface shading needs more than 256 colours: the message, and Off stays.
  HWND dialog = program->openDialog(2, L"Veltrix Scrollbar");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(clickControl(dialog, kSurfaceShading));
  ASSERT_TRUE(pressButton(dialog, L"&OK"));
  HWND refusal = program->waitForWindow(L"Veltrix Video Mode", 10000, dialog);
  ASSERT_TRUE(refusal) << "no refusal for an effect on a 256-colour display";
  EXPECT_NE(narrow(descendantText(refusal, 0xFFFF)).find("256 color display mode"), std::string::npos);
  EXPECT_TRUE(waitUntil([&] { return E2E_FIELD(program->snapshot(), ScrollSelection) == kOff; }));
  EXPECT_EQ(E2E_TEXT(program->snapshot(), statusText[1]), kScrollInvitation);
  pressKey(refusal, VK_RETURN);
  ASSERT_TRUE(waitUntilClosed(refusal));

  const Picture played = copyToClipboard(*program, s);
  ASSERT_GT(played.width, 0);
  const Picture frame = framePicture(*program);
  const Difference d = comparePictures(frame, played, frame.height);
  EXPECT_EQ(d.count, 0) << describe(d);
}

}  // namespace
}  // namespace e2e
