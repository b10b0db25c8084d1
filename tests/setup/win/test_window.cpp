// The setup programs' window as a user meets it: the frame and its panels laid
// out in dialog units of their font, one panel at a time, and every way of
// answering a panel (Enter, a button, closing the frame) arriving in the cell.
#include <gtest/gtest.h>

#include "setup/engine/engine.h"
#include "win/sys.h"

namespace vx::setup {
namespace {

// A rectangle in a dialog's units, as pixels of that dialog.
RECT pixels(HWND dialog, int x, int y, int cx, int cy) {
  RECT rect = {x, y, x + cx, y + cy};
  MapDialogRect(dialog, &rect);
  return rect;
}

// A control's rectangle in its panel's client pixels.
RECT placeOf(HWND panel, int id) {
  RECT rect = {};
  GetWindowRect(GetDlgItem(panel, id), &rect);
  MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool displayAvailable() {
  HWND probe = nullptr;
  if (failed(sys::createWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr, probe)))
    return false;
  sys::destroyWindow(probe);
  return true;
}

TEST(SetupWindow, PanelsSitInTheFrameAndEveryAnswerReachesTheCell) {
  if (!displayAvailable()) GTEST_SKIP() << "no display";
  SetupState state;
  ASSERT_EQ(createFrame(state, "Setup window test", kUninstallLayout), kOk);
  RECT client = {};
  GetClientRect(state.frame, &client);
  EXPECT_TRUE(sameRect(client, pixels(state.frame, 0, 0, 175, 151)));

  // Closing the frame answers as Cancel would.
  PostMessageW(state.frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(askPanel(state, "First question", PanelButtons::OkCancel), IDCANCEL);
  const HWND first = state.panel;
  EXPECT_TRUE(sameRect(placeOf(first, IDOK), pixels(first, 54, 132, 30, 13)));
  EXPECT_TRUE(sameRect(placeOf(first, IDCANCEL), pixels(first, 90, 132, 30, 13)));
  EXPECT_TRUE(sameRect(placeOf(first, 0xFFFF), pixels(first, 6, 6, 163, 120)));
  EXPECT_EQ(GetWindowLongW(GetDlgItem(first, IDOK), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);

  // Enter goes to the frame's dialog manager, which presses the default button.
  PostMessageW(state.frame, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(askPanel(state, "Second question", PanelButtons::OkCancel), IDOK);
  EXPECT_FALSE(IsWindow(first)) << "the previous panel is gone";

  // Escape answers as Cancel, also where a lone OK sits in the middle.
  PostMessageW(state.frame, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(askPanel(state, "Done.", PanelButtons::Ok), IDCANCEL);
  EXPECT_TRUE(sameRect(placeOf(state.panel, IDOK), pixels(state.panel, 72, 132, 30, 13)));
  EXPECT_EQ(GetDlgItem(state.panel, IDCANCEL), nullptr);
  EXPECT_EQ(GetFocus(), GetDlgItem(state.panel, IDOK));

  // A panel without buttons paints before long work starts.
  ASSERT_EQ(showPanel(state, "Working ...", PanelButtons::None), kOk);
  letPanelPaint();
  EXPECT_FALSE(GetUpdateRect(state.panel, nullptr, FALSE));

  const HWND frame = state.frame;
  closeFrame(state);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_EQ(state.panel, nullptr);
}

}  // namespace
}  // namespace vx::setup
