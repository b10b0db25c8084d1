// The engine's steps that read or write the machine's own settings: the special
// folders from the registry and the browser's configuration file. Each test puts
// back what it changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf.h"
#include "setup/engine/engine.h"
#include "setup/engine/steps.h"
#include "setup/tree/treewriter.h"
#include "win/sys_registry.h"

namespace vx::setup {
namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// One registry value, kept at the start and put back at the end.
class SavedValue {
 public:
  SavedValue(HKEY root, const char* keyPath, const char* name) : root_(root), keyPath_(keyPath), name_(name) {
    HKEY key = nullptr;
    if (failed(sys::regOpenKeyEx(root_, keyPath_, KEY_QUERY_VALUE, key))) return;
    present_ = !failed(sys::regQueryValueEx(key, name_, type_, data_));
    sys::regCloseKey(key);
  }
  ~SavedValue() {
    if (present_) set(type_, data_);
    else remove();
  }
  const std::string& text() const { return data_; }
  void set(DWORD type, std::string_view data) const {
    HKEY key = nullptr;
    if (failed(sys::regOpenKeyEx(root_, keyPath_, KEY_SET_VALUE, key))) return;
    sys::regSetValueEx(key, name_, type, data);
    sys::regCloseKey(key);
  }
  void remove() const {
    HKEY key = nullptr;
    if (failed(sys::regOpenKeyEx(root_, keyPath_, KEY_SET_VALUE, key))) return;
    sys::regDeleteValue(key, name_);
    sys::regCloseKey(key);
  }

 private:
  HKEY root_;
  const char* keyPath_;
  const char* name_;
  bool present_ = false;
  DWORD type_ = REG_NONE;
  std::string data_;
};

std::string withTerminator(std::string text) { return text.append(1, '\0'); }

TEST(EngineMachine, SpecialFoldersComeFromTheRegistryAndOnlyAsFolderTexts) {
  const SavedValue programFiles(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");
  const SavedValue programs(HKEY_CURRENT_USER, kShellFolders, "Programs");
  const SavedValue desktop(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  ASSERT_FALSE(programs.text().empty());
  SetEnvironmentVariableW(L"VX_TEST_ROOT", L"C:\\Scratch Root");

  programFiles.set(REG_EXPAND_SZ, withTerminator("%VX_TEST_ROOT%\\Programs"));
  SpecialFolders folders;
  ASSERT_EQ(fillSpecialFolders(folders), kOk);
  EXPECT_EQ(folders.programFiles, "C:\\Scratch Root\\Programs");
  std::string windows;
  ASSERT_EQ(sys::getWindowsDirectory(windows), kOk);
  EXPECT_EQ(folders.windows, windows);
  EXPECT_EQ(withTerminator(folders.programs), programs.text());
  EXPECT_EQ(withTerminator(folders.desktop), desktop.text());
  const FolderTable table = folders.table();
  EXPECT_EQ(table.text[kProgramFilesFolder], folders.programFiles);
  EXPECT_EQ(table.text[kDesktopFolder], folders.desktop);
  EXPECT_EQ(table.text[kProgramsFolder], folders.programs);

  // A slot holds 1,536 bytes with the terminator.
  programFiles.set(REG_SZ, withTerminator("C:\\" + std::string(1532, 'x')));
  EXPECT_EQ(fillSpecialFolders(folders), kOk);
  EXPECT_EQ(folders.programFiles.size(), 1535u);
  programFiles.set(REG_SZ, withTerminator("C:\\" + std::string(1533, 'x')));
  EXPECT_EQ(fillSpecialFolders(folders), sys::kValueTooLong);
  programFiles.set(REG_EXPAND_SZ, withTerminator("%VX_TEST_ROOT%\\" + std::string(1520, 'x')));
  EXPECT_EQ(fillSpecialFolders(folders), sys::kValueTooLong);  // short before expansion, long after

  programFiles.set(REG_BINARY, "C:\\x");
  EXPECT_EQ(fillSpecialFolders(folders), sys::kUnexpectedValueType);
  programFiles.set(REG_SZ, withTerminator("C:\\Program Files"));

  // A missing folder value stops the table, with the registry's own code.
  programs.remove();
  EXPECT_EQ(fillSpecialFolders(folders), sys::kRegQueryValueExFailed);
  EXPECT_EQ(sys::lastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetEnvironmentVariableW(L"VX_TEST_ROOT", nullptr);
}

std::string profileValue(const char* key) {
  wchar_t buffer[512] = {};
  GetPrivateProfileStringW(L"FILE TYPES", reinterpret_cast<const wchar_t*>(toUtf16(key).c_str()), L"(missing)",
                           buffer, 512, L"Opera.ini");
  return toUtf8(reinterpret_cast<const char16_t*>(buffer));
}

TEST(EngineMachine, TheBrowserEntryIsWrittenAndRemovedBesideAnotherProgramsEntry) {
  std::string windows;
  ASSERT_EQ(sys::getWindowsDirectory(windows), kOk);
  const std::string file = windows + "\\Opera.ini";
  DWORD attributes = 0;
  const bool hadFile = sys::getFileAttributes(file, attributes) == kOk;
  ASSERT_EQ(sys::writePrivateProfileString("FILE TYPES", "application/other", "theirs", "Opera.ini"), kOk);

  const std::string carried =
      withTerminator("3," + folderToken(kProgramFilesFolder) + "\\Veltrix\\veltrix.exe,,,vlx zqm veltrix,|");
  FolderTable folders;
  folders.text[kProgramFilesFolder] = "C:\\Program Files";
  ASSERT_EQ(writeBrowserEntry({reinterpret_cast<const std::uint8_t*>(carried.data()), carried.size()}, folders), kOk);
  EXPECT_EQ(profileValue("application/vnd.veltrix"), "3,C:\\Program Files\\Veltrix\\veltrix.exe,,,vlx zqm veltrix,|");

  removeBrowserEntry();
  EXPECT_EQ(profileValue("application/vnd.veltrix"), "(missing)");
  EXPECT_EQ(profileValue("application/other"), "theirs");

  sys::writePrivateProfileString("FILE TYPES", "application/other", nullptr, "Opera.ini");
  sys::writePrivateProfileString(nullptr, nullptr, nullptr, "Opera.ini");
  if (hadFile) return;
  sys::deleteFile(file);
  // Removing from a machine without the file leaves it without the file.
  removeBrowserEntry();
  EXPECT_NE(sys::getFileAttributes(file, attributes), kOk);
}

}  // namespace
}  // namespace vx::setup
