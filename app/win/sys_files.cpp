// Directory and file wrappers.
#include "win/sys_files.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

// The folder-asking functions answer the length written, or the size needed
// (terminator included) when the buffer was too small, or zero on failure.
template <typename Ask>
Status askFolder(Ask ask, std::string& folder, Status own) {
  std::u16string buffer(MAX_PATH + 1, u'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const UINT length = ask(w(buffer), static_cast<UINT>(buffer.size()));
    if (length == 0) return failure(own);
    if (length < buffer.size()) {
      folder = narrow(w(buffer), length);
      return kOk;
    }
    buffer.assign(length + 1, u'\0');
  }
  return failure(own, ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace

Status getWindowsDirectory(std::string& folder) {
  return askFolder([](wchar_t* buffer, UINT units) { return GetWindowsDirectoryW(buffer, units); }, folder,
                   kGetWindowsDirectoryFailed);
}

Status getCurrentDirectory(std::string& folder) {
  return askFolder([](wchar_t* buffer, UINT units) { return static_cast<UINT>(GetCurrentDirectoryW(units, buffer)); },
                   folder, kGetCurrentDirectoryFailed);
}

Status setCurrentDirectory(std::string_view folder) {
  if (!validName(folder)) return invalidName(kSetCurrentDirectoryFailed);
  return check(SetCurrentDirectoryW(w(wide(folder))), kSetCurrentDirectoryFailed);
}

Status getFullPathName(std::string_view path, std::string& fullPath) {
  if (!validName(path)) return invalidName(kGetFullPathNameFailed);
  const std::u16string widePath = wide(path);
  return askFolder(
      [&](wchar_t* buffer, UINT units) {
        return static_cast<UINT>(GetFullPathNameW(w(widePath), units, buffer, nullptr));
      },
      fullPath, kGetFullPathNameFailed);
}

Status getFileAttributes(std::string_view path, DWORD& attributes) {
  if (!validName(path)) return invalidName(kGetFileAttributesFailed);
  const DWORD result = GetFileAttributesW(w(wide(path)));
  if (result == INVALID_FILE_ATTRIBUTES) return failure(kGetFileAttributesFailed);
  attributes = result;
  return kOk;
}

Status createFile(std::string_view path, DWORD access, DWORD share, DWORD disposition, DWORD flags, HANDLE& file) {
  if (!validName(path)) return invalidName(kCreateFileFailed);
  HANDLE result = CreateFileW(w(wide(path)), access, share, nullptr, disposition, flags, nullptr);
  if (result == INVALID_HANDLE_VALUE) return failure(kCreateFileFailed);
  file = result;
  return kOk;
}

Status closeHandle(HANDLE handle) { return check(CloseHandle(handle), kCloseHandleFailed); }

Status getFileType(HANDLE file, DWORD& type) {
  bool failedCall = false;
  const DWORD result = withClearedError([&] { return GetFileType(file); }, failedCall);
  if (failedCall) return failure(kGetFileTypeFailed);
  type = result;
  return kOk;
}

Status getFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION& information) {
  return check(GetFileInformationByHandle(file, &information), kGetFileInformationByHandleFailed);
}

Status getFileSizeEx(HANDLE file, std::uint64_t& size) {
  LARGE_INTEGER result;
  if (!GetFileSizeEx(file, &result)) return failure(kGetFileSizeExFailed);
  size = static_cast<std::uint64_t>(result.QuadPart);
  return kOk;
}

Status readFile(HANDLE file, void* buffer, DWORD size, DWORD& done) {
  DWORD count = 0;
  if (!ReadFile(file, buffer, size, &count, nullptr)) return failure(kReadFileFailed);
  done = count;
  return kOk;
}

Status writeFile(HANDLE file, const void* data, DWORD size, DWORD& done) {
  DWORD count = 0;
  if (!WriteFile(file, data, size, &count, nullptr)) return failure(kWriteFileFailed);
  done = count;
  return kOk;
}

Status flushFileBuffers(HANDLE file) { return check(FlushFileBuffers(file), kFlushFileBuffersFailed); }

Status moveFileEx(std::string_view from, std::string_view to, DWORD flags) {
  if (!validName(from) || !validName(to)) return invalidName(kMoveFileExFailed);
  return check(MoveFileExW(w(wide(from)), w(wide(to)), flags), kMoveFileExFailed);
}

Status deleteFile(std::string_view path) {
  if (!validName(path)) return invalidName(kDeleteFileFailed);
  return check(DeleteFileW(w(wide(path))), kDeleteFileFailed);
}

Status copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  if (!validName(from) || !validName(to)) return invalidName(kCopyFileFailed);
  return check(CopyFileW(w(wide(from)), w(wide(to)), failIfExists), kCopyFileFailed);
}

Status createDirectory(std::string_view path) {
  if (!validName(path)) return invalidName(kCreateDirectoryFailed);
  return check(CreateDirectoryW(w(wide(path)), nullptr), kCreateDirectoryFailed);
}

Status removeDirectory(std::string_view path) {
  if (!validName(path)) return invalidName(kRemoveDirectoryFailed);
  return check(RemoveDirectoryW(w(wide(path))), kRemoveDirectoryFailed);
}

Status expandEnvironmentStrings(std::string_view text, std::string& expanded) {
  if (!validName(text)) return invalidName(kExpandEnvironmentStringsFailed);
  const std::u16string wideText = wide(text);
  // The answer is the size needed, terminator included; a variable may change
  // between two calls, so ask again while it keeps growing.
  std::u16string buffer(wideText.size() + MAX_PATH, u'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD units = ExpandEnvironmentStringsW(w(wideText), w(buffer), static_cast<DWORD>(buffer.size()));
    if (units == 0) return failure(kExpandEnvironmentStringsFailed);
    if (units <= buffer.size()) {
      expanded = narrow(w(buffer), units - 1);
      return kOk;
    }
    buffer.assign(units, u'\0');
  }
  return failure(kExpandEnvironmentStringsFailed, ERROR_INSUFFICIENT_BUFFER);
}

Status writePrivateProfileString(const char* section, const char* key, const char* value, std::string_view file) {
  if (!validName(file)) return invalidName(kWritePrivateProfileStringFailed);
  // A missing section, key or value has its own meaning (flush, delete), so
  // each stays a null pointer rather than an empty text.
  const std::u16string wideSection = wide(section ? section : ""), wideKey = wide(key ? key : ""),
                       wideValue = wide(value ? value : ""), wideFile = wide(file);
  return check(WritePrivateProfileStringW(section ? w(wideSection) : nullptr, key ? w(wideKey) : nullptr,
                                          value ? w(wideValue) : nullptr, w(wideFile)),
               kWritePrivateProfileStringFailed);
}

}  // namespace vx::sys
