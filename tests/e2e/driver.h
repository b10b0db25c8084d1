#pragma once
// The end-to-end driver's hold on a running veltrix.exe: it starts the program
// as Windows would, finds its main window, posts the messages a user's keys and
// menu clicks produce, reads the program's state out of its memory (the main
// window's user-data slot holds the address of ProgramState, whose layout this
// program shares by including the same header with the same compiler), and ends
// what it started. The suite's files are Unix paths; Wine shows them on drive Z:.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "shell/programstate.h"

namespace e2e {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
std::wstring windowsPath(const std::string& unixPath);
// The folder the harness runs the suite in (the driver's current folder), as a Unix path.
std::string workFolder();
// A graph file of the suite's own, as a Unix path.
std::string dataFile(const char* name);
// Copies `from` to `to` (Unix paths), making the target's folder.
bool copyFile(const std::string& from, const std::string& to);

// A copy of ProgramState taken in one read, so that the fields belong together.
class Snapshot {
 public:
  template <class T>
  T at(std::size_t offset) const {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
  }
  std::string text(std::size_t offset, std::size_t capacity) const;
  std::vector<char> bytes;
};

// A member of the snapshot's ProgramState, for example E2E_FIELD(s, document.zoom).
#define E2E_FIELD(snapshot, member)                                                            \
  (snapshot).at<std::remove_cvref_t<decltype(std::declval<vx::ProgramState&>().member)>>( \
      offsetof(vx::ProgramState, member))
// A text buffer of the snapshot's ProgramState, up to its terminator.
#define E2E_TEXT(snapshot, member) \
  (snapshot).text(offsetof(vx::ProgramState, member), sizeof(std::declval<vx::ProgramState&>().member))

// Virtual keys as the keyboard sends them (with their scan codes, the extended
// bit of the navigation keys, and the Alt bit of the system keys).
enum class KeyAction { Down, Up };

// The image path, command line and current directory of a running process,
// read from its process parameters (empty strings where they cannot be read).
struct ProcessParameters {
  std::wstring image, commandLine, currentDirectory;
};
ProcessParameters readProcessParameters(HANDLE process);

class Program {
 public:
  // Starts veltrix.exe with `arguments` after its own quoted path, in `folder`
  // (empty: the driver's folder), and waits until its main window has shown
  // its first frame. Null, with the reason recorded as a test failure, when the
  // program did not come up.
  static std::unique_ptr<Program> start(const std::wstring& arguments, const std::string& folder = "");
  ~Program();  // ends the process, by its handle, when it still runs

  Snapshot snapshot() const;
  // Waits until the program wants no frame and its frame count stands still.
  Snapshot settle() const;
  // Waits until `frames` more frames have been produced; false on timeout.
  bool waitForFrames(std::uint32_t frames, DWORD timeoutMs = 10000) const;
  // Writes into the program's ProgramState at `offset`.
  bool write(std::size_t offset, const void* data, std::size_t size) const;
  bool read(std::uintptr_t address, void* data, std::size_t size) const;
  std::uintptr_t stateAddress() const { return state_; }

  void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void key(UINT virtualKey, KeyAction action, bool alt = false) const;
  void menuCommand(int id) const { post(WM_COMMAND, static_cast<WPARAM>(id), 0); }
  // Asks for one frame without touching the view: the size message Windows
  // sends for the window's present size.
  void askForFrame() const;

  // A visible top-level window of the program with this title (a dialog)
  // other than `other`, or null.
  HWND waitForWindow(const wchar_t* title, DWORD timeoutMs = 5000, HWND other = nullptr) const;
  // Runs menu command `id` and waits for the window titled `title` that it opens.
  HWND openDialog(int id, const wchar_t* title) const;
  bool running() const;
  // Waits for the process to end; its exit code, or -1 when it still runs.
  long waitForExit(DWORD timeoutMs = 5000) const;
  // The process's user plus kernel time in milliseconds.
  double processorMillis() const;
  // The program's current directory, read from its process parameters.
  std::wstring currentDirectory() const;

  HWND window() const { return window_; }
  HANDLE process() const { return info_.hProcess; }

 private:
  Program() = default;
  PROCESS_INFORMATION info_{};
  HWND window_ = nullptr;
  std::uintptr_t state_ = 0;
};

// Waits until `condition()` holds, polling; false on timeout.
template <class Condition>
bool waitUntil(Condition condition, DWORD timeoutMs = 10000) {
  const DWORD since = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - since > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// Presses the push button labelled `label` in `dialog` as a click would.
bool pressButton(HWND dialog, const wchar_t* label);
// Clicks control `id` of `dialog` (a button or a choice) with the mouse.
bool clickControl(HWND dialog, int id);
// Presses and releases a key where the keyboard focus of the window's thread is.
void pressKey(HWND window, UINT virtualKey);
// The control of `dialog` that has the keyboard focus: its identifier, or -1.
int focusedControl(HWND dialog);
// A window's text as the window itself answers WM_GETTEXT (an edit control of
// another process keeps its text where GetWindowText does not look).
std::wstring windowText(HWND window);
std::wstring controlText(HWND dialog, int id);
// A control's text anywhere below `window` (file dialogs nest their panels).
std::wstring descendantText(HWND window, int id);
bool waitUntilClosed(HWND window, DWORD timeoutMs = 10000);

// Runs a shell command on the Linux side (Wine starts native programs through
// CreateProcess) and returns its exit status; its output goes where the command
// sends it. The command must not contain double quotes.
int runNative(const std::string& command);
std::string readTextFile(const std::string& unixPath);
bool writeTextFile(const std::string& unixPath, const std::string& text);

// A picture as 0x00RRGGBB pixels, rows top to bottom.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The native tool's picture of `graphFile` at the program's size, view and
// depth; empty when the tool or the conversion failed.
Picture renderNatively(const std::string& graphFile, int width, int height, float horizontal, float elevation,
                       int depth, float zoom = 1);
// What the screen shows of the window's client area, from (0, 0).
Picture screenPicture(HWND window, int width, int height);
// The native tool's picture of `graphFile` at the size, view and zoom the
// snapshot's program shows, and what the screen shows of that picture.
Picture renderAsShown(const Snapshot& s, const std::string& graphFile, int depth);
Picture shownPicture(const Program& program, const Snapshot& s);
// The program's own frame buffer, 8-bit indices mapped through its colour table.
Picture framePicture(const Program& program);

// The clipboard, opened by the driver: emptied, or read as a metafile picture
// played into a bitmap of `width` x `height` at one logical unit per pixel, as
// a program that pastes it at its natural size would. `header` receives the
// picture's mapping mode and physical size.
bool emptyClipboard();
bool clipboardHasMetafilePicture();
Picture clipboardPicture(int width, int height, METAFILEPICT& header);

// Pixels that differ in the top `rows` rows, and the first of them.
struct Difference {
  long count = 0;
  int x = -1, y = -1;
  std::uint32_t expected = 0, actual = 0;
};
Difference comparePictures(const Picture& expected, const Picture& actual, int rows);
std::string describe(const Difference& difference);

}  // namespace e2e
