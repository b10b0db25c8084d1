// The installer of "Veltrix 2000" as users meet it: going ahead, cancelling,
// installing again over an installation, and machines whose registry differs
// (an expandable Program Files value, a browser viewer list with other types in
// it, a missing Start-menu folder). Each story compares the whole registry and
// the whole of drive C: before and after the run.
#include <gtest/gtest.h>

#include <regex>

#include "driver.h"
#include "machine.h"
#include "panels.h"

namespace e2e::setup {
namespace {

constexpr char kCaption[] = "Install Veltrix 2000";
constexpr char kQuestion[] = "OK to install now?";
const std::string kConfirmationEnd =
    "Installing Veltrix 2000 takes just a few seconds, and requires less than 450k of space on your hard disk "
    "drive.\n\n\n" + std::string(22, ' ') + kQuestion;
constexpr char kDone[] =
    "Done.\n\nYou might want to save this Veltrix 2000 installation program somewhere, in case you ever want to "
    "reinstall Veltrix 2000.\n\nTo use Veltrix 2000, double click on the Veltrix 2000 icon on your desktop, or click "
    "on START - PROGRAMS - VELTRIX 2000 - VELTRIX 2000.\n\nTo remove Veltrix 2000 from your hard disk drive, click "
    "on START - SETTINGS - CONTROL PANEL - ADD/REMOVE PROGRAMS.  Or, click on START - PROGRAMS - VELTRIX 2000 - "
    "UNINSTALL.";

// Plants viewer entries of other programs as TYPE<n>.
void plantViewers(std::initializer_list<int> numbers) {
  for (int n : numbers) {
    ASSERT_TRUE(setString(HKEY_CURRENT_USER, kViewersKey, L"TYPE" + std::to_wstring(n),
                          L"application/x-other-" + std::to_wstring(n)));
  }
}

// Puts a registry value back as it was when the story began.
class RestoredValue {
 public:
  RestoredValue(HKEY root, const wchar_t* key, const wchar_t* name) : root_(root), key_(key), name_(name) {
    data_ = readString(root, key, name, &type_);
  }
  ~RestoredValue() { EXPECT_TRUE(setString(root_, key_, name_, data_, type_)); }

 private:
  HKEY root_;
  std::wstring key_, name_, data_;
  DWORD type_ = REG_NONE;
};

void install() { runThrough(kRelease2000.installer, kCaption, kQuestion); }

class Installer : public testing::Test {
 protected:
  void SetUp() override { removeEveryInstallation(); }
};

TEST_F(Installer, CancelOrClosingTheWindowWritesNothing) {
  const Machine before = Machine::now();
  for (Answer choice : {Answer::Cancel, Answer::Close}) {
    auto run = Started::run(kRelease2000.installer);
    ASSERT_TRUE(run);
    const Panel confirmation = waitForPanel(kCaption, kQuestion);
    ASSERT_TRUE(confirmation);
    EXPECT_TRUE(confirmation.text.ends_with(kConfirmationEnd)) << confirmation.text;
    if (choice == Answer::Cancel) screenshot("install-confirmation");
    answer(confirmation, choice);
    EXPECT_EQ(run->waitForExit(), 0);
    EXPECT_TRUE(waitUntilGone(kCaption));
  }
  const Machine after = Machine::now();
  expectChange("the registry", before.registry, after.registry, before.registry);
  expectChange("drive C:", before.files, after.files, before.files);
}

// A new user's machine whose browser already lists five other types: the
// whole installation, checked as the user would use it.
TEST_F(Installer, InstallsVeltrix2000AndOpensGraphFilesWithIt) {
  plantViewers({0, 1, 2, 3, 4});
  const Machine before = Machine::now();
  before.save("install-before");
  auto run = Started::run(kRelease2000.installer);
  ASSERT_TRUE(run);
  answer(waitForPanel(kCaption, kQuestion), Answer::Ok);
  const Panel done = waitForPanel(kCaption, "Done.", 60000);
  ASSERT_TRUE(done);
  EXPECT_EQ(done.text, kDone);
  screenshot("install-done");
  answer(done, Answer::Ok);
  EXPECT_EQ(run->waitForExit(), 0);
  const Machine after = Machine::now();
  after.save("install-after");

  const Folders folders = Folders::now();
  const std::string program = folders.programFiles + "\\Veltrix 2000\\veltrix.exe";
  expectChange("the registry", before.registry, after.registry,
               unite(before.registry, unite(releaseRegistry(kRelease2000, folders.programFiles), {viewerListLine(5)})));
  expectChange("drive C:", pathsOf(before.files), pathsOf(after.files),
               unite(pathsOf(before.files), releaseFiles(kRelease2000, folders)));
  expectInstalledBytes(kRelease2000, folders);
  expectShortcuts(kRelease2000, folders);
  EXPECT_EQ(browserEntry(), "3," + program + ",,,vlx zqm veltrix,|");

  // A double click on a sample starts the installed program with that file.
  const std::string sample = folders.windows + "\\Veltrix 2000\\Spheres\\Sphere of Radius Two.vlx";
  ASSERT_TRUE(exists(sample)) << "no sample " << sample << " to open";
  const OpenedProgram opened = openThroughShell(sample);
  EXPECT_TRUE(opened.window) << "no program window after opening " << sample;
  EXPECT_EQ(_wcsicmp(opened.image.c_str(), widen(program).c_str()), 0) << narrow(opened.image);
  EXPECT_EQ(narrow(opened.commandLine), "\"" + program + "\" \"" + sample + "\"");
  EXPECT_EQ(narrow(opened.currentDirectory), folders.windows + "\\Veltrix 2000\\Spheres")
      << "the program did not read the file it was given";
  screenshot("install-opened-sample");
  closeProgram(opened);
}

// Every installed file damaged, a value deleted and a file of the user's own
// added: installing again restores every file and value and keeps the user's file;
// the viewer list, which already holds the type, is left as it is.
TEST_F(Installer, InstallingAgainReplacesEveryFileAndValueAndKeepsExtraFiles) {
  install();
  const Folders folders = Folders::now();
  for (const std::string& path : releaseFiles(kRelease2000, folders)) {
    const bool payload = path.back() != '\\' && !path.ends_with(".lnk") && !path.ends_with("Opera.ini");
    if (!payload) continue;
    ASSERT_TRUE(writeFile(path, "damaged")) << path;
  }
  const std::string extra = folders.windows + "\\Veltrix 2000\\Spheres\\My own sphere.vlx";
  ASSERT_TRUE(writeFile(extra, "graph3d(x^2+y^2+z^2=4)\r\n"));
  const std::wstring uninstallKey = std::wstring(kCurrentVersionKey) + L"\\Uninstall\\Veltrix 2000";
  ASSERT_TRUE(deleteValue(HKEY_LOCAL_MACHINE, uninstallKey, L"DisplayName"));
  const Machine before = Machine::now();

  install();
  const Machine after = Machine::now();
  expectChange("the registry", before.registry, after.registry,
               unite(before.registry, releaseRegistry(kRelease2000, folders.programFiles)));
  expectChange("drive C:", pathsOf(before.files), pathsOf(after.files), pathsOf(before.files));
  expectInstalledBytes(kRelease2000, folders, {extra});
}

// Program Files given as an expandable value pointing elsewhere, and a viewer
// list with a gap at TYPE1: the installation goes to the expanded folder and
// the type fills the gap.
TEST_F(Installer, ExpandsProgramFilesAndFillsAGapInTheViewerList) {
  const RestoredValue programFilesValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir");
  ASSERT_TRUE(setString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir", L"%SystemDrive%\\Apps",
                        REG_EXPAND_SZ));
  plantViewers({0, 2});
  const Machine before = Machine::now();
  install();
  const Machine after = Machine::now();
  const Folders folders = Folders::now();
  ASSERT_EQ(folders.programFiles, "C:\\Apps");
  expectChange("the registry", before.registry, after.registry,
               unite(before.registry, unite(releaseRegistry(kRelease2000, "C:\\Apps"), {viewerListLine(1)})));
  expectChange("drive C:", pathsOf(before.files), pathsOf(after.files),
               unite(pathsOf(before.files), unite(releaseFiles(kRelease2000, folders), {"C:\\Apps\\"})));
  expectInstalledBytes(kRelease2000, folders);
  expectShortcuts(kRelease2000, folders);
  removeEveryInstallation();
  RemoveDirectoryW(L"C:\\Apps");
}

// Without a Start-menu folder the installer cannot place its shortcuts: it
// says so, with the failing call's status and the system's error code, before
// it has written anything.
TEST_F(Installer, MissingProgramsFolderStopsBeforeAnythingIsWritten) {
  const RestoredValue programsValue(HKEY_CURRENT_USER, kShellFoldersKey, L"Programs");
  ASSERT_TRUE(deleteValue(HKEY_CURRENT_USER, kShellFoldersKey, L"Programs"));
  const Machine before = Machine::now();
  auto run = Started::run(kRelease2000.installer);
  ASSERT_TRUE(run);
  answer(waitForPanel(kCaption, kQuestion), Answer::Ok);
  HWND box = nullptr;
  const std::string message = waitForMessageBox(kCaption, box);
  screenshot("install-failure");
  std::smatch codes;
  ASSERT_TRUE(std::regex_match(message, codes,
                               std::regex("Unexpected Windows failure while installing Veltrix 2000\\.  Unable to "
                                          "continue, error code = ([0-9A-F]{8}) ([0-9A-F]{8})\n\n.* for more help\\.")))
      << message;
  // The status is negative and its four bytes spell the call, top bits aside.
  const unsigned long status = std::stoul(codes[1].str(), nullptr, 16);
  EXPECT_TRUE(status & 0x80000000u) << codes[1];
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char letter = static_cast<char>((status >> shift) & 0x7F);
    EXPECT_TRUE((letter >= 'A' && letter <= 'Z') || letter == ' ') << codes[1] << " is not spelled in letters";
  }
  EXPECT_EQ(codes[2].str(), "00000002") << "the last-error code of a missing value";
  answer(Panel{box, box, message}, Answer::Ok);
  EXPECT_EQ(run->waitForExit(), 0);
  EXPECT_TRUE(waitUntilGone(kCaption));
  const Machine after = Machine::now();
  expectChange("the registry", before.registry, after.registry, before.registry);
  expectChange("drive C:", before.files, after.files, before.files);
}

}  // namespace
}  // namespace e2e::setup
