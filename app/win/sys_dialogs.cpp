// Dialog, message box, common control and common dialog wrappers.
#include "win/sys_dialogs.h"

#include <commctrl.h>

#include <vector>

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

Status dialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND owner, DLGPROC procedure,
                              LPARAM parameter, INT_PTR& result) {
  const INT_PTR answer = DialogBoxIndirectParamW(instance, dialogTemplate, owner, procedure, parameter);
  if (answer == -1) return failure(kDialogBoxIndirectParamFailed);
  result = answer;
  return kOk;
}

Status createDialogIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent, DLGPROC procedure,
                                 LPARAM parameter, HWND& dialog) {
  HWND result = CreateDialogIndirectParamW(instance, dialogTemplate, parent, procedure, parameter);
  if (!result) return failure(kCreateDialogIndirectParamFailed);
  dialog = result;
  return kOk;
}

bool isDialogMessage(HWND dialog, MSG& message) { return IsDialogMessageW(dialog, &message) != 0; }

Status endDialog(HWND dialog, INT_PTR result) { return check(EndDialog(dialog, result), kEndDialogFailed); }

Status getDlgItem(HWND dialog, int id, HWND& item) {
  HWND result = GetDlgItem(dialog, id);
  if (!result) return failure(kGetDlgItemFailed);
  item = result;
  return kOk;
}

Status getDlgItemText(HWND dialog, int id, std::size_t maxBytes, std::string& text) {
  if (maxBytes == 0) return kOutOfRange;
  // Every UTF-16 unit makes at least one byte of UTF-8, so a buffer of maxBytes
  // units holds all that can fit.
  std::u16string buffer(maxBytes, u'\0');
  SetLastError(0);
  const UINT units = GetDlgItemTextW(dialog, id, w(buffer), static_cast<int>(maxBytes));
  if (units == 0 && GetLastError() != 0) return failure(kGetDlgItemTextFailed);
  std::string result = narrow(w(buffer), units);
  if (result.size() >= maxBytes) {
    std::size_t end = maxBytes - 1;
    while (end > 0 && (static_cast<unsigned char>(result[end]) & 0xC0) == 0x80) --end;
    result.resize(end);
  }
  text = std::move(result);
  return kOk;
}

Status setDlgItemText(HWND dialog, int id, std::string_view text) {
  return check(SetDlgItemTextW(dialog, id, w(wide(text))), kSetDlgItemTextFailed);
}

Status checkRadioButton(HWND dialog, int first, int last, int checked) {
  return check(CheckRadioButton(dialog, first, last, checked), kCheckRadioButtonFailed);
}

UINT isDlgButtonChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id); }

LRESULT sendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

Status messageBox(HWND owner, std::string_view text, std::string_view caption, UINT type, int& answer) {
  const int result = MessageBoxW(owner, w(wide(text)), w(wide(caption)), type);
  if (result == 0) return failure(kMessageBoxFailed);
  answer = result;
  return kOk;
}

void initCommonControls() { InitCommonControls(); }

namespace {

using FileDialogCall = BOOL(WINAPI*)(OPENFILENAMEW*);

Status runFileDialog(FileDialogCall call, const FileDialogRequest& request, std::string& path, Status own) {
  // The filter list ends with an empty string: one more zero after the last pair.
  std::u16string filter = wide(request.filter);
  if (filter.empty() || filter.back() != u'\0') filter.push_back(u'\0');
  const std::u16string title = wide(request.title), extension = wide(request.defaultExtension),
                       folder = wide(request.initialFolder);
  std::vector<wchar_t> name(request.nameBufferUnits > 0 ? request.nameBufferUnits : 1, L'\0');

  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = request.owner;
  dialog.hInstance = reinterpret_cast<HINSTANCE>(const_cast<DLGTEMPLATE*>(request.childTemplate));
  dialog.lpstrFilter = w(filter);
  dialog.nFilterIndex = request.filterIndex;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = request.initialFolder.empty() ? nullptr : w(folder);
  dialog.lpstrTitle = request.title.empty() ? nullptr : w(title);
  dialog.Flags = request.flags;
  dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : w(extension);
  dialog.lCustData = request.hookParameter;
  dialog.lpfnHook = request.hook;
  if (!call(&dialog)) {
    // The common dialogs report through their own error code; none means the
    // user cancelled.
    const DWORD error = CommDlgExtendedError();
    if (error == 0) return kCancelled;
    return failure(own, error);
  }
  name.back() = L'\0';
  path = narrow(name.data(), wcslen(name.data()));
  return kOk;
}

}  // namespace

Status getOpenFileName(const FileDialogRequest& request, std::string& path) {
  return runFileDialog(GetOpenFileNameW, request, path, kGetOpenFileNameFailed);
}

Status getSaveFileName(const FileDialogRequest& request, std::string& path) {
  return runFileDialog(GetSaveFileNameW, request, path, kGetSaveFileNameFailed);
}

Status systemParametersInfo(UINT action, UINT parameter, void* value, UINT update) {
  return check(SystemParametersInfoW(action, parameter, value, update), kSystemParametersInfoFailed);
}

}  // namespace vx::sys
