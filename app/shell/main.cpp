// The graphing program's entry point: start-up in its fixed order, then the
// message loop that interleaves frames with messages. Nothing here reports a
// failure: a step whose system call fails ends there and start-up goes on.
#include <new>
#include <string>

#include "base/commandline.h"
#include "base/executablememory.h"
#include "base/fpu.h"
#include "lang/native.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "win/sys.h"
#include "win/winhost.h"

namespace vx {

namespace {

// Chunks straight from the system's virtual memory: zero-filled and aligned to
// the allocation granularity. The program's one allocator lives for the whole
// run, so nothing is handed back but the large blocks it releases.
class PageChunkSource final : public ChunkSource {
 public:
  void* obtain(std::size_t size) override {
    void* block = nullptr;
    if (failed(sys::virtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE, block))) outOfMemory();
    return block;
  }
  void giveBack(void* block, std::size_t) override { sys::virtualFree(block, 0, MEM_RELEASE); }
};

// The files of WinHost, with `time` read from the program clock, which stands
// still while the program is inactive.
class ProgramHost final : public WinHost {
 public:
  ProgramHost() : WinHost(kProgramRelease.title.data()) {}
  void attach(ViewControl& control) { control_ = &control; }
  double clockSeconds() override { return control_->clock.seconds(sys::getTickCount()); }

 private:
  ViewControl* control_ = nullptr;
};

// The host and the state, made together in one block from the chunk source.
struct Program {
  Program(ChunkSource& source, std::size_t pageSize, std::size_t granularity)
      : state(source, pageSize, granularity, host) {
    host.attach(state.control);
  }
  ProgramHost host;
  ProgramState state;
};

ProgramState& createProgramState(PageChunkSource& source) {
  SYSTEM_INFO system = {};
  sys::getSystemInfo(system);
  void* block = source.obtain(sizeof(Program));
  Program* program = new (block) Program(source, system.dwPageSize, system.dwAllocationGranularity);
  return program->state;
}

void readCommandLine(ProgramState& program) {
  std::string commandLine;
  if (failed(sys::getCommandLine(commandLine))) return;
  const std::string path = commandLinePath(commandLine);
  if (path.size() >= sizeof program.CommandLinePath) return;  // UTF-8 longer than the buffer: refused
  path.copy(program.CommandLinePath, path.size());
  program.CommandLinePath[path.size()] = 0;
}

Status registerMainWindowClass(ProgramState& program) {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof info;
  info.style = CS_OWNDC | CS_BYTEALIGNCLIENT;
  info.lpfnWndProc = mainWindowProcedure;
  info.hInstance = program.instance;
  sys::loadIcon(program.instance, kProgramIcon, info.hIcon);  // no icon is no reason to stop
  ATOM atom = 0;
  return sys::registerClassEx(info, kMainWindowClass, atom);
}

// WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_CLIPCHILDREN.
constexpr DWORD kMainWindowStyle = 0x02EF0000;
static_assert(kMainWindowStyle == (WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_CLIPCHILDREN));
constexpr int kScrollRange = 0x7FC0;

Status createMainWindow(ProgramState& program) {
  HWND window = nullptr;
  const Status status = sys::createWindowEx(0, kMainWindowClass, kProgramRelease.title, kMainWindowStyle, CW_USEDEFAULT,
                                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                            program.instance, &program, window);
  if (failed(status)) return status;
  program.mainWindow = window;
  return kOk;
}

// The slicing scroll bar starts switched off: its range set, both arrows disabled.
void setUpScrollBar(ProgramState& program) {
  if (failed(sys::setScrollRange(program.mainWindow, SB_VERT, 0, kScrollRange, false))) return;
  sys::enableScrollBar(program.mainWindow, SB_VERT, ESB_DISABLE_BOTH);
}

// One string item per label, its position as its command identifier.
void buildMenuBar(ProgramState& program) {
  HMENU menu = nullptr;
  if (failed(sys::createMenu(menu))) return;
  for (int id = 0; id < kMenuCommands; ++id) {
    if (failed(sys::appendMenu(menu, MF_STRING, static_cast<UINT_PTR>(id), kMenuLabels[id]))) return;
  }
  sys::setMenu(program.mainWindow, menu);
}

// The folder of the program file: the module path cut at its last backslash,
// which stays when it follows a drive colon ("C:\").
void enterProgramFolder() {
  std::string path;
  if (failed(sys::getModuleFileName(nullptr, path))) return;
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return;
  const bool driveRoot = slash > 0 && path[slash - 1] == ':';
  path.resize(driveRoot ? slash + 1 : slash);
  sys::setCurrentDirectory(path);
}

// The sample library, when it exists, is where the Open dialog starts: the
// installer puts it in the Windows folder under the release's title.
void enterSampleLibrary(const ProgramState& program) {
  std::string folder;
  if (failed(sys::getWindowsDirectory(folder))) return;
  folder += '\\';
  folder += kProgramRelease.title;
  if (folder.size() >= sizeof program.CommandLinePath) return;
  sys::setCurrentDirectory(folder);
}

void setArrowCursor(ProgramState& program) {
  if (!program.arrowCursor) sys::loadCursor(nullptr, MAKEINTRESOURCEW(32512), program.arrowCursor);  // IDC_ARROW
  if (program.arrowCursor) sys::setCursor(program.arrowCursor);
}

void showMainWindow(ProgramState& program) {
  sys::showWindow(program.mainWindow, SW_SHOWMAXIMIZED);
  if (program.statusBar) sys::showWindow(program.statusBar, SW_SHOW);
  bool changed = false;
  realisePalette(program, changed);
  HWND previous = nullptr;
  sys::setActiveWindow(program.mainWindow, previous);
}

void showOpeningGraph(ProgramState& program) {
  if (program.CommandLinePath[0]) {
    program.TitleDismissed = true;
    openGraphFile(program, program.CommandLinePath, true);
    return;
  }
  createTitleFont(program);
  program.document.readOpeningGraph();
  program.document.execute();
  showExecutionResult(program);
}

void startUp(ProgramState& program) {
  sys::setThreadPriority(sys::getCurrentThread(), THREAD_PRIORITY_HIGHEST);
  setProgramFloatingPointMode();
  useExecutableMemory(&systemExecutableMemory());
  readCommandLine(program);
  HMODULE module = nullptr;
  if (!failed(sys::getModuleHandle("", module))) program.instance = module;
  registerDialogClass(program);
  if (failed(registerMainWindowClass(program)) || failed(createMainWindow(program))) sys::exitProcess(1);
  setUpScrollBar(program);
  buildMenuBar(program);
  program.control.clock.start(sys::getTickCount());
  enterProgramFolder();
  enterSampleLibrary(program);
  ShowStatus(program, 0, "Click on Open or Edit above to begin");
  ShowStatus(program, 1, "Click on Scrollbar above to activate the scrollbar");
  DWORD previousLimit = 0;
  sys::gdiSetBatchLimit(1, previousLimit);
  HDC dc = nullptr;
  if (!failed(sys::getDC(program.mainWindow, dc))) program.windowDC = dc;
  setUpPalette(program);
  showMainWindow(program);
  setUpVideoMode(program);
  setUpLabelLetters(program);
  program.control.frameClock = program.control.clock.now(sys::getTickCount());
  setArrowCursor(program);
  // The warning beep stays off until the user logs off (not written to the profile).
  sys::systemParametersInfo(SPI_SETBEEP, 0, nullptr, 0);
  program.control.flags.FrameWanted = true;
  showOpeningGraph(program);
}

// Takes every queued message first; frames run only when the queue is empty,
// and with no frame wanted the program sleeps until the next message.
[[noreturn]] void runMessageLoop(ProgramState& program) {
  for (;;) {
    MSG message;
    if (sys::peekMessage(message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) sys::exitProcess(0);
      sys::translateMessage(message);
      sys::dispatchMessage(message);
    } else if (program.control.flags.FrameWanted) {
      RunFrame(program);
      setArrowCursor(program);
    } else {
      sys::waitMessage();
    }
  }
}

}  // namespace

}  // namespace vx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static vx::PageChunkSource source;
  vx::ProgramState& program = vx::createProgramState(source);
  vx::startUp(program);
  vx::RunFrame(program);
  vx::runMessageLoop(program);
}
