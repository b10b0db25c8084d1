// Window class, window, message, menu and scroll-bar wrappers.
#include "win/sys_window.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

template <typename T>
Status answer(T result, T& out) {
  if (!result) return failure();
  out = result;
  return kOk;
}

// For the functions whose zero answer can be valid.
template <typename T, typename Call>
Status answerUnlessError(Call call, T& out) {
  bool failedCall = false;
  const T result = static_cast<T>(withClearedError(call, failedCall));
  if (failedCall) return failure();
  out = result;
  return kOk;
}

}  // namespace

Status getClassInfoEx(HINSTANCE instance, std::string_view className, WORD atom, WNDCLASSEXW& info) {
  const std::u16string name = wide(className);
  const wchar_t* key = className.empty() ? reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(atom)) : w(name);
  WNDCLASSEXW result = {};
  result.cbSize = sizeof result;
  if (!GetClassInfoExW(instance, key, &result)) return failure();
  info = result;
  return kOk;
}

Status registerClassEx(WNDCLASSEXW info, std::string_view className, ATOM& atom) {
  const std::u16string name = wide(className);
  info.cbSize = sizeof info;
  info.lpszClassName = w(name);
  return answer(RegisterClassExW(&info), atom);
}

Status loadIcon(HINSTANCE instance, int resource, HICON& icon) {
  return answer(LoadIconW(instance, MAKEINTRESOURCEW(resource)), icon);
}

Status loadIconImage(HINSTANCE instance, int resource, int width, int height, HICON& icon) {
  HANDLE image = LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, width, height, LR_DEFAULTCOLOR);
  return answer(static_cast<HICON>(image), icon);
}

Status loadCursor(HINSTANCE instance, LPCWSTR resource, HCURSOR& cursor) {
  return answer(LoadCursorW(instance, resource), cursor);
}

HCURSOR setCursor(HCURSOR cursor) { return SetCursor(cursor); }
int getSystemMetrics(int index) { return GetSystemMetrics(index); }

Status createWindowEx(DWORD exStyle, std::string_view className, std::string_view title, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* parameter,
                      HWND& window) {
  const std::u16string wideClass = wide(className), wideTitle = wide(title);
  return answer(CreateWindowExW(exStyle, w(wideClass), w(wideTitle), style, x, y, width, height, parent, menu,
                                instance, parameter),
                window);
}

Status destroyWindow(HWND window) { return check(DestroyWindow(window)); }
bool showWindow(HWND window, int command) { return ShowWindow(window, command) != 0; }
Status updateWindow(HWND window) { return check(UpdateWindow(window)); }

Status setActiveWindow(HWND window, HWND& previous) {
  return answerUnlessError([&] { return SetActiveWindow(window); }, previous);
}

Status setFocus(HWND window, HWND& previous) {
  return answerUnlessError([&] { return SetFocus(window); }, previous);
}

Status getParent(HWND window, HWND& parent) {
  return answerUnlessError([&] { return GetParent(window); }, parent);
}

Status getClientRect(HWND window, RECT& rect) { return check(GetClientRect(window, &rect)); }
Status getWindowRect(HWND window, RECT& rect) { return check(GetWindowRect(window, &rect)); }

void getUpdateRect(HWND window, RECT& rect, bool erase, bool& any) { any = GetUpdateRect(window, &rect, erase); }

Status invalidateRect(HWND window, const RECT* rect, bool erase) { return check(InvalidateRect(window, rect, erase)); }
Status validateRect(HWND window, const RECT* rect) { return check(ValidateRect(window, rect)); }

Status setWindowText(HWND window, std::string_view text) { return check(SetWindowTextW(window, w(wide(text)))); }

Status getWindowText(HWND window, std::string& text) {
  int length = 0;
  if (failed(answerUnlessError([&] { return GetWindowTextLengthW(window); }, length))) return kSystemCallFailed;
  std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
  int copied = 0;
  const Status status =
      answerUnlessError([&] { return GetWindowTextW(window, w(buffer), static_cast<int>(buffer.size())); }, copied);
  if (failed(status)) return status;
  text = narrow(w(buffer), static_cast<std::size_t>(copied));
  return kOk;
}

Status moveWindow(HWND window, int x, int y, int width, int height, bool repaint) {
  return check(MoveWindow(window, x, y, width, height, repaint));
}

Status setWindowLongPtr(HWND window, int index, LONG_PTR value, LONG_PTR& previous) {
  return answerUnlessError([&] { return SetWindowLongPtrW(window, index, value); }, previous);
}

Status getWindowLongPtr(HWND window, int index, LONG_PTR& value) {
  return answerUnlessError([&] { return GetWindowLongPtrW(window, index); }, value);
}

LRESULT defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

bool peekMessage(MSG& message, HWND window, UINT first, UINT last, UINT remove) {
  return PeekMessageW(&message, window, first, last, remove) != 0;
}

int getMessage(MSG& message, HWND window, UINT first, UINT last) {
  const BOOL result = GetMessageW(&message, window, first, last);
  if (result == -1) failure();
  return result;
}

Status waitMessage() { return check(WaitMessage()); }
bool translateMessage(const MSG& message) { return TranslateMessage(&message) != 0; }
LRESULT dispatchMessage(const MSG& message) { return DispatchMessageW(&message); }

Status postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return check(PostMessageW(window, message, wParam, lParam));
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(window, message, wParam, lParam);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

Status createMenu(HMENU& menu) { return answer(CreateMenu(), menu); }

Status appendMenu(HMENU menu, UINT flags, UINT_PTR id, std::string_view label) {
  return check(AppendMenuW(menu, flags, id, w(wide(label))));
}

Status setMenu(HWND window, HMENU menu) { return check(SetMenu(window, menu)); }
Status drawMenuBar(HWND window) { return check(DrawMenuBar(window)); }

Status setScrollRange(HWND window, int bar, int minimum, int maximum, bool redraw) {
  return check(SetScrollRange(window, bar, minimum, maximum, redraw));
}

Status setScrollPos(HWND window, int bar, int position, bool redraw, int& previous) {
  return answerUnlessError([&] { return SetScrollPos(window, bar, position, redraw); }, previous);
}

Status getScrollPos(HWND window, int bar, int& position) {
  return answerUnlessError([&] { return GetScrollPos(window, bar); }, position);
}

Status enableScrollBar(HWND window, UINT bar, UINT arrows) {
  BOOL done = FALSE;
  return answerUnlessError([&] { return EnableScrollBar(window, bar, arrows); }, done);
}

}  // namespace vx::sys
