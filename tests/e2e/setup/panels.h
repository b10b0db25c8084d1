#pragma once
// The setup programs as a user meets them: a captioned frame that shows one
// panel at a time (a text and up to two buttons), answered from the keyboard;
// the failure box; and the graphing program that opening a graph file starts.
#include <windows.h>

#include <memory>
#include <string>

namespace e2e::setup {

// A process the story started; ended by its handle if it still runs at the end.
class Started {
 public:
  static std::unique_ptr<Started> run(const std::string& program);  // a Unix path, started with no arguments
  static std::unique_ptr<Started> runCommandLine(const std::wstring& commandLine);
  ~Started();
  // The exit code, or -1 when the process still runs after `timeoutMs`.
  long waitForExit(DWORD timeoutMs = 60000) const;
  DWORD id() const { return info_.dwProcessId; }

 private:
  Started() = default;
  PROCESS_INFORMATION info_{};
};

struct Panel {
  HWND frame = nullptr, dialog = nullptr;
  std::string text;  // line breaks as "\n"
  explicit operator bool() const { return dialog != nullptr; }
};

// Waits for the visible frame titled `caption` to show a panel whose text
// contains `part`; an empty panel, with a test failure that says what the
// screen showed instead, on timeout.
Panel waitForPanel(const char* caption, const std::string& part, DWORD timeoutMs = 30000);

enum class Answer {
  Ok,      // Enter: the OK button has the focus and is the default
  Cancel,  // Escape
  Close,   // Alt+F4, as closing the window from its system menu
};
void answer(const Panel& panel, Answer answer);
// Waits until no frame titled `caption` is left.
bool waitUntilGone(const char* caption, DWORD timeoutMs = 30000);

// Waits for a message box titled `caption` and returns its text; `box` receives it.
std::string waitForMessageBox(const char* caption, HWND& box, DWORD timeoutMs = 30000);

// Runs `program` (a Unix path) and answers OK on the panel that asks
// `question` and on the one that says "Done."; it must then end with 0.
void runThrough(const std::string& program, const char* caption, const std::string& question);

// The program file of the process that owns `window`.
std::wstring imageOf(HWND window);

// What the screen shows, as <name>.png in the suite's folder.
void screenshot(const std::string& name);

// The running graphing program that opening a graph file started.
struct OpenedProgram {
  DWORD processId = 0;
  HWND window = nullptr;
  std::wstring image, commandLine, currentDirectory;
};
// Opens `file` (a Windows path) as the shell does for a double click, and
// waits for the program's window.
OpenedProgram openThroughShell(const std::string& file);
// Closes the program's window and waits for it to end (ending it by its id if it does not).
void closeProgram(const OpenedProgram& program);

}  // namespace e2e::setup
