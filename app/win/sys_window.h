#pragma once
// Window classes, windows, messages, menus and the scroll bar.
#include "win/sys.h"

namespace vx::sys {

// `className` "" with `atom` non-zero names a class by its atom (the system's
// dialog class is 0x8002).
Status getClassInfoEx(HINSTANCE instance, std::string_view className, WORD atom, WNDCLASSEXW& info);
// `info.lpszClassName` is replaced by `className`.
Status registerClassEx(WNDCLASSEXW info, std::string_view className, ATOM& atom);

Status loadIcon(HINSTANCE instance, int resource, HICON& icon);
// An icon resource at a given size (LoadImage with IMAGE_ICON): the small icon.
Status loadIconImage(HINSTANCE instance, int resource, int width, int height, HICON& icon);
// `instance` nullptr with a system cursor number (IDC_ARROW, IDC_WAIT).
Status loadCursor(HINSTANCE instance, LPCWSTR resource, HCURSOR& cursor);
// Returns the previous cursor (none is not a failure).
HCURSOR setCursor(HCURSOR cursor);
// Zero is a valid answer for many metrics: there is no failure value.
int getSystemMetrics(int index);

Status createWindowEx(DWORD exStyle, std::string_view className, std::string_view title, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* parameter,
                      HWND& window);
Status destroyWindow(HWND window);
// Returns whether the window was visible before.
bool showWindow(HWND window, int command);
Status updateWindow(HWND window);
Status setActiveWindow(HWND window, HWND& previous);
Status setFocus(HWND window, HWND& previous);
Status getParent(HWND window, HWND& parent);
Status getClientRect(HWND window, RECT& rect);
Status getWindowRect(HWND window, RECT& rect);
// `any`: whether an update region exists (GetUpdateRect has no failure value).
void getUpdateRect(HWND window, RECT& rect, bool erase, bool& any);
Status invalidateRect(HWND window, const RECT* rect, bool erase);
Status validateRect(HWND window, const RECT* rect);
Status setWindowText(HWND window, std::string_view text);
Status getWindowText(HWND window, std::string& text);
Status moveWindow(HWND window, int x, int y, int width, int height, bool repaint);

// Zero is a valid slot value: failure is zero with a last error.
Status setWindowLongPtr(HWND window, int index, LONG_PTR value, LONG_PTR& previous);
Status getWindowLongPtr(HWND window, int index, LONG_PTR& value);
LRESULT defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the next message off the queue without waiting; false when there is none.
bool peekMessage(MSG& message, HWND window, UINT first, UINT last, UINT remove);
// Waits for the next message: above 0 a message, 0 the end of the program
// (WM_QUIT), -1 a failure.
int getMessage(MSG& message, HWND window, UINT first, UINT last);
Status waitMessage();
bool translateMessage(const MSG& message);
LRESULT dispatchMessage(const MSG& message);
Status postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void postQuitMessage(int exitCode);

Status createMenu(HMENU& menu);
Status appendMenu(HMENU menu, UINT flags, UINT_PTR id, std::string_view label);
Status setMenu(HWND window, HMENU menu);
Status drawMenuBar(HWND window);

Status setScrollRange(HWND window, int bar, int minimum, int maximum, bool redraw);
// Zero is a valid position: failure is zero with a last error.
Status setScrollPos(HWND window, int bar, int position, bool redraw, int& previous);
Status getScrollPos(HWND window, int bar, int& position);
// Zero is also the answer when the arrows already were in that state: failure
// is zero with a last error.
Status enableScrollBar(HWND window, UINT bar, UINT arrows);

}  // namespace vx::sys
