#pragma once
// Process, thread, time and memory.
#include "win/sys.h"

namespace vx::sys {

// The module handle of `name` ("" is the program itself).
Status getModuleHandle(std::string_view name, HMODULE& module);
// The full path of `module`'s file (nullptr: the program's).
Status getModuleFileName(HMODULE module, std::string& path);
// The command line as the process received it.
Status getCommandLine(std::string& commandLine);

HANDLE getCurrentThread();
Status setThreadPriority(HANDLE thread, int priority);

// Milliseconds since the system started, and the time of the message last read,
// on the same time base.
std::uint32_t getTickCount();
std::uint32_t getMessageTime();

[[noreturn]] void exitProcess(unsigned exitCode);

// Starts `commandLine` (no application name, no inherited handles) with the
// creation `flags` (CREATE_SUSPENDED, DETACHED_PROCESS, ...) and its window shown
// with `show` (SW_HIDE, ...) or as the system chooses; the caller closes both
// handles of `process`.
inline constexpr int kDefaultShow = -1;
Status createProcess(std::string_view commandLine, DWORD flags, int show, PROCESS_INFORMATION& process);
Status resumeThread(HANDLE thread);

void getSystemInfo(SYSTEM_INFO& info);
Status virtualAlloc(void* address, std::size_t size, DWORD allocationType, DWORD protection, void*& block);
Status virtualFree(void* block, std::size_t size, DWORD freeType);
// Changes the protection of committed pages (the previous one is not kept).
Status virtualProtect(void* pages, std::size_t size, DWORD protection);
// After code was written to memory, before it runs.
Status flushInstructionCache(const void* start, std::size_t size);

}  // namespace vx::sys
