// The Open command: the prompt when the text was edited, the system's
// explorer-style open dialog with an explanation panel below it, and the road of
// the chosen file into the document.
#include <string>

#include "base/dialogtemplate.h"
#include "base/paths.h"
#include "core/dialogtexts.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

// Made at start-up: the panel text is defined in another file.
const GraphFileDialog kOpenDialog = {
    caption<"Open">(),
    OFN_EXPLORER | OFN_NONETWORKBUTTON | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
        OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE,
    76, kOpenPanelText, false};

// The panel a file dialog shows below its own controls: a child of the dialog,
// so it has no caption, and one text of its own.
std::string fileDialogPanel(std::int16_t height, std::string_view text) {
  constexpr std::uint32_t kPanelStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL | DS_SETFONT;
  const DialogHeader header = {.style = kPanelStyle, .cx = 240, .cy = height, .pointSize = 10, .face = "Arial"};
  const DialogItem items[] = {
      {.x = 6, .y = 6, .cx = 228, .cy = static_cast<std::int16_t>(height - 12), .id = kPanelTextId,
       .windowClass = numbered(kStaticClass), .text = named(text)},
  };
  return buildCompactTemplate(header, items);
}

// The hook runs in the panel; the file dialog is its parent and gets the
// program icon in both sizes.
UINT_PTR CALLBACK fileDialogHook(HWND panel, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return 0;
  HWND dialog = nullptr;
  if (failed(sys::getParent(panel, dialog)) || !dialog) return 0;
  const auto* request = reinterpret_cast<const OPENFILENAMEW*>(lParam);
  const auto* program = reinterpret_cast<const ProgramState*>(request->lCustData);
  HICON icon = nullptr, smallIcon = nullptr;
  if (!failed(sys::loadIcon(program->instance, kProgramIcon, icon)))
    sys::sendMessage(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  if (!failed(sys::loadIconImage(program->instance, kProgramIcon, sys::getSystemMetrics(SM_CXSMICON),
                                 sys::getSystemMetrics(SM_CYSMICON), smallIcon)))
    sys::sendMessage(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  return 0;
}

}  // namespace

Status chooseGraphFileName(ProgramState& program, const GraphFileDialog& dialog, std::string& path) {
  ExpandedTemplate panel;
  const Status status = panel.expand(fileDialogPanel(dialog.panelHeight, dialog.panelText));
  if (failed(status)) return status;
  // The dialog starts in the current folder: the sample library, or the folder
  // of the file named on the command line.
  std::string folder;
  sys::getCurrentDirectory(folder);
  sys::FileDialogRequest request;
  request.owner = program.mainWindow;
  request.title = dialog.title;
  request.filter = kGraphFileFilter;
  request.defaultExtension = "vlx";
  request.initialFolder = folder;
  request.flags = dialog.flags;
  request.hook = fileDialogHook;
  request.hookParameter = reinterpret_cast<LPARAM>(&program);
  request.childTemplate = panel.get();
  request.nameBufferUnits = kFileNameUnits;
  return dialog.save ? sys::getSaveFileName(request, path) : sys::getOpenFileName(request, path);
}

void openCommand(ProgramState& program) {
  if (program.document.Edited && !confirmOpen(program)) return;
  std::string path;
  const Status status = chooseGraphFileName(program, kOpenDialog, path);
  program.CommandLinePath[0] = '\0';
  if (failed(status)) return;  // cancelled or failed
  openGraphFile(program, path, false);
}

void openGraphFile(ProgramState& program, const std::string& given, bool fromCommandLine) {
  // A relative name from the command line is made full first: the document
  // finds data files from the graph file's folder, which must stay right after
  // the current folder moves there.
  std::string path = given;
  if (fromCommandLine && !isAbsolutePath(path)) sys::getFullPathName(given, path);
  // Read whole and split before anything changes: a file that cannot be read or
  // decoded leaves the current text, graph and view as they were.
  if (failed(program.document.read(path))) return;
  if (fromCommandLine) {
    // The folder the file lies in becomes the current one (a root keeps its
    // backslash: "C:\"); a bare name leaves the current folder alone.
    const std::string folder = folderOfPath(path);
    if (!folder.empty()) sys::setCurrentDirectory(folder);
  }
  program.document.execute();
  showExecutionResult(program);
}

}  // namespace vx
