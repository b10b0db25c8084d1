// The host of the Windows programs over the wrapper layer.
#include "win/winhost.h"

#include <algorithm>

#include "base/memory.h"
#include "base/paths.h"
#include "base/utf.h"
#include "win/sys.h"

namespace vx {

namespace {

// Names in the device namespace ("\\.\PhysicalDrive0", "\\.\pipe\x") reach
// devices and pipes, and opening some of them already does something.
bool isDeviceName(std::string_view path) {
  return path.size() >= 4 && isPathSeparator(path[0]) && isPathSeparator(path[1]) && path[2] == '.' &&
         isPathSeparator(path[3]);
}

bool isNotPlainFile(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0;
}

// Whole bounded reads: the file may have grown since it was measured, so the
// bound holds for what is read.
Status readOpenFile(HANDLE file, std::size_t maxBytes, std::string& contents) {
  DWORD type = 0;
  BY_HANDLE_FILE_INFORMATION information;
  if (failed(sys::getFileType(file, type)) || failed(sys::getFileInformationByHandle(file, information)))
    return kReadFailed;
  if (type != FILE_TYPE_DISK || isNotPlainFile(information.dwFileAttributes)) return kNotRegularFile;
  std::uint64_t size = 0;
  if (failed(sys::getFileSizeEx(file, size))) return kReadFailed;
  if (size > maxBytes) return kTooLarge;

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(size));
  char buffer[65536];
  for (;;) {
    DWORD done = 0;
    if (failed(sys::readFile(file, buffer, sizeof buffer, done))) return kReadFailed;
    if (done == 0) break;
    if (done > maxBytes - bytes.size()) return kTooLarge;
    bytes.append(buffer, done);
  }
  contents = std::move(bytes);
  return kOk;
}

// The temporary file beside `path`, by the system's rule of folders.
std::string besideName(std::string_view path, std::uint32_t attempt) {
  std::string folder = folderOfPath(path);
  if (!folder.empty() && !isPathSeparator(folder.back()) && folder.back() != ':') folder += '\\';
  static const char kHex[] = "0123456789abcdef";
  std::string name = "~vx";
  for (std::uint32_t value : {static_cast<std::uint32_t>(GetCurrentProcessId()), attempt})
    for (int shift = 28; shift >= 0; shift -= 4) name += kHex[(value >> shift) & 15];
  return folder + name + ".tmp";
}

Status writeAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 20));
    DWORD done = 0;
    if (failed(sys::writeFile(file, data.data(), chunk, done)) || done == 0) return kWriteFailed;
    data.remove_prefix(done);
  }
  return sys::flushFileBuffers(file) == kOk ? kOk : kWriteFailed;
}

}  // namespace

WinHost::WinHost(const char* programName) : programName_(programName), startTick_(sys::getTickCount()) {
  setOutOfMemoryHost(this);
}

WinHost::~WinHost() { setOutOfMemoryHost(nullptr); }

Status WinHost::readFile(const std::string& path, std::size_t maxBytes, std::string& contents) {
  if (isDeviceName(path)) return kNotRegularFile;
  // Checked before opening: a folder cannot be opened as a file, a device can.
  DWORD attributes = 0;
  if (failed(sys::getFileAttributes(path, attributes))) return kCannotOpen;
  if (isNotPlainFile(attributes)) return kNotRegularFile;
  HANDLE file = nullptr;
  if (failed(sys::createFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, file)))
    return kCannotOpen;
  const Status status = readOpenFile(file, maxBytes, contents);
  sys::closeHandle(file);
  return status;
}

Status WinHost::writeFile(const std::string& path, std::string_view data) {
  if (isDeviceName(path)) return kNotRegularFile;
  DWORD attributes = 0;
  if (sys::getFileAttributes(path, attributes) == kOk && isNotPlainFile(attributes)) return kNotRegularFile;

  // A fresh name: another program's leftover under the same name is never reused.
  HANDLE file = nullptr;
  std::string temporary;
  Status status = kCannotOpen;
  for (std::uint32_t attempt = sys::getTickCount(), tries = 0; tries < 16 && failed(status); ++attempt, ++tries) {
    temporary = besideName(path, attempt);
    status = sys::createFile(temporary, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, file);
    if (failed(status) && sys::lastError() != ERROR_FILE_EXISTS) break;
  }
  if (failed(status)) return kCannotOpen;

  status = writeAll(file, data);
  if (failed(sys::closeHandle(file)) && !failed(status)) status = kWriteFailed;
  if (!failed(status) &&
      failed(sys::moveFileEx(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)))
    status = kWriteFailed;
  if (failed(status)) sys::deleteFile(temporary);
  return status;
}

double WinHost::clockSeconds() {
  // Unsigned difference: right across the tick's wrap after 49.7 days.
  return static_cast<std::uint32_t>(sys::getTickCount() - startTick_) / 1000.0;
}

void WinHost::outOfMemory() {
  // No allocation here: the title is converted into a buffer on the stack.
  char16_t title[64] = u"Veltrix";
  const std::string_view name = programName_;
  if (utf8ToUtf16(name) < std::size(title)) title[utf8ToUtf16(name, title)] = u'\0';
  MessageBoxW(nullptr, L"Out of memory.", reinterpret_cast<const wchar_t*>(title), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  sys::exitProcess(1);
}

}  // namespace vx
