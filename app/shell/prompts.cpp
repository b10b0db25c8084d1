// The two questions asked before edited text would be lost: on closing the
// program, and on opening another file.
#include <iterator>
#include <string>

#include "base/dialogtemplate.h"
#include "shell/commands.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

struct PromptLayout {
  std::string_view title;
  std::int16_t width;
  std::string_view question;
  std::int16_t okX, cancelX;
};

constexpr PromptLayout kExitPrompt = {caption<"Exit">(), 128, "You have edited this file.\r\n\r\nOK to exit without saving it?",
                                      14, 67};
constexpr PromptLayout kOpenPrompt = {
    caption<"Open">(), 168, "You have edited this file.\r\n\r\nOK to open another file without saving it?", 34, 87};

constexpr std::uint16_t kNoId = 0xFFFF;
constexpr std::uint32_t kButton = kWsChild | kWsVisible | kWsTabStop;

std::string promptTemplate(const PromptLayout& prompt) {
  const DialogHeader header = {.cx = prompt.width, .cy = 58, .windowClass = named(kDialogClass), .title = prompt.title,
                               .pointSize = 10, .face = "Arial"};
  const DialogItem items[] = {
      {.style = kWsChild | kWsVisible | kSsCenter, .x = 6, .y = 6, .cx = static_cast<std::int16_t>(prompt.width - 12),
       .cy = 24, .id = kNoId, .windowClass = numbered(kStaticClass), .text = named(prompt.question)},
      {.style = kButton | kBsDefPushButton, .x = prompt.okX, .y = 38, .cx = 47, .cy = 14, .id = IDOK,
       .windowClass = numbered(kButtonClass), .text = named("&OK")},
      {.style = kButton | kBsPushButton, .x = prompt.cancelX, .y = 38, .cx = 47, .cy = 14, .id = IDCANCEL,
       .windowClass = numbered(kButtonClass), .text = named("&Cancel")},
  };
  return buildCompactTemplate(header, items);
}

// OK ends the prompt with 1; Cancel and the close box (which the system sends
// as IDCANCEL) with 0.
INT_PTR CALLBACK promptProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  const WORD id = LOWORD(wParam);
  if (id != IDOK && id != IDCANCEL) return FALSE;
  sys::endDialog(dialog, id == IDOK ? 1 : 0);
  return TRUE;
}

bool ask(ProgramState& program, const std::string& compactTemplate) {
  // A prompt that cannot be shown counts as Cancel: the edited text is kept.
  return ShowDialog(program.mainWindow, compactTemplate, promptProcedure, 0) > 0;
}

}  // namespace

bool confirmExit(ProgramState& program) {
  static const std::string exitPrompt = promptTemplate(kExitPrompt);
  return ask(program, exitPrompt);
}

bool confirmOpen(ProgramState& program) {
  static const std::string openPrompt = promptTemplate(kOpenPrompt);
  return ask(program, openPrompt);
}

}  // namespace vx
