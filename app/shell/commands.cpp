// The menu bar's commands and the dialog class every dialog uses.
#include "shell/commands.h"

#include <iterator>

#include "win/sys.h"

namespace vx {

const char* const kMenuLabels[kMenuCommands] = {
    "&Open", "&Edit", "Sc&rollbar", "&Color", "&Background", "&Animate", "&VideoMode",
    "&Save", "&Print", "C&lipboard", "&Internet", "E&xit", "&Help",
};

namespace {

// The system's own dialog class, copied for class "b".
constexpr WORD kSystemDialogClass = 0x8002;

void exitCommand(ProgramState& program) { sys::postMessage(program.mainWindow, WM_CLOSE, 0, 0); }

using MenuHandler = void (*)(ProgramState&);

// Indexed by the command identifier.
constexpr MenuHandler kMenuHandlers[] = {
    openCommand,        // Open
    editCommand,        // Edit
    scrollbarCommand,   // Scrollbar
    colorCommand,       // Color
    backgroundCommand,  // Background
    animateCommand,     // Animate
    videoModeCommand,   // VideoMode
    saveCommand,        // Save
    printCommand,       // Print
    clipboardCommand,   // Clipboard
    internetCommand,    // Internet
    exitCommand,        // Exit
    helpCommand,        // Help
};
static_assert(std::size(kMenuHandlers) == kMenuCommands, "one handler per menu command");

}  // namespace

void runMenuCommand(ProgramState& program, int id) {
  if (id < 0 || id >= kMenuCommands) return;
  kMenuHandlers[id](program);
}

Status registerDialogClass(ProgramState& program) {
  WNDCLASSEXW dialogClass;
  Status status = sys::getClassInfoEx(nullptr, "", kSystemDialogClass, dialogClass);
  if (failed(status)) return status;
  // The copy keeps the system's dialog procedure and extra bytes; it adds the
  // program icon, which every dialog's caption then shows.
  HICON icon = nullptr, smallIcon = nullptr;
  status = sys::loadIcon(program.instance, kProgramIcon, icon);
  if (failed(status)) return status;
  sys::loadIconImage(program.instance, kProgramIcon, sys::getSystemMetrics(SM_CXSMICON),
                     sys::getSystemMetrics(SM_CYSMICON), smallIcon);
  dialogClass.hInstance = program.instance;
  dialogClass.hIcon = icon;
  dialogClass.hIconSm = smallIcon;
  ATOM atom = 0;
  return sys::registerClassEx(dialogClass, kDialogClass, atom);
}

}  // namespace vx
