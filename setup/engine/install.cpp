// Installing: the payload, the registry tree, the browser's viewer list and
// configuration-file entry, the shortcuts and the Start-menu refresh. Each step
// stops at its first failure and passes that call's status up.
#include <string>

#include "setup/engine/steps.h"
#include "win/sys_registry.h"
#include "win/sys_shell.h"

namespace vx::setup {

namespace {

Status writeWholeFile(const std::string& path, std::span<const std::uint8_t> content) {
  HANDLE file = nullptr;
  Status status = sys::createFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, file);
  if (failed(status)) return status;
  // An empty file still gets its one write call, with a buffer that exists.
  static const std::uint8_t kNothing = 0;
  const void* bytes = content.empty() ? &kNothing : content.data();
  DWORD written = 0;
  status = sys::writeFile(file, bytes, static_cast<DWORD>(content.size()), written);
  if (!failed(status) && written != content.size()) status = sys::failure(sys::kShortWrite, ERROR_DISK_FULL);
  const Status closed = sys::closeHandle(file);
  return failed(status) ? status : closed;
}

// Payload and shortcut walks create each folder before its list.
class FolderMaker : public TreeVisitor {
 public:
  Status enterFolder(const std::string& path) override {
    // An existing folder is what we want; a folder that cannot be made shows up
    // as the failure of its first entry.
    sys::createDirectory(path);
    return kOk;
  }
};

class PayloadWriter : public FolderMaker {
 public:
  Status file(const std::string& path, std::span<const std::uint8_t> content) override {
    return writeWholeFile(path, content);
  }
};

class RegistryWriter : public RegistryVisitor {
 public:
  Status value(RegistryRoot root, const std::string& keyPath, const std::string& name, std::uint8_t type,
               std::span<const std::uint8_t> data) override {
    HKEY key = nullptr;
    Status status = sys::regCreateKeyEx(predefinedKey(root), keyPath, KEY_SET_VALUE, key);
    if (failed(status)) return status;
    status = sys::regSetValueEx(key, name, type,
                                std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    const Status closed = sys::regCloseKey(key);
    return failed(status) ? status : closed;
  }
};

class ShortcutWriter : public FolderMaker {
 public:
  Status shortcut(const std::string& path, const std::string& target) override {
    void* object = nullptr;
    Status status = sys::coCreateInstance(CLSID_ShellLink, IID_IShellLinkW, object);
    if (failed(status)) return status;
    auto* link = static_cast<IShellLinkW*>(object);
    void* persist = nullptr;
    status = sys::queryInterface(link, IID_IPersistFile, persist);
    if (!failed(status)) {
      auto* file = static_cast<IPersistFile*>(persist);
      // The target alone: no arguments, working folder, description or icon.
      status = sys::shellLinkSetPath(link, target);
      if (!failed(status)) status = sys::persistFileSave(file, path, false);
      sys::release(file);
    }
    sys::release(link);
    return status;
  }
};

// A viewer slot holds our type when it is a string of exactly our bytes.
bool holdsOurType(DWORD type, const std::string& data) {
  return (type == REG_SZ || type == REG_EXPAND_SZ) && data == kMimeTypeValue;
}

// Slots TYPE0, TYPE1, ... are taken in order; the first free one gets our type,
// unless a slot already holds it.
Status addToOpenViewerList(HKEY key) {
  for (std::uint32_t n = 0;; ++n) {
    const std::string name = "TYPE" + std::to_string(n);
    DWORD type = REG_NONE;
    std::string data;
    const Status queried = sys::regQueryValueEx(key, name, type, data);
    if (!failed(queried)) {
      if (holdsOurType(type, data)) return kOk;
    } else if (sys::lastError() == ERROR_FILE_NOT_FOUND) {
      return sys::regSetValueEx(key, name, REG_SZ, kMimeTypeValue);
    } else {
      // A list that cannot be read is not walked on through four billion names.
      return queried;
    }
    if (n == UINT32_MAX) return sys::failure(sys::kViewerListFull, ERROR_NO_MORE_ITEMS);
  }
}

// The Start-menu folder's last character becomes 'Q' and back, which makes the
// shell rebuild its view of the menu.
Status renameAwayAndBack(std::string_view programs) {
  if (programs.empty()) return sys::failure(sys::kEmptyProgramsPath, ERROR_PATH_NOT_FOUND);
  std::string away(programs);
  // The last character, not its last byte: a UTF-8 sequence goes whole.
  while (away.size() > 1 && (static_cast<unsigned char>(away.back()) & 0xC0) == 0x80) away.pop_back();
  away.back() = 'Q';
  const Status status = sys::moveFileEx(programs, away, 0);
  if (failed(status)) return status;
  return sys::moveFileEx(away, programs, 0);
}

}  // namespace

HKEY predefinedKey(RegistryRoot root) {
  switch (root) {
    case kClassesRoot: return HKEY_CLASSES_ROOT;
    case kCurrentUser: return HKEY_CURRENT_USER;
    case kLocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return nullptr;
}

Status writePayload(TreeBytes payload, const FolderTable& folders) {
  PayloadWriter writer;
  return walkTree(payload, TreeRole::Payload, folders, writer);
}

Status writeRegistryTree(TreeBytes registry, const FolderTable& folders) {
  RegistryWriter writer;
  return walkRegistryTree(registry, folders, writer);
}

Status addToViewerList(HKEY root, std::string_view keyPath) {
  HKEY key = nullptr;
  const Status status = sys::regOpenKeyEx(root, keyPath, KEY_QUERY_VALUE | KEY_SET_VALUE, key);
  if (failed(status)) return status;
  const Status added = addToOpenViewerList(key);
  sys::regCloseKey(key);
  return added;
}

Status addToViewerList() { return addToViewerList(HKEY_CURRENT_USER, kViewersKey); }

Status writeBrowserEntry(TreeBytes value, const FolderTable& folders) {
  std::string text;
  const Status status = expandCarriedString(value, folders, text);
  if (failed(status)) return status;
  const Status written = sys::writePrivateProfileString(kBrowserSection, kBrowserKey, text.c_str(), kBrowserFile);
  if (failed(written)) return written;
  // No section, key or value: the system writes its cached copy of the file out.
  sys::writePrivateProfileString(nullptr, nullptr, nullptr, kBrowserFile);
  return kOk;
}

Status createShortcuts(TreeBytes shortcuts, const FolderTable& folders) {
  Status status = sys::coInitialize();
  if (failed(status)) return status;
  ShortcutWriter writer;
  status = walkTree(shortcuts, TreeRole::Shortcuts, folders, writer);
  sys::coUninitialize();
  if (failed(status)) return status;
  refreshStartMenu(folders);
  return kOk;
}

void refreshStartMenu(const FolderTable& folders) { renameAwayAndBack(folders.text[kProgramsFolder]); }

Status installRelease(const InstallTrees& trees, const FolderTable& folders) {
  Status status = writePayload(trees.payload, folders);
  if (!failed(status)) status = writeRegistryTree(trees.registry, folders);
  if (!failed(status)) status = addToViewerList();
  if (!failed(status)) status = writeBrowserEntry(trees.browserValue, folders);
  if (!failed(status)) status = createShortcuts(trees.shortcuts, folders);
  if (failed(status)) return status;
  refreshStartMenu(folders);
  return kOk;
}

}  // namespace vx::setup
