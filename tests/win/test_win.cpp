// The Windows layer against the real system (Wine in the test runs): failure
// values become statuses, UTF-8 names reach the disk whole, files are replaced
// atomically, and dialogs refuse damaged templates before anything is shown.
#include <gtest/gtest.h>

#include <string>

#include "base/dialogtemplate.h"
#include "base/utf.h"
#include "win/dialog.h"
#include "win/sys.h"
#include "win/winhost.h"

namespace vx {
namespace {

bool makeFolder(const std::string& path) {
  return CreateDirectoryW(reinterpret_cast<const wchar_t*>(toUtf16(path).c_str()), nullptr);
}
void removeFolder(const std::string& path) { RemoveDirectoryW(reinterpret_cast<const wchar_t*>(toUtf16(path).c_str())); }

// A folder of the test's own under the system's temporary folder, named with
// letters from two-, three- and four-byte UTF-8 sequences.
class WinFiles : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    folder_ = toUtf8(reinterpret_cast<const char16_t*>(temp)) + "vx größe ∑ \xF0\x9F\x98\x80";
    removeFolder(folder_);
    ASSERT_TRUE(makeFolder(folder_));
  }
  void TearDown() override {
    for (const std::string& name : names()) sys::deleteFile(folder_ + "\\" + name);
    removeFolder(folder_);
  }
  // The names in the folder, as the system lists them.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(toUtf16(folder_ + "\\*").c_str()), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
      const std::string name = toUtf8(reinterpret_cast<const char16_t*>(entry.cFileName));
      if (name != "." && name != "..") found.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
  }
  std::string folder_;
};

TEST(WinSys, FailureValuesBecomeStatusesAndKeepTheLastError) {
  // Each wrapper fails with a status of its own whose bytes spell the call.
  EXPECT_EQ(sys::setCurrentDirectory("C:\\no such folder\\at all"), sys::kSetCurrentDirectoryFailed);
  EXPECT_EQ(static_cast<std::uint32_t>(sys::kSetCurrentDirectoryFailed), 0xD3434420u);  // "SCD "
  EXPECT_EQ(static_cast<std::uint32_t>(sys::kCopyFileFailed), 0xC3C62020u);  // "CF  ", told from CreateFile
  const DWORD missing = sys::lastError();
  EXPECT_TRUE(missing == ERROR_FILE_NOT_FOUND || missing == ERROR_PATH_NOT_FOUND) << missing;
  // A later successful call does not hide the failure's code.
  std::string folder;
  EXPECT_EQ(sys::getCurrentDirectory(folder), kOk);
  EXPECT_EQ(sys::lastError(), missing);
  EXPECT_FALSE(folder.empty());

  // A zero character would cut the name short and name another file.
  HANDLE file = nullptr;
  EXPECT_EQ(sys::createFile(std::string_view("C:\\x\0y", 6), GENERIC_READ, 0, OPEN_EXISTING, 0, file),
            sys::kCreateFileFailed);
  EXPECT_EQ(sys::lastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(file, nullptr);

  // Window longs: zero is a value, zero with a last error a failure.
  LONG_PTR value = 7;
  EXPECT_EQ(sys::getWindowLongPtr(reinterpret_cast<HWND>(0x1234), GWLP_USERDATA, value), sys::kGetWindowLongPtrFailed);
  EXPECT_EQ(value, 7);
  HWND window = nullptr;
  ASSERT_EQ(sys::createWindowEx(0, "STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr, window),
            kOk);
  EXPECT_EQ(sys::getWindowLongPtr(window, GWLP_USERDATA, value), kOk);
  EXPECT_EQ(value, 0);
  LONG_PTR previous = 5;
  EXPECT_EQ(sys::setWindowLongPtr(window, GWLP_USERDATA, 0x5A5A, previous), kOk);
  EXPECT_EQ(previous, 0);
  EXPECT_EQ(sys::getWindowLongPtr(window, GWLP_USERDATA, value), kOk);
  EXPECT_EQ(value, 0x5A5A);
  std::string text;
  EXPECT_EQ(sys::setWindowText(window, "Größe ∑"), kOk);
  EXPECT_EQ(sys::getWindowText(window, text), kOk);
  EXPECT_EQ(text, "Größe ∑");
  EXPECT_EQ(sys::destroyWindow(window), kOk);
}

TEST_F(WinFiles, Utf8NamesRoundTripThroughTheHostAndReplaceAtomically) {
  WinHost host;
  const std::string path = folder_ + "\\grün ∂ \xF0\x9F\x98\x80.vlx";
  ASSERT_EQ(host.writeFile(path, "graph3d(x=1)\n"), kOk);
  std::string contents;
  ASSERT_EQ(host.readFile(path, 1000, contents), kOk);
  EXPECT_EQ(contents, "graph3d(x=1)\n");

  // The replacement takes the name whole and leaves no temporary file behind.
  const std::string longer(100000, 'z');
  ASSERT_EQ(host.writeFile(path, longer), kOk);
  ASSERT_EQ(host.readFile(path, longer.size(), contents), kOk);
  EXPECT_EQ(contents, longer);
  EXPECT_EQ(names(), std::vector<std::string>{"grün ∂ \xF0\x9F\x98\x80.vlx"});

  // Refusals leave the caller's text alone.
  contents = "kept";
  EXPECT_EQ(host.readFile(path, longer.size() - 1, contents), kTooLarge);
  EXPECT_EQ(host.readFile(folder_, 1000, contents), kNotRegularFile);
  EXPECT_EQ(host.readFile(folder_ + "\\missing.vlx", 1000, contents), kCannotOpen);
  EXPECT_EQ(host.readFile("\\\\.\\pipe\\veltrix", 1000, contents), kNotRegularFile);
  EXPECT_EQ(contents, "kept");

  // A folder under the name is never replaced.
  const std::string sub = folder_ + "\\sub";
  ASSERT_TRUE(makeFolder(sub));
  EXPECT_EQ(host.writeFile(sub, "x"), kNotRegularFile);
  DWORD attributes = 0;
  EXPECT_EQ(sys::getFileAttributes(sub, attributes), kOk);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  removeFolder(sub);

  // The current folder takes the same names, and a relative name is made full.
  std::string before, now, full;
  ASSERT_EQ(sys::getCurrentDirectory(before), kOk);
  ASSERT_EQ(sys::setCurrentDirectory(folder_), kOk);
  EXPECT_EQ(sys::getCurrentDirectory(now), kOk);
  EXPECT_EQ(sys::getFullPathName("a.vlx", full), kOk);
  sys::setCurrentDirectory(before);
  EXPECT_EQ(now, folder_);
  EXPECT_EQ(full, folder_ + "\\a.vlx");
}

// Counts the messages of a dialog and ends it at once with what it read: its
// parameter, its title and its button's text.
int gDialogMessages = 0;
std::string gDialogSeen;
INT_PTR CALLBACK countingProcedure(HWND dialog, UINT message, WPARAM, LPARAM parameter) {
  ++gDialogMessages;
  if (message != WM_INITDIALOG) return FALSE;
  storeDialogParameter(dialog, parameter);
  std::string title, button;
  sys::getWindowText(dialog, title);
  sys::getDlgItemText(dialog, IDOK, 64, button);
  gDialogSeen = title + "|" + button;
  sys::endDialog(dialog, *dialogParameter<int>(dialog));
  return TRUE;
}

// A dialog whose sound template the expansion accepts, with texts beyond ASCII
// and created hidden.
std::string hiddenDialog() {
  const DialogHeader header = {.style = kCommonDialogStyle & ~kWsVisible, .cx = 100, .cy = 50, .title = "Größe ∑",
                               .pointSize = 10, .face = "Arial"};
  const DialogItem items[] = {{.x = 6, .y = 6, .cx = 40, .cy = 14, .id = IDOK, .windowClass = numbered(kButtonClass),
                               .text = named("&Grün")}};
  return buildCompactTemplate(header, items);
}

TEST(WinDialog, ShowDialogRefusesADamagedTemplateBeforeShowingAnything) {
  std::string compact = hiddenDialog();
  ExpandedTemplate expanded;
  ASSERT_EQ(expanded.expand(compact), kOk);
  // The item's creation-data size is the template's last field: 1 is invalid.
  ASSERT_EQ(compact.substr(compact.size() - 2), std::string(2, '\0'));
  compact[compact.size() - 2] = 1;
  int result = 42;
  gDialogMessages = 0;
  EXPECT_EQ(ShowDialog(nullptr, compact, countingProcedure, reinterpret_cast<LPARAM>(&result)), kBadTemplate);
  EXPECT_EQ(ShowDialog(nullptr, compact.substr(0, 20), countingProcedure, reinterpret_cast<LPARAM>(&result)),
            kBadTemplate);
  EXPECT_EQ(gDialogMessages, 0);
  EXPECT_EQ(expanded.expand(compact), kBadTemplate);
}

TEST(WinDialog, TheSystemTakesTheExpandedTemplate) {
  // Dialogs are top-level windows: without a display the system makes none.
  HWND probe = nullptr;
  if (failed(sys::createWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr, probe)))
    GTEST_SKIP() << "no display";
  sys::destroyWindow(probe);
  // The dialog sees its texts and parameter; ShowDialog returns what it ended with.
  int result = 42;
  gDialogMessages = 0;
  EXPECT_EQ(ShowDialog(nullptr, hiddenDialog(), countingProcedure, reinterpret_cast<LPARAM>(&result)), 42);
  EXPECT_EQ(gDialogSeen, "Größe ∑|&Grün");
  EXPECT_GT(gDialogMessages, 0);
}

}  // namespace
}  // namespace vx
