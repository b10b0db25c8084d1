// The Save command: the system's save dialog with an explanation panel, then
// the question of the form, then the file. Edited is cleared only by a write
// that reached the disk whole.
#include <string>

#include "core/dialogtexts.h"
#include "shell/dialogparts.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

// Made at start-up: the panel text is defined in another file.
const GraphFileDialog kSaveDialog = {
    caption<"Save">(),
    OFN_EXPLORER | OFN_NONETWORKBUTTON | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY |
        OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE,
    84, kSavePanelText, true};

// The question's answers are its buttons' identifiers.
constexpr std::uint16_t kSaveBinary = IDOK;
constexpr std::uint16_t kSaveAscii = 6;

std::string formQuestionTemplate() {
  const DialogItem items[] = {
      textItem(6, 6, 288, 112, kSaveQuestionText),
      buttonItem(9, 54, kSaveBinary, "&Save as binary VLX file", true, 90),
      buttonItem(105, 54, kSaveAscii, "Save as &ASCII VLX file", false, 90),
      buttonItem(201, 54, IDCANCEL, "&Cancel", false, 90),
  };
  return buildCompactTemplate(dialogHeader(caption<"Save">(), 300, 74), items);
}

// Ends with the button's identifier; Cancel and the close box with 0.
INT_PTR CALLBACK formQuestionProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  const WORD id = LOWORD(wParam);
  if (id != kSaveBinary && id != kSaveAscii && id != IDCANCEL) return FALSE;
  sys::endDialog(dialog, id == IDCANCEL ? 0 : id);
  return TRUE;
}

}  // namespace

void saveCommand(ProgramState& program) {
  std::string path;
  if (failed(chooseGraphFileName(program, kSaveDialog, path))) return;  // cancelled or failed
  // A release without binary graph files saves every graph as text, unasked.
  INT_PTR form = kSaveAscii;
  if (kProgramRelease.binaryFiles) {
    static const std::string question = formQuestionTemplate();
    form = ShowDialog(program.mainWindow, question, formQuestionProcedure, 0);
    if (form != kSaveBinary && form != kSaveAscii) return;
  }
  // The binary form is scrambled from a seed that differs from save to save.
  const auto seed = static_cast<std::uint8_t>(sys::getTickCount());
  // Written beside the old file and renamed over it: a failed write leaves the
  // old file whole, and Edited set.
  program.document.save(path, form == kSaveBinary ? GraphFileForm::Binary : GraphFileForm::Ascii, seed);
}

}  // namespace vx
