#pragma once
// What the files of the graphing program share: the frame, the status bar, the
// main window and the start-up steps that set up drawing.
#include <windows.h>

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
// Status part 0 after an execution: what the last text's last command left.
void showExecutionResult(ProgramState& program);

// One frame: draw the picture for the view as it stood, turn and zoom by the
// held keys, draw the opening title while it stands, and ask for a repaint.
void RunFrame(ProgramState& program);

// TimeDependent and FrameWanted after a graph text was executed.
void noteExecution(ProgramState& program);

// The main window's procedure and the names of its class.
LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr char kMainWindowClass[] = "a";

// Start-up pieces (startup.cpp, video.cpp, status.cpp).
Status registerMainWindowClass(ProgramState& program);
Status createMainWindow(ProgramState& program);
Status setUpPalette(ProgramState& program);
Status realisePalette(ProgramState& program, bool& changed);
Status setUpVideoMode(ProgramState& program);
Status createStatusBar(ProgramState& program);
Status createTitleFont(ProgramState& program);
void dismissTitle(ProgramState& program);
Status setUpLabelLetters(ProgramState& program);

// WM_DRAWITEM of the status bar.
void drawStatusPart(ProgramState& program, const DRAWITEMSTRUCT& item);

}  // namespace vx
