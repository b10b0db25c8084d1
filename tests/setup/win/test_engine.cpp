// The setup engine's steps against scratch folders and a scratch registry key:
// what a user finds on disk and in the registry after installing, installing
// again and removing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/utf.h"
#include "setup/engine/engine.h"
#include "setup/engine/steps.h"
#include "setup/tree/treewriter.h"
#include "win/sys_registry.h"
#include "win/sys_shell.h"

namespace vx::setup {
namespace {

std::u16string wide(std::string_view text) { return toUtf16(text); }
const wchar_t* w(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

bool exists(const std::string& path) {
  DWORD attributes = 0;
  return sys::getFileAttributes(path, attributes) == kOk;
}

std::string contentOf(const std::string& path) {
  HANDLE file = nullptr;
  if (failed(sys::createFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0, file))) return "(missing)";
  std::string bytes(1 << 17, '\0');
  DWORD done = 0;
  sys::readFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), done);
  sys::closeHandle(file);
  bytes.resize(done);
  return bytes;
}

void put(const std::string& path, std::string_view bytes) {
  HANDLE file = nullptr;
  ASSERT_EQ(sys::createFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, 0, file), kOk) << path;
  DWORD done = 0;
  sys::writeFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), done);
  sys::closeHandle(file);
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::uint8_t> finished(TreeWriter& writer) {
  std::vector<std::uint8_t> tree;
  EXPECT_EQ(writer.finish(tree), kOk);
  return tree;
}

// A shortcut's target as the shell reads it back.
std::string targetOf(const std::string& shortcut) {
  void* object = nullptr;
  if (failed(sys::coCreateInstance(CLSID_ShellLink, IID_IShellLinkW, object))) return "(no link object)";
  auto* link = static_cast<IShellLinkW*>(object);
  void* persist = nullptr;
  std::string target = "(unreadable)";
  if (!failed(sys::queryInterface(link, IID_IPersistFile, persist))) {
    auto* file = static_cast<IPersistFile*>(persist);
    if (!failed(sys::persistFileLoad(file, shortcut))) sys::shellLinkGetPath(link, target);
    sys::release(file);
  }
  sys::release(link);
  return target;
}

void removeTree(const std::string& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(w(wide(folder + "\\*")), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = toUtf8(reinterpret_cast<const char16_t*>(entry.cFileName));
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path);
      else sys::deleteFile(path);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  sys::removeDirectory(folder);
}

class EngineFiles : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH, temp);
    root_ = toUtf8(reinterpret_cast<const char16_t*>(temp)) + "vx-engine-" + std::to_string(GetCurrentProcessId());
    removeTree(root_);
    ASSERT_EQ(sys::createDirectory(root_), kOk);
    const char* names[kFolderSlotCount] = {"Program Files", "Windows", "", "", "Desktop", "Programs"};
    for (int slot = 0; slot < kFolderSlotCount; ++slot)
      if (*names[slot]) folders_[slot] = root_ + "\\" + names[slot];
    for (int slot = 0; slot < kFolderSlotCount; ++slot) table_.text[slot] = folders_[slot];
    ASSERT_EQ(sys::coInitialize(), kOk);
  }
  void TearDown() override {
    sys::coUninitialize();
    removeTree(root_);
  }
  std::string at(FolderSlot slot, std::string_view rest) const { return folders_[slot] + std::string(rest); }

  std::string root_;
  std::string folders_[kFolderSlotCount];
  FolderTable table_;
};

TEST_F(EngineFiles, InstallOverAnInstallationThenRemoveKeepsTheUsersFilesAndTheSystemFolders) {
  std::string program(70000, '\0');
  for (std::size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i * 7 + 3);
  const std::string ball = "graph3d(x^2+y^2+z^2=1)\r\n";

  TreeWriter payload(TreeRole::Payload), files(TreeRole::Deletions);
  payload.folder(folderToken(kProgramFilesFolder));
  payload.folder("Veltrix");
  payload.file("veltrix.exe", bytesOf(program));
  payload.file("Empty.vlx", {});
  payload.endFolder();
  payload.endFolder();
  payload.folder(folderToken(kWindowsFolder));
  payload.folder("Veltrix");
  payload.folder("Spheres");
  payload.file("Ball.vlx", bytesOf(ball));
  for (int i = 0; i < 3; ++i) payload.endFolder();
  files.folder(folderToken(kProgramFilesFolder));
  files.folder("Veltrix");
  files.deletion("veltrix.exe");
  files.deletion("Empty.vlx");
  files.endFolder();
  files.endFolder();
  files.folder(folderToken(kWindowsFolder));
  files.folder("Veltrix");
  files.folder("Spheres");
  files.deletion("Ball.vlx");
  for (int i = 0; i < 3; ++i) files.endFolder();

  // Installed: every byte as carried, the empty file empty.
  const std::vector<std::uint8_t> payloadTree = finished(payload);
  ASSERT_EQ(writePayload(payloadTree, table_), kOk);
  EXPECT_EQ(contentOf(at(kProgramFilesFolder, "\\Veltrix\\veltrix.exe")), program);
  EXPECT_EQ(contentOf(at(kProgramFilesFolder, "\\Veltrix\\Empty.vlx")), "");
  EXPECT_EQ(contentOf(at(kWindowsFolder, "\\Veltrix\\Spheres\\Ball.vlx")), ball);

  // Installed again over a changed program and a sample of the user's own.
  put(at(kProgramFilesFolder, "\\Veltrix\\veltrix.exe"), "older release");
  put(at(kWindowsFolder, "\\Veltrix\\Spheres\\Mine.vlx"), "mine");
  ASSERT_EQ(writePayload(payloadTree, table_), kOk);
  EXPECT_EQ(contentOf(at(kProgramFilesFolder, "\\Veltrix\\veltrix.exe")), program);
  EXPECT_EQ(contentOf(at(kWindowsFolder, "\\Veltrix\\Spheres\\Mine.vlx")), "mine");

  // Shortcuts point at the installed files; the Start-menu folder keeps its name.
  const std::string program0 = folderToken(kProgramFilesFolder) + "\\Veltrix\\veltrix.exe";
  const std::string empty0 = folderToken(kProgramFilesFolder) + "\\Veltrix\\Empty.vlx";
  TreeWriter shortcuts(TreeRole::Shortcuts), links(TreeRole::Deletions);
  shortcuts.folder(folderToken(kDesktopFolder));
  shortcuts.shortcut("Veltrix.lnk", program0);
  shortcuts.endFolder();
  shortcuts.folder(folderToken(kProgramsFolder));
  shortcuts.folder("Veltrix");
  shortcuts.shortcut("Veltrix.lnk", program0);
  shortcuts.shortcut("Sample.lnk", empty0);
  shortcuts.endFolder();
  shortcuts.endFolder();
  links.folder(folderToken(kDesktopFolder));
  links.deletion("Veltrix.lnk");
  links.endFolder();
  links.folder(folderToken(kProgramsFolder));
  links.folder("Veltrix");
  links.deletion("Veltrix.lnk");
  links.deletion("Sample.lnk");
  links.endFolder();
  links.endFolder();
  ASSERT_EQ(createShortcuts(finished(shortcuts), table_), kOk);
  const std::string installed = at(kProgramFilesFolder, "\\Veltrix\\veltrix.exe");
  EXPECT_EQ(targetOf(at(kDesktopFolder, "\\Veltrix.lnk")), installed);
  EXPECT_EQ(targetOf(at(kProgramsFolder, "\\Veltrix\\Veltrix.lnk")), installed);
  EXPECT_EQ(targetOf(at(kProgramsFolder, "\\Veltrix\\Sample.lnk")), at(kProgramFilesFolder, "\\Veltrix\\Empty.vlx"));
  EXPECT_FALSE(exists(root_ + "\\ProgramQ"));

  // Removed: what was listed goes, the user's sample keeps its folders, and the
  // desktop and programs folders stay although our entries were all they held.
  deleteListed(finished(links), table_);
  deleteListed(finished(files), table_);
  EXPECT_FALSE(exists(at(kProgramFilesFolder, "\\Veltrix")));
  EXPECT_FALSE(exists(at(kWindowsFolder, "\\Veltrix\\Spheres\\Ball.vlx")));
  EXPECT_EQ(contentOf(at(kWindowsFolder, "\\Veltrix\\Spheres\\Mine.vlx")), "mine");
  EXPECT_FALSE(exists(at(kDesktopFolder, "\\Veltrix.lnk")));
  EXPECT_FALSE(exists(at(kProgramsFolder, "\\Veltrix")));
  EXPECT_TRUE(exists(folders_[kDesktopFolder]));
  EXPECT_TRUE(exists(folders_[kProgramsFolder]));

  // A file that cannot be written stops the payload there, naming the call.
  TreeWriter blocked(TreeRole::Payload);
  blocked.folder(folderToken(kWindowsFolder));
  blocked.folder("Veltrix");
  blocked.file("Spheres", bytesOf(ball));  // the user's folder of that name
  blocked.file("After.vlx", bytesOf(ball));
  blocked.endFolder();
  blocked.endFolder();
  EXPECT_EQ(writePayload(finished(blocked), table_), sys::kCreateFileFailed);
  EXPECT_NE(sys::lastError(), 0u);
  EXPECT_FALSE(exists(at(kWindowsFolder, "\\Veltrix\\After.vlx")));
}

// ---- The registry ------------------------------------------------------------

constexpr char kScratchKey[] = "Software\\VeltrixTest";

struct Value {
  DWORD type = REG_NONE;
  std::string data = "(missing)";
};

Value valueOf(std::string_view keyPath, std::string_view name) {
  Value value;
  HKEY key = nullptr;
  if (failed(sys::regOpenKeyEx(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE, key))) return value;
  sys::regQueryValueEx(key, name, value.type, value.data);
  sys::regCloseKey(key);
  return value;
}

void setValue(std::string_view keyPath, std::string_view name, DWORD type, std::string_view data) {
  HKEY key = nullptr;
  ASSERT_EQ(sys::regCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_SET_VALUE, key), kOk);
  EXPECT_EQ(sys::regSetValueEx(key, name, type, data), kOk);
  sys::regCloseKey(key);
}

bool keyExists(std::string_view keyPath) {
  HKEY key = nullptr;
  if (failed(sys::regOpenKeyEx(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE, key))) return false;
  sys::regCloseKey(key);
  return true;
}

class EngineRegistry : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, w(wide(kScratchKey))); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, w(wide(kScratchKey))); }
};

TEST_F(EngineRegistry, ValuesWrittenWithTheirTypesAndRemovedWithoutAnotherProgramsEntries) {
  const std::string shared = std::string(kScratchKey) + "\\Shared";
  setValue(shared, "theirs", REG_SZ, std::string_view("keep", 5));
  setValue(shared + "\\Other", "x", REG_SZ, std::string_view("keep", 5));
  setValue(shared + "\\Suffixes", "application/other", REG_SZ, std::string_view("keep", 5));

  RegistryTreeWriter tree;
  tree.root(kCurrentUser);
  tree.key(std::string(kScratchKey) + "\\Classes\\Types");
  tree.stringValue("", "Veltrix.File");
  tree.stringValue("Empty", "");
  tree.fourByteValue("EditFlags", kRegBinary, 0x00010000);
  tree.fourByteValue("Count", kRegDword, 7);
  tree.stringValue("Command", "\"" + folderToken(kProgramFilesFolder) + "\\Veltrix\\veltrix.exe\" \"%1\"");
  tree.key("ShellNew");
  tree.stringValue("NullFile", "");
  tree.endKey();
  tree.endKey();
  tree.key(shared);
  tree.stringValue("ours", "Yes");
  tree.key("Viewers");
  tree.stringValue("application/vnd.veltrix", "viewer");
  tree.endKey();
  tree.key("Suffixes");
  tree.stringValue("application/vnd.veltrix", "vlx");
  tree.endKey();
  tree.endKey();
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(tree.finish(bytes), kOk);
  FolderTable folders;
  folders.text[kProgramFilesFolder] = "C:\\Program Files";

  ASSERT_EQ(writeRegistryTree(bytes, folders), kOk);
  const std::string classes = std::string(kScratchKey) + "\\Classes", types = classes + "\\Types";
  EXPECT_EQ(valueOf(types, "").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(valueOf(types, "").data, std::string("Veltrix.File", 13));
  EXPECT_EQ(valueOf(types, "Empty").data, std::string(1, '\0'));  // the empty string: its terminator alone
  EXPECT_EQ(valueOf(types, "EditFlags").type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(valueOf(types, "EditFlags").data, std::string("\0\0\1\0", 4));
  EXPECT_EQ(valueOf(types, "Count").type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(valueOf(types, "Count").data, std::string("\7\0\0\0", 4));
  const char command[] = "\"C:\\Program Files\\Veltrix\\veltrix.exe\" \"%1\"";
  EXPECT_EQ(valueOf(types, "Command").data, std::string(command, sizeof command));
  EXPECT_EQ(valueOf(types + "\\ShellNew", "NullFile").data, std::string(1, '\0'));

  // Removal takes our values and the keys they leave empty, and nothing else.
  removeRegistryTree(bytes, folders);
  EXPECT_FALSE(keyExists(types));
  EXPECT_FALSE(keyExists(shared + "\\Viewers"));
  EXPECT_EQ(valueOf(shared, "ours").data, "(missing)");
  EXPECT_EQ(valueOf(shared, "theirs").data, std::string("keep", 5));
  EXPECT_EQ(valueOf(shared + "\\Other", "x").data, std::string("keep", 5));
  EXPECT_EQ(valueOf(shared + "\\Suffixes", "application/other").data, std::string("keep", 5));
  EXPECT_EQ(valueOf(shared + "\\Suffixes", "application/vnd.veltrix").data, "(missing)");

  // On a machine that never had our keys, removal finds nothing and makes nothing.
  RegDeleteTreeW(HKEY_CURRENT_USER, w(wide(classes)));
  removeRegistryTree(bytes, folders);
  EXPECT_FALSE(keyExists(classes));
  EXPECT_EQ(valueOf(shared, "theirs").data, std::string("keep", 5));
}

TEST_F(EngineRegistry, TheViewerListGetsTheTypeOnceInItsFirstFreeSlot) {
  const std::string viewers = std::string(kScratchKey) + "\\Viewers";
  const std::string ours(kMimeTypeValue);
  auto listWith = [&](std::initializer_list<std::pair<const char*, Value>> entries) {
    RegDeleteTreeW(HKEY_CURRENT_USER, w(wide(viewers)));
    for (const auto& [name, value] : entries) setValue(viewers, name, value.type, value.data);
  };
  const Value other = {REG_SZ, std::string("text/plain", 11)};

  // Already listed (after another type): left as it was.
  listWith({{"TYPE0", other}, {"TYPE1", {REG_SZ, ours}}});
  EXPECT_EQ(addToViewerList(HKEY_CURRENT_USER, viewers), kOk);
  EXPECT_EQ(valueOf(viewers, "TYPE2").data, "(missing)");

  // Five slots of other types, one longer, one of our bytes but not a string.
  listWith({{"TYPE0", other},
            {"TYPE1", {REG_SZ, ours.substr(0, 23) + "2" + std::string(1, '\0')}},
            {"TYPE2", {REG_DWORD, std::string("\1\0\0\0", 4)}},
            {"TYPE3", {REG_EXPAND_SZ, std::string("image/png", 10)}},
            {"TYPE4", {REG_BINARY, ours}}});
  EXPECT_EQ(addToViewerList(HKEY_CURRENT_USER, viewers), kOk);
  EXPECT_EQ(valueOf(viewers, "TYPE5").type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(valueOf(viewers, "TYPE5").data, ours);
  EXPECT_EQ(valueOf(viewers, "TYPE4").data, ours);  // untouched
  EXPECT_EQ(valueOf(viewers, "TYPE4").type, static_cast<DWORD>(REG_BINARY));

  // A gap is filled.
  listWith({{"TYPE0", other}, {"TYPE2", other}});
  EXPECT_EQ(addToViewerList(HKEY_CURRENT_USER, viewers), kOk);
  EXPECT_EQ(valueOf(viewers, "TYPE1").data, ours);
  EXPECT_EQ(valueOf(viewers, "TYPE3").data, "(missing)");

  // No list at all is a failure of the step, not a list created elsewhere.
  RegDeleteTreeW(HKEY_CURRENT_USER, w(wide(viewers)));
  EXPECT_EQ(addToViewerList(HKEY_CURRENT_USER, viewers), sys::kRegOpenKeyExFailed);
  EXPECT_EQ(sys::lastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace vx::setup
