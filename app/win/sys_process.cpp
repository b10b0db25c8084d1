// Process, thread, time and memory wrappers.
#include "win/sys_process.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

Status getModuleHandle(std::string_view name, HMODULE& module) {
  if (!validName(name)) return invalidName();
  const std::u16string wideName = wide(name);
  HMODULE found = GetModuleHandleW(name.empty() ? nullptr : w(wideName));
  if (!found) return failure();
  module = found;
  return kOk;
}

Status getModuleFileName(HMODULE module, std::string& path) {
  // The answer fills the buffer exactly when it was cut short: grow and ask again.
  for (DWORD units = MAX_PATH; units <= 32768; units *= 2) {
    std::u16string buffer(units, u'\0');
    const DWORD length = GetModuleFileNameW(module, w(buffer), units);
    if (length == 0) return failure();
    if (length < units) {
      path = narrow(w(buffer), length);
      return kOk;
    }
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return failure();
}

Status getCommandLine(std::string& commandLine) {
  const wchar_t* text = GetCommandLineW();
  if (!text) return failure();
  commandLine = narrow(text, wcslen(text));
  return kOk;
}

HANDLE getCurrentThread() { return GetCurrentThread(); }
Status setThreadPriority(HANDLE thread, int priority) { return check(SetThreadPriority(thread, priority)); }

std::uint32_t getTickCount() { return GetTickCount(); }
std::uint32_t getMessageTime() { return static_cast<std::uint32_t>(GetMessageTime()); }

void exitProcess(unsigned exitCode) { ExitProcess(exitCode); }

void getSystemInfo(SYSTEM_INFO& info) { GetSystemInfo(&info); }

Status virtualAlloc(void* address, std::size_t size, DWORD allocationType, DWORD protection, void*& block) {
  void* result = VirtualAlloc(address, size, allocationType, protection);
  if (!result) return failure();
  block = result;
  return kOk;
}

Status virtualFree(void* block, std::size_t size, DWORD freeType) { return check(VirtualFree(block, size, freeType)); }

}  // namespace vx::sys
