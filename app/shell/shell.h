#pragma once
// What the files of the graphing program share: the frame, the status bar, the
// main window and the start-up steps that set up drawing.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <string_view>

#include "base/status.h"
#include "shell/programstate.h"

namespace vx {

// Status bar: control identifier and its two parts.
inline constexpr int kStatusBarId = 4097;
inline constexpr int kStatusParts = 2;

// Copies at most 127 bytes of `text` (never half a UTF-8 sequence) into the
// part's buffer and has the status bar draw it; a part above 1 is ignored.
void ShowStatus(ProgramState& program, int part, std::string_view text);
// After a graph text was executed: status part 0 shows what its last command
// left (the graph command, "Syntax error" or a value, as `veltrix run` prints
// it), the frames animate while the graph shown uses `time`, and a frame is
// wanted.
void showExecutionResult(ProgramState& program);

// One frame: draw the picture for the view as it stood, turn and zoom by the
// held keys, draw the opening title while it stands, and ask for a repaint.
void RunFrame(ProgramState& program);

// The main window's procedure and the names of its class.
LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr char kMainWindowClass[] = "a";

// Pixels for a height in points on the window's display: LOGPIXELSY x points
// / 72, halves rounded up.
int pixelsForPoints(HDC dc, int points);
// The program's Arial (the face is given at creation) at a cell height in pixels.
LOGFONTW programFont(int cellHeight);

// The status bar (status.cpp): made at WM_CREATE with its font; WM_DRAWITEM.
Status createStatusBar(ProgramState& program);
void drawStatusPart(ProgramState& program, const DRAWITEMSTRUCT& item);

// Palette and frame buffer (video.cpp).
Status setUpPalette(ProgramState& program);
// Selects the program palette into the window's device context as the
// foreground palette and realises it; `changed`: whether any entry moved.
Status realisePalette(ProgramState& program, bool& changed);
// The 8-bit or the 32-bit frame buffer, from the display's bits per pixel.
Status setUpVideoMode(ProgramState& program);

// The opening title (title.cpp).
Status createTitleFont(ProgramState& program);
// The first menu command, resize or close request ends the title for good.
void dismissTitle(ProgramState& program);
void drawTitle(ProgramState& program);

// GDI letters for the box labels (letters.cpp).
Status setUpLabelLetters(ProgramState& program);

}  // namespace vx
