// Removing: registry values and the keys they leave empty, the browser's
// configuration-file entry, listed files and the folders they leave empty. What
// cannot be removed is left as it is and the walk goes on; nothing that another
// program or the user put there is taken along.
#include <string>

#include "setup/engine/steps.h"
#include "win/sys_registry.h"

namespace vx::setup {

namespace {

// A key is ours to delete only once it holds nothing: no value and no subkey of
// another program goes with it (some systems delete a key with its subkeys).
void deleteKeyIfEmpty(HKEY root, const std::string& keyPath) {
  HKEY key = nullptr;
  if (failed(sys::regOpenKeyEx(root, keyPath, KEY_QUERY_VALUE, key))) return;
  DWORD subKeys = 1, values = 1;
  const Status status = sys::regQueryInfoKey(key, subKeys, values);
  sys::regCloseKey(key);
  if (!failed(status) && subKeys == 0 && values == 0) sys::regDeleteKey(root, keyPath);
}

class RegistryRemover : public RegistryVisitor {
 public:
  Status value(RegistryRoot root, const std::string& keyPath, const std::string& name, std::uint8_t,
               std::span<const std::uint8_t>) override {
    // Opened, not created: a key that is not there holds nothing of ours, and
    // creating it (with every missing key above it) would leave keys behind.
    HKEY key = nullptr;
    if (failed(sys::regOpenKeyEx(predefinedKey(root), keyPath, KEY_SET_VALUE, key))) return kOk;
    sys::regDeleteValue(key, name);
    sys::regCloseKey(key);
    return kOk;
  }
  Status keyDone(RegistryRoot root, const std::string& keyPath) override {
    deleteKeyIfEmpty(predefinedKey(root), keyPath);
    return kOk;
  }
};

class Deleter : public TreeVisitor {
 public:
  explicit Deleter(const FolderTable& folders) : folders_(folders) {}
  Status remove(const std::string& path) override {
    sys::deleteFile(path);
    return kOk;
  }
  // Only an empty folder goes, so a folder holding the user's files stays. A
  // special folder itself (the desktop, the Start menu's programs) is the
  // system's and stays even when our entries were all it held.
  Status leaveFolder(const std::string& path) override {
    if (!isSpecialFolder(path)) sys::removeDirectory(path);
    return kOk;
  }

 private:
  bool isSpecialFolder(std::string_view path) const {
    for (std::string_view folder : folders_.text)
      if (path == folder) return true;
    return false;
  }
  const FolderTable& folders_;
};

}  // namespace

void removeRegistryTree(TreeBytes registry, const FolderTable& folders) {
  RegistryRemover remover;
  walkRegistryTree(registry, folders, remover);
}

void removeBrowserEntry() {
  // No value deletes the key; then the cache is written out as after installing.
  sys::writePrivateProfileString(kBrowserSection, kBrowserKey, nullptr, kBrowserFile);
  sys::writePrivateProfileString(nullptr, nullptr, nullptr, kBrowserFile);
}

void deleteListed(TreeBytes deletions, const FolderTable& folders) {
  Deleter deleter(folders);
  walkTree(deletions, TreeRole::Deletions, folders, deleter);
}

}  // namespace vx::setup
