// Window class, window, message, menu and scroll-bar wrappers.
#include "win/sys_window.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

template <typename T>
Status answer(T result, T& out, Status own) {
  if (!result) return failure(own);
  out = result;
  return kOk;
}

// For the functions whose zero answer can be valid.
template <typename T, typename Call>
Status answerUnlessError(Call call, T& out, Status own) {
  bool failedCall = false;
  const T result = static_cast<T>(withClearedError(call, failedCall));
  if (failedCall) return failure(own);
  out = result;
  return kOk;
}

}  // namespace

Status getClassInfoEx(HINSTANCE instance, std::string_view className, WORD atom, WNDCLASSEXW& info) {
  const std::u16string name = wide(className);
  const wchar_t* key = className.empty() ? reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(atom)) : w(name);
  WNDCLASSEXW result = {};
  result.cbSize = sizeof result;
  if (!GetClassInfoExW(instance, key, &result)) return failure(kGetClassInfoExFailed);
  info = result;
  return kOk;
}

Status registerClassEx(WNDCLASSEXW info, std::string_view className, ATOM& atom) {
  const std::u16string name = wide(className);
  info.cbSize = sizeof info;
  info.lpszClassName = w(name);
  return answer(RegisterClassExW(&info), atom, kRegisterClassExFailed);
}

Status loadIcon(HINSTANCE instance, int resource, HICON& icon) {
  return answer(LoadIconW(instance, MAKEINTRESOURCEW(resource)), icon, kLoadIconFailed);
}

Status loadIconImage(HINSTANCE instance, int resource, int width, int height, HICON& icon) {
  HANDLE image = LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, width, height, LR_DEFAULTCOLOR);
  return answer(static_cast<HICON>(image), icon, kLoadImageFailed);
}

Status loadCursor(HINSTANCE instance, LPCWSTR resource, HCURSOR& cursor) {
  return answer(LoadCursorW(instance, resource), cursor, kLoadCursorFailed);
}

HCURSOR setCursor(HCURSOR cursor) { return SetCursor(cursor); }
int getSystemMetrics(int index) { return GetSystemMetrics(index); }

Status createWindowEx(DWORD exStyle, std::string_view className, std::string_view title, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* parameter,
                      HWND& window) {
  const std::u16string wideClass = wide(className), wideTitle = wide(title);
  return answer(CreateWindowExW(exStyle, w(wideClass), w(wideTitle), style, x, y, width, height, parent, menu,
                                instance, parameter),
                window, kCreateWindowExFailed);
}

Status destroyWindow(HWND window) { return check(DestroyWindow(window), kDestroyWindowFailed); }
bool showWindow(HWND window, int command) { return ShowWindow(window, command) != 0; }
Status updateWindow(HWND window) { return check(UpdateWindow(window), kUpdateWindowFailed); }

Status setActiveWindow(HWND window, HWND& previous) {
  return answerUnlessError([&] { return SetActiveWindow(window); }, previous, kSetActiveWindowFailed);
}

Status setFocus(HWND window, HWND& previous) {
  return answerUnlessError([&] { return SetFocus(window); }, previous, kSetFocusFailed);
}

Status getParent(HWND window, HWND& parent) {
  return answerUnlessError([&] { return GetParent(window); }, parent, kGetParentFailed);
}

Status getClientRect(HWND window, RECT& rect) { return check(GetClientRect(window, &rect), kGetClientRectFailed); }
Status getWindowRect(HWND window, RECT& rect) { return check(GetWindowRect(window, &rect), kGetWindowRectFailed); }

void getUpdateRect(HWND window, RECT& rect, bool erase, bool& any) { any = GetUpdateRect(window, &rect, erase); }

Status invalidateRect(HWND window, const RECT* rect, bool erase) {
  return check(InvalidateRect(window, rect, erase), kInvalidateRectFailed);
}
Status validateRect(HWND window, const RECT* rect) { return check(ValidateRect(window, rect), kValidateRectFailed); }

Status setWindowText(HWND window, std::string_view text) {
  return check(SetWindowTextW(window, w(wide(text))), kSetWindowTextFailed);
}

Status getWindowText(HWND window, std::string& text) {
  int length = 0;
  const Status measured =
      answerUnlessError([&] { return GetWindowTextLengthW(window); }, length, kGetWindowTextLengthFailed);
  if (failed(measured)) return measured;
  std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
  int copied = 0;
  const Status status =
      answerUnlessError([&] { return GetWindowTextW(window, w(buffer), static_cast<int>(buffer.size())); }, copied,
                        kGetWindowTextFailed);
  if (failed(status)) return status;
  text = narrow(w(buffer), static_cast<std::size_t>(copied));
  return kOk;
}

Status moveWindow(HWND window, int x, int y, int width, int height, bool repaint) {
  return check(MoveWindow(window, x, y, width, height, repaint), kMoveWindowFailed);
}

Status setWindowLongPtr(HWND window, int index, LONG_PTR value, LONG_PTR& previous) {
  return answerUnlessError([&] { return SetWindowLongPtrW(window, index, value); }, previous,
                           kSetWindowLongPtrFailed);
}

Status getWindowLongPtr(HWND window, int index, LONG_PTR& value) {
  return answerUnlessError([&] { return GetWindowLongPtrW(window, index); }, value, kGetWindowLongPtrFailed);
}

LRESULT defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

bool peekMessage(MSG& message, HWND window, UINT first, UINT last, UINT remove) {
  return PeekMessageW(&message, window, first, last, remove) != 0;
}

int getMessage(MSG& message, HWND window, UINT first, UINT last) {
  const BOOL result = GetMessageW(&message, window, first, last);
  if (result == -1) failure(kGetMessageFailed);
  return result;
}

Status waitMessage() { return check(WaitMessage(), kWaitMessageFailed); }
bool translateMessage(const MSG& message) { return TranslateMessage(&message) != 0; }
LRESULT dispatchMessage(const MSG& message) { return DispatchMessageW(&message); }

Status postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return check(PostMessageW(window, message, wParam, lParam), kPostMessageFailed);
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(window, message, wParam, lParam);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

Status createMenu(HMENU& menu) { return answer(CreateMenu(), menu, kCreateMenuFailed); }

Status appendMenu(HMENU menu, UINT flags, UINT_PTR id, std::string_view label) {
  return check(AppendMenuW(menu, flags, id, w(wide(label))), kAppendMenuFailed);
}

Status setMenu(HWND window, HMENU menu) { return check(SetMenu(window, menu), kSetMenuFailed); }
Status drawMenuBar(HWND window) { return check(DrawMenuBar(window), kDrawMenuBarFailed); }

Status setScrollRange(HWND window, int bar, int minimum, int maximum, bool redraw) {
  return check(SetScrollRange(window, bar, minimum, maximum, redraw), kSetScrollRangeFailed);
}

Status setScrollPos(HWND window, int bar, int position, bool redraw, int& previous) {
  return answerUnlessError([&] { return SetScrollPos(window, bar, position, redraw); }, previous,
                           kSetScrollPosFailed);
}

Status getScrollPos(HWND window, int bar, int& position) {
  return answerUnlessError([&] { return GetScrollPos(window, bar); }, position, kGetScrollPosFailed);
}

Status enableScrollBar(HWND window, UINT bar, UINT arrows) {
  BOOL done = FALSE;
  return answerUnlessError([&] { return EnableScrollBar(window, bar, arrows); }, done, kEnableScrollBarFailed);
}

}  // namespace vx::sys
