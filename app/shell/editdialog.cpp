// The Edit command: the graph text in a box the user can change, then executed
// as a whole.
#include <string>

#include "core/dialogtexts.h"
#include "shell/dialogparts.h"
#include "shell/shell.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

constexpr std::uint16_t kTextBoxId = 100;
constexpr std::uint16_t kHelpButtonId = 101;
constexpr std::uint32_t kTextBoxStyle =
    kWsChild | kWsVisible | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL | WS_BORDER | kWsTabStop;

// What the box takes from the keyboard, as its terminated buffer would hold it.
constexpr std::size_t kTextBoxBytes = 36864;
// Room to type beyond a text that is already longer than that.
constexpr std::size_t kRoomBeyondLongText = 4096;

std::string editTemplate() {
  const DialogItem items[] = {
      {.style = kTextBoxStyle, .x = 6, .y = 6, .cx = 218, .cy = 54, .id = kTextBoxId,
       .windowClass = numbered(kEditClass), .text = named("")},
      textItem(6, 68, 218, 120, kEditText),
      buttonItem(38, 196, IDOK, "&Execute", true),
      buttonItem(91, 196, IDCANCEL, "&Cancel", false),
      buttonItem(144, 196, kHelpButtonId, "&Help", false),
  };
  return buildCompactTemplate(dialogHeader(caption<"Edit">(), 230, 216), items);
}

struct EditSession {
  ProgramState* program;
  std::string text;  // what Execute read from the box
};

// The current text joined with CR LF. A text longer than the box takes from
// the keyboard (a large file that was opened) is shown whole, with the box's
// limit raised above it: the user sees every line, can still add a few, and
// Execute never cuts one off.
void fillTextBox(HWND dialog, const ProgramState& program) {
  const std::string text = program.document.text.joined();
  const std::size_t limit = text.size() < kTextBoxBytes ? kTextBoxBytes - 1 : text.size() + kRoomBeyondLongText;
  sys::sendDlgItemMessage(dialog, kTextBoxId, EM_SETLIMITTEXT, limit, 0);
  sys::setDlgItemText(dialog, kTextBoxId, text);
  focusControl(dialog, kTextBoxId);
  // The caret after the last character, scrolled into view.
  const LRESULT length = sys::sendDlgItemMessage(dialog, kTextBoxId, WM_GETTEXTLENGTH, 0, 0);
  sys::sendDlgItemMessage(dialog, kTextBoxId, EM_SETSEL, length, length);
  sys::sendDlgItemMessage(dialog, kTextBoxId, EM_SCROLLCARET, 0, 0);
}

INT_PTR CALLBACK editProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    storeDialogParameter(dialog, lParam);
    fillTextBox(dialog, *reinterpret_cast<EditSession*>(lParam)->program);
    return FALSE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK: {
      auto* session = dialogParameter<EditSession>(dialog);
      HWND box = nullptr;
      // The whole box: its limit already bounds what it holds.
      const bool read = !failed(sys::getDlgItem(dialog, kTextBoxId, box)) &&
                        !failed(sys::getWindowText(box, session->text));
      sys::endDialog(dialog, read ? 1 : 0);
      return TRUE;
    }
    case IDCANCEL: sys::endDialog(dialog, 0); return TRUE;
    case kHelpButtonId: showHelp(dialog); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

void editCommand(ProgramState& program) {
  static const std::string dialog = editTemplate();
  EditSession session{&program, {}};
  if (ShowDialog(program.mainWindow, dialog, editProcedure, reinterpret_cast<LPARAM>(&session)) <= 0) return;
  showHourglass();
  // A text the line rules refuse (a lone CR, bytes after Ctrl-Z, a line too
  // long) is as if cancelled: the current text, graph and Edited stay.
  if (failed(program.document.setText(session.text))) {
    showArrow(program);
    return;
  }
  showExecutionResult(program);
}

}  // namespace vx
