// The special folder table: where the trees' folder tokens point on this machine.
#include "setup/engine/engine.h"
#include "win/sys_registry.h"

namespace vx::setup {

namespace {

constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A string value carries its terminator (a REG_MULTI_SZ-like value even more):
// the text ends at the first one.
std::string_view untilTerminator(const std::string& data) {
  return std::string_view(data).substr(0, data.find('\0'));
}

bool fitsSlot(std::string_view text) { return text.size() < kFolderTextLimit; }

Status folderFromValue(DWORD type, const std::string& data, std::string& folder) {
  const std::string_view text = untilTerminator(data);
  if (!fitsSlot(text)) return sys::failure(sys::kValueTooLong, ERROR_MORE_DATA);
  if (type == REG_SZ) {
    folder.assign(text);
    return kOk;
  }
  if (type != REG_EXPAND_SZ) return sys::failure(sys::kUnexpectedValueType, ERROR_INVALID_DATATYPE);
  std::string expanded;
  const Status status = sys::expandEnvironmentStrings(text, expanded);
  if (failed(status)) return status;
  if (!fitsSlot(expanded)) return sys::failure(sys::kValueTooLong, ERROR_MORE_DATA);
  folder = std::move(expanded);
  return kOk;
}

Status readFolder(HKEY root, const char* keyPath, const char* name, std::string& folder) {
  HKEY key = nullptr;
  Status status = sys::regOpenKeyEx(root, keyPath, KEY_QUERY_VALUE, key);
  if (failed(status)) return status;
  DWORD type = REG_NONE;
  std::string data;
  status = sys::regQueryValueEx(key, name, type, data);
  sys::regCloseKey(key);
  if (failed(status)) return status;
  return folderFromValue(type, data, folder);
}

}  // namespace

FolderTable SpecialFolders::table() const {
  FolderTable table;
  table.text[kProgramFilesFolder] = programFiles;
  table.text[kWindowsFolder] = windows;
  table.text[kDesktopFolder] = desktop;
  table.text[kProgramsFolder] = programs;
  return table;
}

Status fillSpecialFolders(SpecialFolders& folders) {
  Status status = readFolder(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", folders.programFiles);
  if (!failed(status)) status = sys::getWindowsDirectory(folders.windows);
  if (!failed(status)) status = readFolder(HKEY_CURRENT_USER, kShellFoldersKey, "Programs", folders.programs);
  if (!failed(status)) status = readFolder(HKEY_CURRENT_USER, kShellFoldersKey, "Desktop", folders.desktop);
  return status;
}

}  // namespace vx::setup
