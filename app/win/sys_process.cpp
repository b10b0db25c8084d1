// Process, thread, time and memory wrappers.
#include "win/sys_process.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

Status getModuleHandle(std::string_view name, HMODULE& module) {
  if (!validName(name)) return invalidName(kGetModuleHandleFailed);
  const std::u16string wideName = wide(name);
  HMODULE found = GetModuleHandleW(name.empty() ? nullptr : w(wideName));
  if (!found) return failure(kGetModuleHandleFailed);
  module = found;
  return kOk;
}

Status getModuleFileName(HMODULE module, std::string& path) {
  // The answer fills the buffer exactly when it was cut short: grow and ask again.
  for (DWORD units = MAX_PATH; units <= 32768; units *= 2) {
    std::u16string buffer(units, u'\0');
    const DWORD length = GetModuleFileNameW(module, w(buffer), units);
    if (length == 0) return failure(kGetModuleFileNameFailed);
    if (length < units) {
      path = narrow(w(buffer), length);
      return kOk;
    }
  }
  return failure(kGetModuleFileNameFailed, ERROR_INSUFFICIENT_BUFFER);
}

Status getCommandLine(std::string& commandLine) {
  const wchar_t* text = GetCommandLineW();
  if (!text) return failure(kGetCommandLineFailed);
  commandLine = narrow(text, wcslen(text));
  return kOk;
}

HANDLE getCurrentThread() { return GetCurrentThread(); }
Status setThreadPriority(HANDLE thread, int priority) {
  return check(SetThreadPriority(thread, priority), kSetThreadPriorityFailed);
}

std::uint32_t getTickCount() { return GetTickCount(); }
std::uint32_t getMessageTime() { return static_cast<std::uint32_t>(GetMessageTime()); }

void exitProcess(unsigned exitCode) { ExitProcess(exitCode); }

void getSystemInfo(SYSTEM_INFO& info) { GetSystemInfo(&info); }

Status virtualAlloc(void* address, std::size_t size, DWORD allocationType, DWORD protection, void*& block) {
  void* result = VirtualAlloc(address, size, allocationType, protection);
  if (!result) return failure(kVirtualAllocFailed);
  block = result;
  return kOk;
}

Status virtualFree(void* block, std::size_t size, DWORD freeType) {
  return check(VirtualFree(block, size, freeType), kVirtualFreeFailed);
}

Status virtualProtect(void* pages, std::size_t size, DWORD protection) {
  DWORD previous = 0;
  return check(VirtualProtect(pages, size, protection, &previous), kVirtualProtectFailed);
}

Status flushInstructionCache(const void* start, std::size_t size) {
  return check(FlushInstructionCache(GetCurrentProcess(), start, size), kFlushInstructionCacheFailed);
}

Status createProcess(std::string_view commandLine, DWORD flags, int show, PROCESS_INFORMATION& process) {
  if (!validName(commandLine)) return invalidName(kCreateProcessFailed);
  // The system may write into the command line: it needs a copy of its own.
  std::u16string line = wide(commandLine);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (show != kDefaultShow) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
  }
  PROCESS_INFORMATION result = {};
  if (!CreateProcessW(nullptr, w(line), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &result))
    return failure(kCreateProcessFailed);
  process = result;
  return kOk;
}

Status resumeThread(HANDLE thread) {
  return check(ResumeThread(thread) != static_cast<DWORD>(-1), kResumeThreadFailed);
}

}  // namespace vx::sys
