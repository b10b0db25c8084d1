#pragma once
// The menu commands and what every dialog of the program shares.
#include <windows.h>

#include <string>

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

// The Open command: the prompt when the text was edited, the file dialog, then
// the file.
void openCommand(ProgramState& program);
// Reads `path` and runs it; a file that cannot be read or decoded leaves the
// current graph as it was. A file named on the command line also makes its
// folder the current directory.
void openGraphFile(ProgramState& program, const std::string& path, bool fromCommandLine);

}  // namespace vx
