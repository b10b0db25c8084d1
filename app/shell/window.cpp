// The main window's procedure: a table of the messages the program handles,
// one OnXxx handler each; every other message goes to the default procedure.
#include <iterator>

#include "shell/commands.h"
#include "shell/shell.h"
#include "win/sys.h"

namespace vx {

namespace {

using Handler = LRESULT (*)(ProgramState& program, WPARAM wParam, LPARAM lParam);

// Escape, F1 and the Help key close the program; the seven view keys start a
// key hold. Alt with a key comes as a system key and is handled the same, so
// Alt with an arrow turns and the system's Alt+F4 never closes the window.
LRESULT OnKeyDown(ProgramState& program, WPARAM wParam, LPARAM) {
  const std::uint32_t key = static_cast<std::uint32_t>(wParam);
  if (key == VK_ESCAPE || key == VK_F1 || key == VK_HELP) {
    sys::postMessage(program.mainWindow, WM_CLOSE, 0, 0);
    return 0;
  }
  const int viewKey = viewKeyOfVirtualKey(key);
  if (viewKey >= 0) program.control.keyDown(ViewKey(viewKey), sys::getTickCount(), sys::getMessageTime());
  return 0;
}

LRESULT OnKeyUp(ProgramState& program, WPARAM wParam, LPARAM) {
  const int viewKey = viewKeyOfVirtualKey(static_cast<std::uint32_t>(wParam));
  if (viewKey >= 0) program.control.keyUp(ViewKey(viewKey), sys::getTickCount(), sys::getMessageTime());
  return 0;
}

// The slicing scroll bar (scrollbar.cpp): bound by the Scrollbar dialog.
LRESULT OnVScroll(ProgramState& program, WPARAM wParam, LPARAM) {
  scrollBarMoved(program, wParam);
  return 0;
}

// Painting only copies the finished picture: frames draw it.
LRESULT OnPaint(ProgramState& program, WPARAM, LPARAM) {
  RECT update;
  bool any = false;
  sys::getUpdateRect(program.mainWindow, update, false, any);
  if (!any) return 0;
  if (program.frameDC && program.windowDC) {
    sys::bitBlt(program.windowDC, 0, 0, program.lastColumn + 1, program.lastRow + 1, program.frameDC, 0, 0, SRCCOPY);
  }
  // Validated even when nothing could be copied: an update region left behind
  // would bring WM_PAINT back at once, for ever.
  sys::validateRect(program.mainWindow, nullptr);
  return 0;
}

LRESULT OnDrawItem(ProgramState& program, WPARAM wParam, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (wParam != kStatusBarId || !item) return FALSE;
  drawStatusPart(program, *item);
  return TRUE;
}

// The picture covers the whole client area above the status bar.
LRESULT OnEraseBkgnd(ProgramState&, WPARAM, LPARAM) { return 1; }

LRESULT OnActivate(ProgramState& program, WPARAM wParam, LPARAM) {
  program.control.activate(static_cast<std::uint32_t>(wParam), sys::getTickCount());
  return 0;
}

// The picture is the client area less the status bar; its bottom row lies
// under the status bar's top edge.
void setPictureGeometry(ProgramState& program, const RECT& client) {
  const std::int32_t width = client.right - client.left;
  const std::int32_t height = client.bottom - client.top;
  program.lastColumn = width - 1;
  program.lastRow = height - program.statusBarHeight;
  program.pictureWidth = static_cast<float>(width);
  program.pictureHeight = static_cast<float>(height - program.statusBarHeight);
  program.centerX = static_cast<float>((program.lastColumn + 1) / 2);
  program.centerY = static_cast<float>((program.lastRow + 1) / 2);
  program.halfLeft = -((program.lastColumn + 1) / 2);
  program.halfTop = (program.lastRow + 1) / 2;
  program.halfRight = program.halfLeft + program.lastColumn + 1;
  program.halfBottom = program.halfTop - program.lastRow - 1;
  if (program.frame.base) setPictureSize(program.frame, program.lastColumn, program.lastRow);
}

LRESULT OnSize(ProgramState& program, WPARAM wParam, LPARAM lParam) {
  if (program.titleFont) dismissTitle(program);
  RECT client;
  if (!program.statusBar || failed(sys::getClientRect(program.mainWindow, client))) return 0;
  const int edges[kStatusParts] = {(client.right - client.left) / 2, -1};
  sys::sendMessage(program.statusBar, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(edges));
  sys::sendMessage(program.statusBar, WM_SIZE, wParam, lParam);  // it docks itself at the bottom
  int borders[3] = {};
  RECT part;
  sys::sendMessage(program.statusBar, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
  if (!sys::sendMessage(program.statusBar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part))) return 0;
  program.statusBarHeight = (part.bottom - part.top) + 2 * borders[1];
  program.control.flags.FrameWanted = true;
  setPictureGeometry(program, client);
  return 0;
}

LRESULT OnPaletteMessage(ProgramState& program) {
  bool changed = false;
  if (failed(realisePalette(program, changed)) || !changed) return 0;
  if (failed(sys::invalidateRect(program.mainWindow, nullptr, false))) return 0;
  sys::updateWindow(program.mainWindow);
  return 1;
}

LRESULT OnQueryNewPalette(ProgramState& program, WPARAM, LPARAM) { return OnPaletteMessage(program); }

LRESULT OnPaletteChanged(ProgramState& program, WPARAM wParam, LPARAM) {
  if (reinterpret_cast<HWND>(wParam) == program.mainWindow) return 0;
  return OnPaletteMessage(program);
}

LRESULT OnCommand(ProgramState& program, WPARAM wParam, LPARAM) {
  dismissTitle(program);
  const int id = LOWORD(wParam);
  if (id < kMenuCommands) runMenuCommand(program, id);
  return 0;
}

// With an edited text the user is asked first; only a yes lets the default
// procedure destroy the window.
LRESULT OnClose(ProgramState& program, WPARAM wParam, LPARAM lParam) {
  dismissTitle(program);
  if (program.document.Edited && !confirmExit(program)) return 0;
  return sys::defWindowProc(program.mainWindow, WM_CLOSE, wParam, lParam);
}

LRESULT OnDestroy(ProgramState&, WPARAM, LPARAM) {
  sys::postQuitMessage(0);
  return 0;
}

struct MessageHandler {
  UINT message;
  Handler handler;
};

// WM_CREATE is handled before the table is consulted: it brings the state.
constexpr MessageHandler kMessageTable[] = {
    {WM_KEYDOWN, OnKeyDown},
    {WM_SYSKEYDOWN, OnKeyDown},
    {WM_KEYUP, OnKeyUp},
    {WM_SYSKEYUP, OnKeyUp},
    {WM_VSCROLL, OnVScroll},
    {WM_PAINT, OnPaint},
    {WM_DRAWITEM, OnDrawItem},
    {WM_ERASEBKGND, OnEraseBkgnd},
    {WM_ACTIVATE, OnActivate},
    {WM_SIZE, OnSize},
    {WM_QUERYNEWPALETTE, OnQueryNewPalette},
    {WM_PALETTECHANGED, OnPaletteChanged},
    {WM_COMMAND, OnCommand},
    {WM_CLOSE, OnClose},
    {WM_DESTROY, OnDestroy},
};
static_assert(std::size(kMessageTable) + 1 == 16, "sixteen messages with WM_CREATE");

// Keeps the state in the window's user-data slot, then makes the status bar.
LRESULT OnCreate(HWND window, LPARAM lParam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  auto* program = static_cast<ProgramState*>(create->lpCreateParams);
  LONG_PTR previous = 0;
  if (failed(sys::setWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(program), previous))) return 0;
  program->mainWindow = window;
  createStatusBar(*program);
  return 0;
}

ProgramState* stateOf(HWND window) {
  LONG_PTR value = 0;
  if (failed(sys::getWindowLongPtr(window, GWLP_USERDATA, value))) return nullptr;
  return reinterpret_cast<ProgramState*>(value);
}

}  // namespace

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window, lParam);
  // Messages before WM_CREATE (sizing, the non-client area) find no state yet.
  ProgramState* program = stateOf(window);
  if (program) {
    for (const MessageHandler& entry : kMessageTable) {
      if (entry.message == message) return entry.handler(*program, wParam, lParam);
    }
  }
  return sys::defWindowProc(window, message, wParam, lParam);
}

}  // namespace vx
