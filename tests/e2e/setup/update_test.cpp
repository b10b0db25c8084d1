// Moving from "Veltrix 2000" to the current release and removing it again, as
// users do it: the updater over an older installation, on a fresh machine and a
// second time; the uninstaller started from its Add/Remove Programs entry, with
// files of the user's own and registry entries of other programs around it.
// Each story compares the whole registry and the whole of drive C: before and
// after, so that a failure shows exactly what changed.
#include <gtest/gtest.h>

#include "driver.h"
#include "machine.h"
#include "panels.h"

namespace e2e::setup {
namespace {

constexpr char kUpdateCaption[] = "Update Veltrix";
constexpr char kUpdateQuestion[] = "OK to update?";
const std::string kUpdateConfirmation =
    "\n\nThis program will update your copy of Veltrix to version 2001.11.09.  Please make sure that Veltrix is not "
    "running when you apply this update." + std::string(9, '\n') + std::string(25, ' ') + kUpdateQuestion;
constexpr char kUpdateDone[] =
    "\n\nDone.\n\nTo use Veltrix, double click on the Veltrix icon on your desktop, or click on START - PROGRAMS - "
    "VELTRIX - VELTRIX.\n\nTo remove Veltrix from your hard disk drive, click on START - SETTINGS - CONTROL PANEL - "
    "ADD/REMOVE PROGRAMS.  Or, click on START - PROGRAMS - VELTRIX - UNINSTALL.";

constexpr char kUninstallCaption[] = "Uninstall Veltrix";
constexpr char kUninstallQuestion[] = "OK to remove Veltrix?";
const std::string kUninstallConfirmation =
    "\n\n\nRemoving Veltrix from your hard disk drive will take only a few seconds, and will free about 900k of of "
    "disk space.  After removing Veltrix from your hard disk drive, you can reinstall it from the original "
    "installation program.\n\n\n\n" + std::string(13, ' ') + kUninstallQuestion;
constexpr char kUninstallDone[] = "\n\n\n\n\n\n\nDone.";

constexpr char kInstallQuestion[] = "OK to install now?";
const std::string kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void install(const Release& release) { runThrough(release.installer, release.installerCaption, kInstallQuestion); }
void update() { runThrough(E2E_UPDATER, kUpdateCaption, kUpdateQuestion); }

// Another program's entries in the keys the browser shares with everyone.
void plantOtherProgram() {
  const std::wstring navigator = kNavigatorKey;
  ASSERT_TRUE(setString(HKEY_CURRENT_USER, navigator + L"\\User Trusted External Applications",
                        L"\"C:\\Other\\other.exe\"", L"Yes"));
  ASSERT_TRUE(setString(HKEY_CURRENT_USER, navigator + L"\\Viewers", L"application/x-other", L"\"C:\\Other\\other.exe\""));
  ASSERT_TRUE(setString(HKEY_CURRENT_USER, navigator + L"\\Suffixes", L"application/x-other", L"oth"));
  ASSERT_TRUE(setString(HKEY_CURRENT_USER, navigator + L"\\Other Program\\Settings", L"Home", L"www.other.example"));
}

std::string windowsFolderPath(const char* relative) { return Folders::now().windows + "\\" + relative; }

// What opening one of the release's samples through the shell starts.
void expectSampleOpensInRelease(const Release& release, const Folders& folders, const char* sample) {
  const std::string program = folders.programFiles + "\\" + release.folder + "\\veltrix.exe";
  const std::string file = folders.windows + "\\" + release.folder + "\\" + sample;
  const OpenedProgram opened = openThroughShell(file);
  EXPECT_TRUE(opened.window) << "no program window after opening " << file;
  EXPECT_EQ(_wcsicmp(opened.image.c_str(), widen(program).c_str()), 0) << narrow(opened.image);
  EXPECT_EQ(narrow(opened.commandLine), "\"" + program + "\" \"" + file + "\"");
  EXPECT_EQ(narrow(opened.currentDirectory), file.substr(0, file.rfind('\\')))
      << "the program did not read the file it was given";
  closeProgram(opened);
}

void expectCurrentReleaseInstalled(const Folders& folders) {
  expectInstalledBytes(kReleaseCurrent, folders);
  expectShortcuts(kReleaseCurrent, folders);
  EXPECT_EQ(browserEntry(), "3," + folders.programFiles + "\\Veltrix\\veltrix.exe,,,vlx zqm veltrix,|");
}

// The uninstaller as Add/Remove Programs starts it: the first process hands
// over to its working copy in the Windows folder and ends; the copy shows the
// panels. `choice` answers the confirmation.
void uninstall(const std::wstring& commandLine, Answer choice, const char* shot = nullptr) {
  auto first = Started::runCommandLine(commandLine);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->waitForExit(), 0);
  const Panel confirmation = waitForPanel(kUninstallCaption, kUninstallQuestion);
  ASSERT_TRUE(confirmation);
  EXPECT_EQ(confirmation.text, kUninstallConfirmation);
  const std::string copy = windowsFolderPath("EJZ06K3R.EXE");
  EXPECT_EQ(_wcsicmp(imageOf(confirmation.frame).c_str(), widen(copy).c_str()), 0)
      << "the panels are not the working copy's: " << narrow(imageOf(confirmation.frame));
  answer(confirmation, choice);
  if (choice == Answer::Ok) {
    const Panel done = waitForPanel(kUninstallCaption, "Done.", 60000);
    ASSERT_TRUE(done);
    EXPECT_EQ(done.text, kUninstallDone);
    if (shot) screenshot(shot);
    answer(done, Answer::Ok);
  }
  EXPECT_TRUE(waitUntilGone(kUninstallCaption));
  // The copy has the command interpreter erase it once it has ended.
  EXPECT_TRUE(waitUntil([&copy] { return !exists(copy); }, 20000)) << "the working copy " << copy << " stayed";
}

std::wstring uninstallString() {
  return readString(HKEY_LOCAL_MACHINE, std::wstring(kCurrentVersionKey) + L"\\Uninstall\\Veltrix", L"UninstallString");
}

class Updater : public testing::Test {
 protected:
  void SetUp() override { removeEveryInstallation(); }
};
class Uninstaller : public Updater {};

TEST_F(Updater, ReplacesVeltrix2000KeepsWhatIsNotItsOwnAndCanRunAgain) {
  install(kRelease2000);
  plantOtherProgram();
  const std::string userFolder = windowsFolderPath("Veltrix 2000\\Hundreds of Pretty Pictures\\");
  ASSERT_TRUE(writeFile(userFolder + "My own picture.vlx", "graph3d(z=x*y)\r\n"));
  const Machine before = Machine::now();
  before.save("update-before");

  auto cancelled = Started::run(E2E_UPDATER);
  ASSERT_TRUE(cancelled);
  const Panel confirmation = waitForPanel(kUpdateCaption, kUpdateQuestion);
  ASSERT_TRUE(confirmation);
  EXPECT_EQ(confirmation.text, kUpdateConfirmation);
  screenshot("update-confirmation");
  answer(confirmation, Answer::Cancel);
  EXPECT_EQ(cancelled->waitForExit(), 0);
  const Machine untouched = Machine::now();
  expectChange("the registry after Cancel", before.registry, untouched.registry, before.registry);
  expectChange("drive C: after Cancel", before.files, untouched.files, before.files);

  auto run = Started::run(E2E_UPDATER);
  ASSERT_TRUE(run);
  answer(waitForPanel(kUpdateCaption, kUpdateQuestion), Answer::Ok);
  const Panel done = waitForPanel(kUpdateCaption, "Done.", 60000);
  ASSERT_TRUE(done);
  EXPECT_EQ(done.text, kUpdateDone);
  screenshot("update-done");
  answer(done, Answer::Ok);
  EXPECT_EQ(run->waitForExit(), 0);
  const Machine after = Machine::now();
  after.save("update-after");

  // The older release's values and its uninstall entry go; the keys both
  // releases write are written again; the other program keeps everything.
  const Folders folders = Folders::now();
  const Listing older = releaseRegistry(kRelease2000, folders.programFiles);
  expectChange("the registry", before.registry, after.registry,
               unite(without(before.registry, unite(valuesOf(older), {"[" + kUninstallKey + "Veltrix 2000]"})),
                     releaseRegistry(kReleaseCurrent, folders.programFiles)));
  // The user's file keeps its folders; nothing else of the older release stays.
  expectChange("drive C:", pathsOf(before.files), pathsOf(after.files),
               unite(without(pathsOf(before.files), releaseFiles(kRelease2000, folders)),
                     unite(releaseFiles(kReleaseCurrent, folders),
                           {windowsFolderPath("Veltrix 2000\\"), userFolder, userFolder + "My own picture.vlx"})));
  expectCurrentReleaseInstalled(folders);
  expectSampleOpensInRelease(kReleaseCurrent, folders, "Tori\\Torus by Its Equation.vlx");

  update();
  const Machine again = Machine::now();
  expectChange("the registry on a second update", after.registry, again.registry, after.registry);
  expectChange("drive C: on a second update", after.files, again.files, after.files);
}

// The current release's installer on a machine without Veltrix, then the
// updater on the same machine: both leave it the same.
TEST_F(Updater, OnAMachineWithoutVeltrixDoesWhatTheCurrentInstallerDoes) {
  const Machine before = Machine::now();
  install(kReleaseCurrent);
  const Machine installed = Machine::now();
  const Folders folders = Folders::now();
  expectChange("the registry", before.registry, installed.registry,
               unite(before.registry, unite(releaseRegistry(kReleaseCurrent, folders.programFiles), {viewerListLine(0)})));
  expectChange("drive C:", pathsOf(before.files), pathsOf(installed.files),
               unite(pathsOf(before.files), releaseFiles(kReleaseCurrent, folders)));
  expectCurrentReleaseInstalled(folders);

  removeEveryInstallation();
  const Machine reset = Machine::now();
  ASSERT_TRUE(compare(before.registry, reset.registry).empty() && compare(before.files, reset.files).empty())
      << "the machine could not be put back:\n" << describe(compare(before.registry, reset.registry))
      << describe(compare(before.files, reset.files));
  update();
  const Machine updated = Machine::now();
  expectChange("the registry", before.registry, updated.registry, installed.registry);
  expectChange("drive C:", before.files, updated.files, installed.files);
}

TEST_F(Uninstaller, CancelRemovesNothingAndTheWorkingCopyStillGoes) {
  install(kReleaseCurrent);
  const Machine before = Machine::now();
  uninstall(uninstallString(), Answer::Cancel);
  const Machine after = Machine::now();
  expectChange("the registry", before.registry, after.registry, before.registry);
  expectChange("drive C:", before.files, after.files, before.files);
}

// Removal from the Add/Remove Programs entry with a file of the user's own in
// a sample folder and another program's entries in the browser's keys; then
// the uninstaller once more (a copy the user kept), which finds nothing.
TEST_F(Uninstaller, RemovesWhatItsReleaseInstalledAndNothingElse) {
  install(kReleaseCurrent);
  plantOtherProgram();
  const std::string userFolder = windowsFolderPath("Veltrix\\Tori\\");
  ASSERT_TRUE(writeFile(userFolder + "My own torus.vlx", "graph3d((sqrt(x^2+y^2)-2)^2+z^2=1)\r\n"));
  const Machine before = Machine::now();
  before.save("uninstall-before");
  uninstall(uninstallString(), Answer::Ok, "uninstall-done");
  const Machine after = Machine::now();
  after.save("uninstall-after");

  // Only the program's trust entry and its uninstall entry go: the file types,
  // the browser's suffix and viewer entries and the App Paths key stay, and so
  // does everything of the other program.
  const Folders folders = Folders::now();
  Listing removed;
  for (const std::string& line : releaseRegistry(kReleaseCurrent, folders.programFiles)) {
    if (line.starts_with("[" + kUninstallKey + "Veltrix]") ||
        line.starts_with("[HKCU\\Software\\Netscape\\Netscape Navigator\\User Trusted External Applications] ")) {
      removed.insert(line);
    }
  }
  ASSERT_EQ(removed.size(), 4u);
  expectChange("the registry", before.registry, after.registry, without(before.registry, removed));
  expectChange("drive C:", pathsOf(before.files), pathsOf(after.files),
               without(pathsOf(before.files),
                       without(releaseFiles(kReleaseCurrent, folders),
                               {windowsFolderPath("Veltrix\\"), userFolder, windowsFolderPath("Opera.ini")})));
  EXPECT_EQ(browserEntry(), "");

  uninstall(L"\"" + windowsPath(E2E_UNINSTALLER_CURRENT) + L"\"", Answer::Ok);
  const Machine again = Machine::now();
  expectChange("the registry on a second run", after.registry, again.registry, after.registry);
  expectChange("drive C: on a second run", after.files, again.files, after.files);
}

// The user forgot to end the program: the uninstaller still completes. The
// running program's file cannot be deleted, nor the folder the program works
// in (that of the graph file it opened), so those and their parents stay;
// everything else goes.
TEST_F(Uninstaller, CompletesWhileTheProgramRuns) {
  install(kReleaseCurrent);
  const Folders folders = Folders::now();
  const OpenedProgram opened = openThroughShell(folders.windows + "\\Veltrix\\Spheres\\Sphere by Its Equation.vlx");
  ASSERT_TRUE(opened.window);
  uninstall(uninstallString(), Answer::Ok);
  Listing left;
  for (const std::string& path : pathsOf(listFiles())) {
    if (path.find("\\Veltrix\\") != std::string::npos || path.ends_with("\\Veltrix.lnk")) left.insert(path);
  }
  const std::string programFolder = folders.programFiles + "\\Veltrix\\";
  const std::string sampleFolder = folders.windows + "\\Veltrix\\";
  EXPECT_EQ(describe({left, {}}),
            describe({{programFolder, programFolder + "veltrix.exe", sampleFolder, sampleFolder + "Spheres\\"}, {}}));
  closeProgram(opened);
}

}  // namespace
}  // namespace e2e::setup
