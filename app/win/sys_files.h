#pragma once
// Directories and files.
#include "win/sys.h"

namespace vx::sys {

Status getWindowsDirectory(std::string& folder);
Status getCurrentDirectory(std::string& folder);
Status setCurrentDirectory(std::string_view folder);
// `path` made full against the current folder and drive (no file is asked for).
Status getFullPathName(std::string_view path, std::string& fullPath);

// INVALID_FILE_ATTRIBUTES is the failure (a missing name among others).
Status getFileAttributes(std::string_view path, DWORD& attributes);

Status createFile(std::string_view path, DWORD access, DWORD share, DWORD disposition, DWORD flags, HANDLE& file);
Status closeHandle(HANDLE handle);
// FILE_TYPE_UNKNOWN with a last error is the failure.
Status getFileType(HANDLE file, DWORD& type);
Status getFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION& information);
Status getFileSizeEx(HANDLE file, std::uint64_t& size);
// One call each: `done` may be less than asked (end of file, a full disk).
Status readFile(HANDLE file, void* buffer, DWORD size, DWORD& done);
Status writeFile(HANDLE file, const void* data, DWORD size, DWORD& done);
Status flushFileBuffers(HANDLE file);

Status moveFileEx(std::string_view from, std::string_view to, DWORD flags);
Status deleteFile(std::string_view path);
Status copyFile(std::string_view from, std::string_view to, bool failIfExists);
// An existing folder is a failure (ERROR_ALREADY_EXISTS); so is a missing parent.
Status createDirectory(std::string_view path);
// Only an empty folder goes.
Status removeDirectory(std::string_view path);

// `text` with every %NAME% reference of the environment replaced.
Status expandEnvironmentStrings(std::string_view text, std::string& expanded);

// `section`, `key` and `value` are zero-terminated UTF-8 or nullptr: no value
// deletes the key, no section, key and value flushes the system's cache of
// `file` (a bare name means the file in the Windows folder).
Status writePrivateProfileString(const char* section, const char* key, const char* value, std::string_view file);

}  // namespace vx::sys
