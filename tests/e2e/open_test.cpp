// The Open command as a user goes through it: the question about the edited
// text, the system's file dialog, a typed file name, the Open button, and the
// new graph in the window.
#include "driver.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

const char kOpeningCommand[] = "graph3d(a*x^2+b*y^2+sin(c*time)=d*z^2)";

// The file-name field of the explorer-style file dialog: an edit (edt1) or a
// combo box (cmb13), depending on the system's version of the dialog.
HWND fileNameField(HWND dialog) {
  if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
  return GetDlgItem(dialog, 0x47C);
}

TEST(Display24, OpenCommandAsksThenOpensTheTypedFile) {
  auto program = Program::start(L"");
  ASSERT_TRUE(program);
  // The Edit dialog marks the text as edited; until the program has it, the
  // flag is set directly.
  const bool edited = true;
  ASSERT_TRUE(program->write(offsetof(vx::ProgramState, document.Edited), &edited, sizeof edited));

  program->menuCommand(0);  // &Open
  HWND prompt = program->waitForWindow(L"Veltrix Open");
  ASSERT_TRUE(prompt) << "no question about the edited text";
  ASSERT_TRUE(pressButton(prompt, L"&OK"));
  const DWORD since = GetTickCount();
  HWND dialog = nullptr;
  while (!dialog && GetTickCount() - since < 10000) {
    HWND shown = program->waitForWindow(L"Veltrix Open", 100);
    if (shown && shown != prompt && !IsWindow(prompt)) dialog = shown;
  }
  ASSERT_TRUE(dialog) << "no file dialog after the question";
  HWND field = fileNameField(dialog);
  ASSERT_TRUE(field) << "no file-name field in the file dialog";
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(windowsPath(dataFile("static.vlx")).c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));

  // The dialog deactivated the window, so no frames tell when it is done:
  // wait for the dialog to go and the new graph's command to show.
  const DWORD pressed = GetTickCount();
  while ((IsWindow(dialog) || E2E_TEXT(program->snapshot(), statusText[0]) == kOpeningCommand) &&
         GetTickCount() - pressed < 10000) {
    Sleep(20);
  }
  EXPECT_FALSE(IsWindow(dialog)) << "the file dialog stayed open";
  const Snapshot s = program->settle();
  EXPECT_EQ(E2E_TEXT(s, statusText[0]), "graph3d( z = x^2/3 - y^2/3 )");
  EXPECT_TRUE(E2E_FIELD(s, TitleDismissed));
  EXPECT_FALSE(E2E_FIELD(s, control.flags.TimeDependent));
  EXPECT_FALSE(E2E_FIELD(s, document.Edited));
}

}  // namespace
}  // namespace e2e
