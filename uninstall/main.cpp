// The uninstaller. A running program's file cannot be deleted, so the
// uninstaller first hands over to a working copy of itself in the Windows
// folder and ends; the copy asks, removes what the installation wrote (only
// what is listed, and folders only once nothing of the user's is left in
// them), and at the very end has the command interpreter erase the copy.
// Exit code 0 in every case.
#include <initializer_list>
#include <string>

#include "setup/engine/engine.h"
#include "setup/engine/texts.h"
#include "win/sys.h"

namespace vx::setup {

namespace {

constexpr char kWorkingCopyName[] = "EJZ06K3R.EXE";

// "Veltrix 2000" writes about 360 KB.
#ifdef VELTRIX_RELEASE_2000
#define VX_FREED_SIZE "400k"
#else
#define VX_FREED_SIZE "900k"
#endif

constexpr char kCaption[] = "Uninstall " VX_RELEASE;

constexpr char kConfirmation[] =
    VX_BREAK VX_BREAK VX_BREAK "Removing " VX_RELEASE " from your hard disk drive will take only a few seconds, "
    "and will free about " VX_FREED_SIZE " of of disk space.  After removing " VX_RELEASE
    " from your hard disk drive, you can reinstall it from the original installation program."
    VX_BREAK VX_BREAK VX_BREAK VX_BREAK "             OK to remove " VX_RELEASE "?";

constexpr char kProgress[] = VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK "Removing ...";
constexpr char kCompletion[] = VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK "Done.";

constexpr char kFailureLead[] = "Unexpected Windows failure while uninstalling " VX_RELEASE "; unable to continue.";
constexpr char kFailureClosing[] =
    "Please visit the Veltrix web site, " VX_WEB_SITE ", for more info or technical support.";

// The command lines that erase a file, for the interpreters of both system
// families; each is followed by the quoted path.
constexpr const char* kEraseCommands[] = {"command.com /c erase ", "cmd /c erase "};

std::string joined(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text.append(part.data(), part.size());
  return text;
}

// Windows paths compare without regard to case.
bool samePath(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Starts `commandLine` suspended and detached from any console, raises this
// thread to the highest priority and only then lets the new process run, so
// that this process has ended before its successor touches this program's file.
Status startSuccessor(const std::string& commandLine, int show) {
  PROCESS_INFORMATION process;
  Status status = sys::createProcess(commandLine, CREATE_SUSPENDED | DETACHED_PROCESS, show, process);
  if (failed(status)) return status;
  sys::setThreadPriority(sys::getCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  status = sys::resumeThread(process.hThread);
  sys::closeHandle(process.hThread);
  sys::closeHandle(process.hProcess);
  return status;
}

// Copies this program to the working copy and starts it; true when the copy
// now runs and this process should end. Running as the copy, or when the copy
// cannot be made or started, the removal goes on here.
bool handedOverToWorkingCopy() {
  std::string own, windows;
  if (failed(sys::getModuleFileName(nullptr, own)) || failed(sys::getWindowsDirectory(windows))) return false;
  const std::string copy = joined({windows, "\\", kWorkingCopyName});
  // Copying a file onto itself would truncate the running program on a system
  // that allowed it; the copy knows itself by its path.
  if (samePath(own, copy)) return false;
  if (failed(sys::copyFile(own, copy, false))) return false;
  return !failed(startSuccessor(joined({"\"", copy, "\""}), sys::kDefaultShow));
}

void eraseOwnFile() {
  std::string own;
  if (failed(sys::getModuleFileName(nullptr, own))) return;
  for (const char* erase : kEraseCommands) startSuccessor(joined({erase, "\"", own, "\""}), SW_HIDE);
}

void showRemovalFailure() { showFailure(nullptr, kCaption, kFailureLead, kOk, false, kFailureClosing); }

// Every removal ignores what it cannot remove; registry values first, so that
// nothing points at files that are gone.
void removeInstallation(const FolderTable& folders) {
  removeRegistryTree(kCarriedTrees.removal.registry, folders);
  removeBrowserEntry();
  deleteListed(kCarriedTrees.removal.shortcuts, folders);
  deleteListed(kCarriedTrees.removal.files, folders);
}

// The removal with its panels; returns when the window is to close.
void askAndRemove(SetupState& state) {
  if (failed(createFrame(state, kCaption, kUninstallLayout))) return showRemovalFailure();
  const std::int32_t answer = askPanel(state, kConfirmation, PanelButtons::OkCancel);
  if (failed(answer)) return showRemovalFailure();
  if (answer != IDOK) return;
  if (failed(showPanel(state, kProgress, PanelButtons::None))) return showRemovalFailure();
  letPanelPaint();
  if (failed(fillSpecialFolders(state.folders))) return showRemovalFailure();
  removeInstallation(state.folders.table());
  if (failed(askPanel(state, kCompletion, PanelButtons::Ok))) showRemovalFailure();
}

}  // namespace

}  // namespace vx::setup

// The program starts here rather than in the C runtime's start-up code, which
// would be a quarter of the program: it needs no arguments, no thread-local
// data and no constructors, and it ends through ExitProcess.
extern "C" [[noreturn]] void uninstallerStart() {
  using namespace vx::setup;
  if (handedOverToWorkingCopy()) vx::sys::exitProcess(0);
  SetupState state;
  askAndRemove(state);
  closeFrame(state);
  eraseOwnFile();
  vx::sys::exitProcess(0);
}
