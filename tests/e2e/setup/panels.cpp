#include "panels.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "driver.h"

namespace e2e::setup {

namespace {

// Every static text of a message box and of a panel has this identifier.
constexpr int kTextId = 0xFFFF;
constexpr wchar_t kDialogClass[] = L"#32770";
// The graphing program's main window class.
constexpr wchar_t kProgramClass[] = L"a";

std::wstring className(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The system keeps a window's text, so it can be read without asking a busy thread.
std::string textOf(HWND window) {
  std::wstring text(8192, L'\0');
  text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(window, text.data(), 8192))));
  std::string shown;
  for (char c : narrow(text)) {
    if (c != '\r') shown += c;
  }
  return shown;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

std::vector<HWND> visibleTopLevelWindows() {
  std::vector<HWND> windows, visible;
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    if (IsWindowVisible(window)) visible.push_back(window);
  }
  return visible;
}

std::vector<HWND> topLevelWindows(const std::wstring& caption) {
  std::vector<HWND> found;
  for (HWND window : visibleTopLevelWindows()) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (caption == text) found.push_back(window);
  }
  return found;
}

std::vector<HWND> childDialogs(HWND frame) {
  std::vector<HWND> panels;
  for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (className(child) == kDialogClass) panels.push_back(child);
  }
  return panels;
}

// Posts a key as the keyboard delivers it to the window with the focus.
void postKey(HWND window, UINT virtualKey, bool alt) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus) target = thread.hwndFocus;
  LPARAM flags = 1 | (LPARAM(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16);
  if (alt) flags |= LPARAM(1) << 29;
  EXPECT_TRUE(PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, flags));
  EXPECT_TRUE(PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, flags | (LPARAM(3) << 30)));
}

HWND programWindow(DWORD processId) {
  for (HWND window : visibleTopLevelWindows()) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && className(window) == kProgramClass) return window;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<Started> Started::run(const std::string& program) {
  return runCommandLine(L"\"" + windowsPath(program) + L"\"");
}

std::unique_ptr<Started> Started::runCommandLine(const std::wstring& commandLine) {
  std::unique_ptr<Started> started(new Started);
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Wine now and then refuses, with an internal error, to start a program whose
  // file a setup program has only just written; a user would simply try again.
  DWORD error = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started->info_))
      return started;
    error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR) break;
    Sleep(500);
  }
  ADD_FAILURE() << "cannot start " << narrow(commandLine) << " (error " << error << ")";
  return nullptr;
}

Started::~Started() {
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    ADD_FAILURE() << "the setup program still ran at the end of the story";
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

long Started::waitForExit(DWORD timeoutMs) const {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

Panel waitForPanel(const char* caption, const std::string& part, DWORD timeoutMs) {
  Panel panel;
  std::string seen = "no window titled \"" + std::string(caption) + "\"";
  waitUntil(
      [&] {
        for (HWND frame : topLevelWindows(widen(caption))) {
          if (className(frame) == kDialogClass) continue;  // a message box with the same caption
          for (HWND dialog : childDialogs(frame)) {
            const std::string text = textOf(GetDlgItem(dialog, kTextId));
            seen = "a panel saying \"" + text + "\"";
            if (text.find(part) == std::string::npos) continue;
            panel = Panel{frame, dialog, text};
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (!panel) ADD_FAILURE() << "no panel saying \"" << part << "\" in \"" << caption << "\"; the screen shows " << seen;
  return panel;
}

void answer(const Panel& panel, Answer answer) {
  ASSERT_TRUE(panel);
  switch (answer) {
    case Answer::Ok:
      // The user sees OK as the default button with the focus: Enter presses it.
      EXPECT_TRUE(waitUntil([&panel] { return focusedControl(panel.dialog) == IDOK; }, 5000))
          << "the OK button does not have the focus";
      postKey(panel.dialog, VK_RETURN, false);
      break;
    case Answer::Cancel:
      postKey(panel.dialog, VK_ESCAPE, false);
      break;
    case Answer::Close:
      postKey(panel.dialog, VK_F4, true);
      break;
  }
}

bool waitUntilGone(const char* caption, DWORD timeoutMs) {
  return waitUntil([caption] { return topLevelWindows(widen(caption)).empty(); }, timeoutMs);
}

std::string waitForMessageBox(const char* caption, HWND& box, DWORD timeoutMs) {
  box = nullptr;
  waitUntil(
      [&] {
        for (HWND window : topLevelWindows(widen(caption))) {
          if (className(window) == kDialogClass && GetDlgItem(window, kTextId)) box = window;
        }
        return box != nullptr;
      },
      timeoutMs);
  if (!box) {
    ADD_FAILURE() << "no message box titled \"" << caption << "\"";
    return "";
  }
  return textOf(GetDlgItem(box, kTextId));
}

void runThrough(const std::string& program, const char* caption, const std::string& question) {
  auto run = Started::run(program);
  ASSERT_TRUE(run);
  const Panel confirmation = waitForPanel(caption, question);
  ASSERT_TRUE(confirmation);
  answer(confirmation, Answer::Ok);
  const Panel done = waitForPanel(caption, "Done.", 60000);
  ASSERT_TRUE(done);
  answer(done, Answer::Ok);
  EXPECT_EQ(run->waitForExit(), 0);
}

std::wstring imageOf(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return L"";
  wchar_t path[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameW(process, 0, path, &length)) length = 0;
  CloseHandle(process);
  return std::wstring(path, length);
}

void screenshot(const std::string& name) {
  EXPECT_EQ(runNative("import -window root '" + workFolder() + "/" + name + ".png'"), 0) << "no screenshot " << name;
}

OpenedProgram openThroughShell(const std::string& file) {
  OpenedProgram program;
  const std::wstring path = widen(file);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"open";
  execute.lpFile = path.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&execute) || !execute.hProcess) {
    ADD_FAILURE() << "the shell did not open " << file << " (error " << GetLastError() << ")";
    return program;
  }
  program.processId = GetProcessId(execute.hProcess);
  // The program makes the graph file's folder its current one once it has read the file.
  const std::wstring folder = path.substr(0, path.rfind(L'\\'));
  waitUntil(
      [&] {
        program.window = programWindow(program.processId);
        const ProcessParameters parameters = readProcessParameters(execute.hProcess);
        program.image = parameters.image;
        program.commandLine = parameters.commandLine;
        program.currentDirectory = parameters.currentDirectory;
        while (!program.currentDirectory.empty() && program.currentDirectory.back() == L'\\') {
          program.currentDirectory.pop_back();
        }
        return program.window && _wcsicmp(program.currentDirectory.c_str(), folder.c_str()) == 0;
      },
      30000);
  CloseHandle(execute.hProcess);
  return program;
}

void closeProgram(const OpenedProgram& program) {
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, program.processId);
  if (!process) return;
  if (program.window) PostMessageW(program.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the graphing program did not end when its window was closed";
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
  CloseHandle(process);
}

}  // namespace e2e::setup
