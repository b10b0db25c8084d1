#pragma once
// Dialogs, message boxes, common controls and dialogs, system settings.
#include "win/sys.h"

#include <commdlg.h>

namespace vx::sys {

// -1 is the failure. (An invalid owner makes the system answer 0, which a
// dialog may also return: callers pass a live owner or none.)
Status dialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND owner, DLGPROC procedure,
                              LPARAM parameter, INT_PTR& result);
// A modeless dialog (the setup programs' frame and panels).
Status createDialogIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent, DLGPROC procedure,
                                 LPARAM parameter, HWND& dialog);
// Whether the dialog manager of `dialog` took the message (no failure value).
bool isDialogMessage(HWND dialog, MSG& message);
Status endDialog(HWND dialog, INT_PTR result);
Status getDlgItem(HWND dialog, int id, HWND& item);
// At most `maxBytes` - 1 bytes of UTF-8 (cut at a character boundary).
Status getDlgItemText(HWND dialog, int id, std::size_t maxBytes, std::string& text);
Status setDlgItemText(HWND dialog, int id, std::string_view text);
Status checkRadioButton(HWND dialog, int first, int last, int checked);
UINT isDlgButtonChecked(HWND dialog, int id);
LRESULT sendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// `answer`: the button pressed (IDOK...).
Status messageBox(HWND owner, std::string_view text, std::string_view caption, UINT type, int& answer);

void initCommonControls();

// One explorer-style open or save dialog. `filter` holds the description and
// pattern pairs, each ended by a zero character (the list's end needs none).
struct FileDialogRequest {
  HWND owner = nullptr;
  std::string_view title;
  std::string_view filter;
  DWORD filterIndex = 1;
  std::string_view defaultExtension;
  std::string_view initialFolder;  // "" lets the system choose
  DWORD flags = 0;
  LPOFNHOOKPROC hook = nullptr;
  LPARAM hookParameter = 0;  // the hook finds it in OPENFILENAMEW's lCustData
  // With OFN_ENABLETEMPLATEHANDLE: the expanded child-panel template.
  const DLGTEMPLATE* childTemplate = nullptr;
  DWORD nameBufferUnits = 1536;  // UTF-16 units, the terminator included
};
// kCancelled when the user closed the dialog, kSystemCallFailed when it failed
// (the common dialogs' own error code is then lastError()).
Status getOpenFileName(const FileDialogRequest& request, std::string& path);
Status getSaveFileName(const FileDialogRequest& request, std::string& path);

Status systemParametersInfo(UINT action, UINT parameter, void* value, UINT update);

}  // namespace vx::sys
