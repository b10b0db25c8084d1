#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kSettleTimeoutMs = 30000;
constexpr DWORD kNativeTimeoutMs = 120000;

// A crash of the driver or of the program it starts (which inherits the mode)
// ends that process with the exception's code instead of waiting in a debugger.
const UINT kErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

bool timedOut(DWORD since, DWORD limitMs) { return GetTickCount() - since > limitMs; }

struct WindowSearch {
  DWORD processId;
  const wchar_t* className;  // or null
  const wchar_t* title;      // or null
  HWND other;                // never this one
  HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.processId || window == search.other) return TRUE;
  wchar_t text[256];
  if (search.className && (!GetClassNameW(window, text, 256) || wcscmp(text, search.className) != 0)) return TRUE;
  if (search.title && (GetWindowTextW(window, text, 256) < 0 || wcscmp(text, search.title) != 0)) return TRUE;
  search.found = window;
  return FALSE;
}

HWND findTopLevel(DWORD processId, const wchar_t* className, const wchar_t* title, HWND other = nullptr) {
  WindowSearch search{processId, className, title, other, nullptr};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool isExtendedKey(UINT virtualKey) {
  switch (virtualKey) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
      return true;
    default:
      return false;
  }
}

// A file name inside the work folder, new for every call.
std::string scratchName(const char* stem) {
  static int counter = 0;
  return workFolder() + "/" + stem + "-" + std::to_string(++counter);
}

bool readPpm(const std::string& path, Picture& picture) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  in >> magic >> picture.width >> picture.height >> maximum;
  if (!in || magic != "P6" || maximum != 255 || picture.width <= 0 || picture.height <= 0) return false;
  in.get();  // the one blank after the header
  std::vector<unsigned char> bytes(static_cast<std::size_t>(picture.width) * picture.height * 3);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return false;
  picture.pixels.resize(bytes.size() / 3);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    picture.pixels[i] = (std::uint32_t(bytes[3 * i]) << 16) | (std::uint32_t(bytes[3 * i + 1]) << 8) | bytes[3 * i + 2];
  }
  return true;
}

}  // namespace

std::wstring widen(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& utf16) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring windowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + widen(unixPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string workFolder() {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
  std::string path = narrow(std::wstring(folder, n));
  // Drive Z: is the Unix root.
  if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string dataFile(const char* name) { return std::string(VELTRIX_E2E_DATA) + "/" + name; }

bool copyFile(const std::string& from, const std::string& to) {
  const std::wstring target = windowsPath(to);
  const std::size_t slash = target.rfind(L'\\');
  CreateDirectoryW(target.substr(0, slash).c_str(), nullptr);
  return CopyFileW(windowsPath(from).c_str(), target.c_str(), FALSE) != 0;
}

std::string Snapshot::text(std::size_t offset, std::size_t capacity) const {
  const char* start = bytes.data() + offset;
  return std::string(start, strnlen(start, capacity));
}

std::unique_ptr<Program> Program::start(const std::wstring& arguments, const std::string& folder) {
  std::unique_ptr<Program> program(new Program);
  const std::wstring path = windowsPath(VELTRIX_E2E_PROGRAM);
  std::wstring line = L"\"" + path + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  const std::wstring where = windowsPath(folder.empty() ? workFolder() : folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, where.c_str(), &startup,
                      &program->info_)) {
    ADD_FAILURE() << "cannot start " << narrow(path) << " (error " << GetLastError() << ")";
    return nullptr;
  }
  const DWORD since = GetTickCount();
  while (!timedOut(since, kStartTimeoutMs)) {
    if (!program->running()) {
      ADD_FAILURE() << "veltrix.exe ended during start-up with exit code " << program->waitForExit(0);
      return nullptr;
    }
    if (!program->window_) program->window_ = findTopLevel(program->info_.dwProcessId, L"a", L"Veltrix");
    if (program->window_ && !program->state_) {
      program->state_ = static_cast<std::uintptr_t>(GetWindowLongPtrW(program->window_, GWLP_USERDATA));
    }
    if (program->state_ && E2E_FIELD(program->snapshot(), frameCount) > 0) return program;
    Sleep(20);
  }
  ADD_FAILURE() << "veltrix.exe showed no first frame within " << kStartTimeoutMs / 1000 << " s (window "
                << (program->window_ ? "found" : "not found") << ", state at " << program->state_ << ")";
  return nullptr;
}

Program::~Program() {
  if (running()) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool Program::read(std::uintptr_t address, void* data, std::size_t size) const {
  SIZE_T done = 0;
  return ReadProcessMemory(info_.hProcess, reinterpret_cast<const void*>(address), data, size, &done) &&
         done == size;
}

bool Program::write(std::size_t offset, const void* data, std::size_t size) const {
  SIZE_T done = 0;
  return WriteProcessMemory(info_.hProcess, reinterpret_cast<void*>(state_ + offset), data, size, &done) &&
         done == size;
}

Snapshot Program::snapshot() const {
  Snapshot s;
  s.bytes.assign(sizeof(vx::ProgramState), 0);
  EXPECT_TRUE(read(state_, s.bytes.data(), s.bytes.size())) << "cannot read ProgramState";
  return s;
}

Snapshot Program::settle() const {
  const DWORD since = GetTickCount();
  Snapshot last = snapshot();
  while (!timedOut(since, kSettleTimeoutMs)) {
    Sleep(100);
    Snapshot now = snapshot();
    if (!E2E_FIELD(now, control.flags.FrameWanted) && E2E_FIELD(now, frameCount) == E2E_FIELD(last, frameCount)) {
      return now;
    }
    last = std::move(now);
  }
  ADD_FAILURE() << "veltrix.exe still produces frames after " << kSettleTimeoutMs / 1000 << " s";
  return last;
}

bool Program::waitForFrames(std::uint32_t frames, DWORD timeoutMs) const {
  const std::uint32_t first = E2E_FIELD(snapshot(), frameCount);
  const DWORD since = GetTickCount();
  while (!timedOut(since, timeoutMs)) {
    if (E2E_FIELD(snapshot(), frameCount) - first >= frames) return true;
    Sleep(10);
  }
  return false;
}

void Program::post(UINT message, WPARAM wParam, LPARAM lParam) const {
  EXPECT_TRUE(PostMessageW(window_, message, wParam, lParam)) << "cannot post message " << message;
}

// The key messages' lParam: repeat count 1, scan code, extended bit, Alt as the
// context bit, and for a release the previous-state and transition bits.
void Program::key(UINT virtualKey, KeyAction action, bool alt) const {
  LPARAM flags = 1 | (LPARAM(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16);
  if (isExtendedKey(virtualKey)) flags |= LPARAM(1) << 24;
  if (alt) flags |= LPARAM(1) << 29;
  UINT message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  if (action == KeyAction::Up) {
    flags |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    message = alt ? WM_SYSKEYUP : WM_KEYUP;
  }
  post(message, virtualKey, flags);
}

void Program::askForFrame() const {
  RECT client{};
  GetClientRect(window_, &client);
  post(WM_SIZE, IsZoomed(window_) ? SIZE_MAXIMIZED : SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

HWND Program::waitForWindow(const wchar_t* title, DWORD timeoutMs, HWND other) const {
  const DWORD since = GetTickCount();
  do {
    // A dialog shows itself once its controls are made and initialised.
    HWND found = findTopLevel(info_.dwProcessId, nullptr, title, other);
    if (found && IsWindowVisible(found)) return found;
    Sleep(20);
  } while (!timedOut(since, timeoutMs));
  return nullptr;
}

HWND Program::openDialog(int id, const wchar_t* title) const {
  menuCommand(id);
  HWND dialog = waitForWindow(title, 10000);
  EXPECT_TRUE(dialog) << "menu command " << id << " showed no window titled " << narrow(title);
  return dialog;
}

bool Program::running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

long Program::waitForExit(DWORD timeoutMs) const {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

double Program::processorMillis() const {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(info_.hProcess, &created, &ended, &kernel, &user)) return -1;
  auto ticks = [](const FILETIME& t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

// The strings of the process parameters that the process environment block
// points to, at the offsets of the system's layout for this pointer size.
ProcessParameters readProcessParameters(HANDLE process) {
  struct BasicInformation {
    LONG_PTR exitStatus;
    std::uintptr_t environmentBlock;
    ULONG_PTR affinity, priority, processId, parentId;
  } basic{};
  using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  ProcessParameters out;
  if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0) return out;
  auto read = [process](std::uintptr_t address, void* data, std::size_t size) {
    SIZE_T done = 0;
    return ReadProcessMemory(process, reinterpret_cast<const void*>(address), data, size, &done) && done == size;
  };
  constexpr bool wide = sizeof(void*) == 8;
  std::uintptr_t parameters = 0;
  if (!read(basic.environmentBlock + (wide ? 0x20 : 0x10), &parameters, sizeof parameters)) return out;
  auto text = [&](std::size_t offset) {
    struct { USHORT length, maximum; std::uintptr_t buffer; } unicode{};
    if (!read(parameters + offset, &unicode, sizeof unicode)) return std::wstring();
    std::wstring value(unicode.length / 2, L'\0');
    return read(unicode.buffer, value.data(), unicode.length) ? value : std::wstring();
  };
  out.currentDirectory = text(wide ? 0x38 : 0x24);
  out.image = text(wide ? 0x60 : 0x38);
  out.commandLine = text(wide ? 0x70 : 0x40);
  return out;
}

std::wstring Program::currentDirectory() const { return readProcessParameters(info_.hProcess).currentDirectory; }

namespace {

struct ButtonSearch {
  const wchar_t* label;
  HWND found;
};

BOOL CALLBACK matchButton(HWND child, LPARAM parameter) {
  auto& search = *reinterpret_cast<ButtonSearch*>(parameter);
  wchar_t text[256];
  if (GetWindowTextW(child, text, 256) > 0 && wcscmp(text, search.label) == 0) {
    search.found = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool pressButton(HWND dialog, const wchar_t* label) {
  ButtonSearch search{label, nullptr};
  EnumChildWindows(dialog, matchButton, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(search.found), BN_CLICKED),
                      reinterpret_cast<LPARAM>(search.found)) != 0;
}

bool clickControl(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control && PostMessageW(control, BM_CLICK, 0, 0);
}

int focusedControl(HWND dialog) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) || !thread.hwndFocus) return -1;
  return GetParent(thread.hwndFocus) == dialog ? GetDlgCtrlID(thread.hwndFocus) : -1;
}

void pressKey(HWND window, UINT virtualKey) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus) {
    target = thread.hwndFocus;
  }
  const LPARAM scan = LPARAM(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  EXPECT_TRUE(PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | scan));
  EXPECT_TRUE(PostMessageW(target, WM_KEYUP, virtualKey, 1 | scan | (LPARAM(3) << 30)));
}

std::wstring windowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           5000, &copied)) {
    return L"";
  }
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

std::wstring controlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  EXPECT_TRUE(control) << "no control " << id;
  return control ? windowText(control) : L"";
}

namespace {

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK matchControl(HWND child, LPARAM parameter) {
  auto& search = *reinterpret_cast<ControlSearch*>(parameter);
  if (GetDlgCtrlID(child) != search.id) return TRUE;
  search.found = child;
  return FALSE;
}

}  // namespace

std::wstring descendantText(HWND window, int id) {
  ControlSearch search{id, nullptr};
  EnumChildWindows(window, matchControl, reinterpret_cast<LPARAM>(&search));
  return search.found ? windowText(search.found) : L"";
}

bool waitUntilClosed(HWND window, DWORD timeoutMs) {
  return waitUntil([window] { return !IsWindow(window); }, timeoutMs);
}

int runNative(const std::string& command) {
  const std::string status = scratchName("status");
  DeleteFileW(windowsPath(status).c_str());  // left by an earlier run in the same folder
  // Wine hands the started program the Windows side's PATH: give the Unix one.
  const std::string script =
      "PATH=/usr/local/bin:/usr/bin:/bin; export PATH; ( " + command + " ); echo $? > '" + status + ".new' && mv '" +
      status + ".new' '" + status + "'";
  std::wstring line = L"Z:\\bin\\sh -c \"" + widen(script) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start /bin/sh (error " << GetLastError() << ")";
    return -1;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  // Wine's handle of a native process never signals: its end is the status file.
  const DWORD since = GetTickCount();
  while (GetFileAttributesW(windowsPath(status).c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (timedOut(since, kNativeTimeoutMs)) {
      ADD_FAILURE() << "native command did not end: " << command;
      return -1;
    }
    Sleep(10);
  }
  return std::atoi(readTextFile(status).c_str());
}

std::string readTextFile(const std::string& unixPath) {
  std::ifstream in(unixPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool writeTextFile(const std::string& unixPath, const std::string& text) {
  std::ofstream out(unixPath, std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

Picture renderNatively(const std::string& graphFile, int width, int height, float horizontal, float elevation,
                       int depth, float zoom) {
  const std::string stem = scratchName("native");
  DeleteFileW(windowsPath(stem + ".ppm").c_str());
  // Nine significant digits carry a float exactly.
  char options[200];
  std::snprintf(options, sizeof options, "--size %dx%d --angles %.9g,%.9g --zoom %.9g --depth %d", width, height,
                static_cast<double>(horizontal), static_cast<double>(elevation), static_cast<double>(zoom), depth);
  const std::string command = "'" + std::string(VELTRIX_E2E_TOOL) + "' render '" + graphFile + "' -o '" + stem +
                              ".png' " + options + " > '" + stem + ".log' 2>&1 && convert '" + stem + ".png' '" +
                              stem + ".ppm' >> '" + stem + ".log' 2>&1";
  Picture picture;
  if (runNative(command) != 0 || !readPpm(stem + ".ppm", picture)) {
    ADD_FAILURE() << "the native picture failed: " << command << "\n" << readTextFile(stem + ".log");
    return Picture{};
  }
  return picture;
}

Picture screenPicture(HWND window, int width, int height) {
  Picture picture;
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY)) {
      GdiFlush();
      const auto* pixels = static_cast<const std::uint32_t*>(bits);
      picture.width = width;
      picture.height = height;
      picture.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
      for (std::uint32_t& p : picture.pixels) p &= 0x00FFFFFFu;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  EXPECT_GT(picture.width, 0) << "cannot read the screen";
  return picture;
}

Picture renderAsShown(const Snapshot& s, const std::string& graphFile, int depth) {
  return renderNatively(graphFile, E2E_FIELD(s, lastColumn) + 1, E2E_FIELD(s, lastRow) + 1,
                        E2E_FIELD(s, document.view.horizontal), E2E_FIELD(s, document.view.elevation), depth,
                        E2E_FIELD(s, document.zoom));
}

Picture shownPicture(const Program& program, const Snapshot& s) {
  return screenPicture(program.window(), E2E_FIELD(s, lastColumn) + 1, E2E_FIELD(s, lastRow) + 1);
}

Picture framePicture(const Program& program) {
  const Snapshot s = program.snapshot();
  const vx::FrameBuffer fb = E2E_FIELD(s, frame);
  vx::ColorTable colors{};
  const bool haveColors =
      program.read(reinterpret_cast<std::uintptr_t>(E2E_FIELD(s, document.renderer.colorTable)), &colors, sizeof colors);
  Picture picture;
  if (!haveColors || !fb.base || fb.pictureWidth() <= 0 || fb.pictureHeight() <= 0) {
    ADD_FAILURE() << "the program has no frame buffer to read";
    return picture;
  }
  picture.width = fb.pictureWidth();
  picture.height = fb.pictureHeight();
  picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width) * fb.bytesPerPixel());
  for (int y = 0; y < picture.height; ++y) {
    const auto address = reinterpret_cast<std::uintptr_t>(fb.base) + static_cast<std::intptr_t>(y) * fb.stride;
    if (!program.read(address, row.data(), row.size())) {
      ADD_FAILURE() << "cannot read row " << y << " of the frame buffer";
      return Picture{};
    }
    for (int x = 0; x < picture.width; ++x) {
      std::uint32_t pixel;
      if (fb.truecolor()) {
        std::memcpy(&pixel, row.data() + 4 * x, 4);
        pixel &= 0x00FFFFFFu;
      } else {
        pixel = vx::packedColor(colors, row[static_cast<std::size_t>(x)]);
      }
      picture.pixels[static_cast<std::size_t>(y) * picture.width + x] = pixel;
    }
  }
  return picture;
}

namespace {

// Another program may hold the clipboard for a moment.
bool openClipboard() {
  return waitUntil([] { return OpenClipboard(nullptr) != 0; }, 5000);
}

}  // namespace

bool emptyClipboard() {
  if (!openClipboard()) return false;
  const bool emptied = EmptyClipboard() != 0;
  CloseClipboard();
  return emptied;
}

bool clipboardHasMetafilePicture() { return IsClipboardFormatAvailable(CF_METAFILEPICT) != 0; }

Picture clipboardPicture(int width, int height, METAFILEPICT& header) {
  Picture picture;
  header = {};
  if (!openClipboard()) {
    ADD_FAILURE() << "cannot open the clipboard";
    return picture;
  }
  HANDLE data = GetClipboardData(CF_METAFILEPICT);
  const auto* locked = data ? static_cast<const METAFILEPICT*>(GlobalLock(data)) : nullptr;
  if (locked) {
    header = *locked;
    GlobalUnlock(data);
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (locked && header.hMF && bitmap && bits) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // The metafile sets its own window extent; the viewport gives it one
    // pixel per unit.
    SetMapMode(memory, MM_ANISOTROPIC);
    SetViewportOrgEx(memory, 0, 0, nullptr);
    SetViewportExtEx(memory, width, height, nullptr);
    SetWindowExtEx(memory, width, height, nullptr);
    if (PlayMetaFile(memory, header.hMF)) {
      GdiFlush();
      const auto* pixels = static_cast<const std::uint32_t*>(bits);
      picture.width = width;
      picture.height = height;
      picture.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
      for (std::uint32_t& p : picture.pixels) p &= 0x00FFFFFFu;
    }
    SelectObject(memory, previous);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  CloseClipboard();
  EXPECT_GT(picture.width, 0) << "no metafile picture on the clipboard to play";
  return picture;
}

Difference comparePictures(const Picture& expected, const Picture& actual, int rows) {
  Difference d;
  if (expected.width != actual.width || expected.height < rows || actual.height < rows) {
    d.count = -1;
    return d;
  }
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      if (expected.at(x, y) == actual.at(x, y)) continue;
      if (d.count++ == 0) {
        d.x = x;
        d.y = y;
        d.expected = expected.at(x, y);
        d.actual = actual.at(x, y);
      }
    }
  }
  return d;
}

std::string describe(const Difference& d) {
  if (d.count < 0) return "the pictures differ in size";
  char text[160];
  std::snprintf(text, sizeof text, "%ld pixels differ; the first at (%d, %d): expected %06X, shown %06X", d.count,
                d.x, d.y, static_cast<unsigned>(d.expected), static_cast<unsigned>(d.actual));
  return text;
}

}  // namespace e2e
