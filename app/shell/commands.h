#pragma once
// The menu commands and what every dialog of the program shares.
#include <windows.h>

#include <string>
#include <string_view>

#include "base/status.h"
#include "shell/programstate.h"

namespace vx {

// The menu bar: one command per position, labels in that order.
enum MenuCommand : int {
  kMenuOpen = 0,
  kMenuEdit,
  kMenuScrollbar,
  kMenuColor,
  kMenuBackground,
  kMenuAnimate,
  kMenuVideoMode,
  kMenuSave,
  kMenuPrint,
  kMenuClipboard,
  kMenuInternet,
  kMenuExit,
  kMenuHelp,
  kMenuCommands
};
// The menu labels, in command order.
extern const char* const kMenuLabels[kMenuCommands];

// Runs menu command `id`; identifiers outside the table are ignored.
void runMenuCommand(ProgramState& program, int id);

// Dialog class "b": the system's dialog class with the program icon, used by
// every dialog of the program.
inline constexpr char kDialogClass[] = "b";
inline constexpr int kProgramIcon = 300;
Status registerDialogClass(ProgramState& program);

// The two questions asked before edited text would be lost: true to go on
// (OK), false for Cancel, the close box, or a prompt that could not be shown.
bool confirmExit(ProgramState& program);
bool confirmOpen(ProgramState& program);

// The graph files the Open and Save dialogs list: description and pattern
// pairs, each ended by a zero character (the view is sized from the array, so
// that it keeps the zeros).
inline constexpr char kGraphFileFilterText[] =
    "Veltrix Files (*.vlx, *.zqm, *.veltrix)\0*.vlx;*.zqm;*.veltrix\0"
    "All Files (*.*)\0*.*\0";
inline constexpr std::string_view kGraphFileFilter{kGraphFileFilterText, sizeof kGraphFileFilterText - 1};
static_assert(kGraphFileFilter.ends_with(std::string_view("\0All Files (*.*)\0*.*\0", 21)),
              "both pairs, zeros included");
// The file name buffer of both, in characters with the terminator.
inline constexpr DWORD kFileNameUnits = 1536;
// The explanation panel's text control.
inline constexpr std::uint16_t kPanelTextId = 291;

// One of the two graph-file dialogs: its title, its flags and the explanation
// panel (240 wide, Arial 10) shown below the system's own controls.
struct GraphFileDialog {
  std::string_view title;
  DWORD flags;
  std::int16_t panelHeight;
  std::string_view panelText;
  bool save;
};
// Shows the dialog over the main window, starting in the current folder, with
// the graph-file filter, "vlx" as the default extension and the program icon.
// kCancelled when the user cancelled.
Status chooseGraphFileName(ProgramState& program, const GraphFileDialog& dialog, std::string& path);

// The Open command: the prompt when the text was edited, the file dialog, then
// the file.
void openCommand(ProgramState& program);
// Reads `path` and runs it; a file that cannot be read or decoded leaves the
// current graph as it was. A file named on the command line also makes its
// folder the current directory.
void openGraphFile(ProgramState& program, const std::string& path, bool fromCommandLine);

// The other menu commands, each with its dialog: editdialog.cpp, scrollbar.cpp,
// choicedialogs.cpp (Color, Background, Animate), infodialogs.cpp (Video Mode,
// Print, Internet, Help), savecommand.cpp, clipboard.cpp.
void editCommand(ProgramState& program);
void scrollbarCommand(ProgramState& program);
void colorCommand(ProgramState& program);
void backgroundCommand(ProgramState& program);
void animateCommand(ProgramState& program);
void videoModeCommand(ProgramState& program);
void saveCommand(ProgramState& program);
void printCommand(ProgramState& program);
void clipboardCommand(ProgramState& program);
void internetCommand(ProgramState& program);
void helpCommand(ProgramState& program);

// WM_VSCROLL of the main window: moves the slider and what it is bound to.
void scrollBarMoved(ProgramState& program, WPARAM wParam);

// The picture as a METAFILEPICT in global memory for the clipboard (nullptr
// when it could not be made); the caller owns it until the clipboard takes it.
HGLOBAL MakeMetafilePicture(ProgramState& program);

}  // namespace vx
