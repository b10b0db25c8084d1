// The dialogs that explain and change nothing: Video Mode, Print, Internet and
// Help. Any button (or Escape, or the close box) closes them.
#include <string>

#include "core/dialogtexts.h"
#include "core/helpdocument.h"
#include "shell/dialogparts.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

// One explanatory text and OK below it.
struct ExplanationLayout {
  std::string_view title;
  std::int16_t width, height;
  std::int16_t textHeight;
  std::int16_t okX, okY;
};

constexpr ExplanationLayout kVideoModeDialog = {caption<"Video Mode">(), 280, 122, 88, 116, 102};
constexpr ExplanationLayout kPrintDialog = {caption<"Print">(), 280, 74, 40, 116, 54};
constexpr ExplanationLayout kInternetDialog = {caption<"Internet">(), 310, 200, 168, 131, 180};

std::string explanationTemplate(ExplanationLayout layout, std::string_view text) {
  const DialogItem items[] = {
      textItem(6, 6, static_cast<std::int16_t>(layout.width - 12), layout.textHeight, text),
      buttonItem(layout.okX, layout.okY, IDOK, "&OK", false),
  };
  return buildCompactTemplate(dialogHeader(layout.title, layout.width, layout.height), items);
}

void explain(ProgramState& program, const std::string& compactTemplate) {
  ShowDialog(program.mainWindow, compactTemplate, closeOnAnyButton, 0);
}

// Help: the document in an edit control the user can scroll and select in.
constexpr std::uint16_t kHelpTextId = 100;
constexpr std::uint32_t kHelpTextStyle = kWsChild | kWsVisible | ES_MULTILINE | WS_VSCROLL | WS_BORDER;

std::string helpTemplate() {
  const DialogItem items[] = {
      {.style = kHelpTextStyle, .x = 6, .y = 6, .cx = 268, .cy = 164, .id = kHelpTextId,
       .windowClass = numbered(kEditClass), .text = named("")},
      buttonItem(116, 176, IDOK, "&OK", true),
  };
  return buildCompactTemplate(dialogHeader(caption<"Help">(), 280, 196), items);
}

INT_PTR CALLBACK helpProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG) return closeOnAnyButton(dialog, message, wParam, lParam);
  static const std::string document = helpDocument();
  // The document is longer than an edit control takes by default.
  sys::sendDlgItemMessage(dialog, kHelpTextId, EM_SETLIMITTEXT, document.size() + 1, 0);
  sys::setDlgItemText(dialog, kHelpTextId, document);
  focusControl(dialog, IDOK);
  return FALSE;
}

}  // namespace

void videoModeCommand(ProgramState& program) {
  static const std::string dialog = explanationTemplate(kVideoModeDialog, kVideoModeText);
  explain(program, dialog);
}

void printCommand(ProgramState& program) {
  static const std::string dialog = explanationTemplate(kPrintDialog, kPrintText);
  explain(program, dialog);
}

void internetCommand(ProgramState& program) {
  static const std::string dialog = explanationTemplate(kInternetDialog, kInternetText);
  explain(program, dialog);
}

void showHelp(HWND owner) {
  static const std::string dialog = helpTemplate();
  ShowDialog(owner, dialog, helpProcedure, 0);
}

void helpCommand(ProgramState& program) { showHelp(program.mainWindow); }

}  // namespace vx
