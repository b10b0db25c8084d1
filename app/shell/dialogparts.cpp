// The steps many commands and dialogs share.
#include "shell/dialogparts.h"

#include "win/sys.h"

namespace vx {

void showMessage(ProgramState& program, std::string_view title, std::string_view text) {
  int answer = 0;
  sys::messageBox(program.mainWindow, text, title, MB_OK, answer);
}

void showHourglass() {
  HCURSOR cursor = nullptr;
  if (!failed(sys::loadCursor(nullptr, MAKEINTRESOURCEW(32514), cursor))) sys::setCursor(cursor);  // IDC_WAIT
}

void showArrow(ProgramState& program) {
  if (!program.arrowCursor) sys::loadCursor(nullptr, MAKEINTRESOURCEW(32512), program.arrowCursor);  // IDC_ARROW
  if (program.arrowCursor) sys::setCursor(program.arrowCursor);
}

void focusControl(HWND dialog, int id) {
  HWND control = nullptr, previous = nullptr;
  if (!failed(sys::getDlgItem(dialog, id, control))) sys::setFocus(control, previous);
}

INT_PTR CALLBACK closeOnAnyButton(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  sys::endDialog(dialog, LOWORD(wParam));
  return TRUE;
}

}  // namespace vx
