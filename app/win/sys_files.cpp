// Directory and file wrappers.
#include "win/sys_files.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

// The folder-asking functions answer the length written, or the size needed
// (terminator included) when the buffer was too small, or zero on failure.
template <typename Ask>
Status askFolder(Ask ask, std::string& folder) {
  std::u16string buffer(MAX_PATH + 1, u'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const UINT length = ask(w(buffer), static_cast<UINT>(buffer.size()));
    if (length == 0) return failure();
    if (length < buffer.size()) {
      folder = narrow(w(buffer), length);
      return kOk;
    }
    buffer.assign(length + 1, u'\0');
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return failure();
}

}  // namespace

Status getWindowsDirectory(std::string& folder) {
  return askFolder([](wchar_t* buffer, UINT units) { return GetWindowsDirectoryW(buffer, units); }, folder);
}

Status getCurrentDirectory(std::string& folder) {
  return askFolder([](wchar_t* buffer, UINT units) { return static_cast<UINT>(GetCurrentDirectoryW(units, buffer)); },
                   folder);
}

Status setCurrentDirectory(std::string_view folder) {
  if (!validName(folder)) return invalidName();
  return check(SetCurrentDirectoryW(w(wide(folder))));
}

Status getFullPathName(std::string_view path, std::string& fullPath) {
  if (!validName(path)) return invalidName();
  const std::u16string widePath = wide(path);
  return askFolder(
      [&](wchar_t* buffer, UINT units) {
        return static_cast<UINT>(GetFullPathNameW(w(widePath), units, buffer, nullptr));
      },
      fullPath);
}

Status getFileAttributes(std::string_view path, DWORD& attributes) {
  if (!validName(path)) return invalidName();
  const DWORD result = GetFileAttributesW(w(wide(path)));
  if (result == INVALID_FILE_ATTRIBUTES) return failure();
  attributes = result;
  return kOk;
}

Status createFile(std::string_view path, DWORD access, DWORD share, DWORD disposition, DWORD flags, HANDLE& file) {
  if (!validName(path)) return invalidName();
  HANDLE result = CreateFileW(w(wide(path)), access, share, nullptr, disposition, flags, nullptr);
  if (result == INVALID_HANDLE_VALUE) return failure();
  file = result;
  return kOk;
}

Status closeHandle(HANDLE handle) { return check(CloseHandle(handle)); }

Status getFileType(HANDLE file, DWORD& type) {
  bool failedCall = false;
  const DWORD result = withClearedError([&] { return GetFileType(file); }, failedCall);
  if (failedCall) return failure();
  type = result;
  return kOk;
}

Status getFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) {
  return check(GetFileInformationByHandle(file, &information));
}

Status getFileSizeEx(HANDLE file, std::uint64_t& size) {
  LARGE_INTEGER result;
  if (!GetFileSizeEx(file, &result)) return failure();
  size = static_cast<std::uint64_t>(result.QuadPart);
  return kOk;
}

Status readFile(HANDLE file, void* buffer, DWORD size, DWORD& done) {
  DWORD count = 0;
  if (!ReadFile(file, buffer, size, &count, nullptr)) return failure();
  done = count;
  return kOk;
}

Status writeFile(HANDLE file, const void* data, DWORD size, DWORD& done) {
  DWORD count = 0;
  if (!WriteFile(file, data, size, &count, nullptr)) return failure();
  done = count;
  return kOk;
}

Status flushFileBuffers(HANDLE file) { return check(FlushFileBuffers(file)); }

Status moveFileEx(std::string_view from, std::string_view to, DWORD flags) {
  if (!validName(from) || !validName(to)) return invalidName();
  return check(MoveFileExW(w(wide(from)), w(wide(to)), flags));
}

Status deleteFile(std::string_view path) {
  if (!validName(path)) return invalidName();
  return check(DeleteFileW(w(wide(path))));
}

}  // namespace vx::sys
