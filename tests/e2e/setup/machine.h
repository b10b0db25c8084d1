#pragma once
// What the machine under the setup programs holds, in forms a story can compare
// before and after a run: the registry and the file tree as sorted listings of
// one line per key, value, folder and file; the installed bytes against the
// build's inputs; the shortcuts' targets; the browser's configuration entry.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace e2e::setup {

// One line per item, sorted: a registry export or a file listing.
//   registry: "[HKCR\.vlx]" for a key, "[HKCR\.vlx] @ = REG_SZ \"Veltrix.File\"" for
//             a value (a string whose stored length is not its text and one
//             terminator says so: "(5 bytes)")
//   files:    "C:\Program Files\Veltrix\" for a folder, "C:\...\veltrix.exe 133632" for a file
using Listing = std::set<std::string>;

Listing exportRegistry();
Listing listFiles();
// Writes a listing to the suite's folder (for looking into a failure).
void save(const Listing& listing, const std::string& name);

struct Change {
  Listing added, removed;
  bool empty() const { return added.empty() && removed.empty(); }
};
Change compare(const Listing& before, const Listing& after);
// "+ line" and "- line", one a line: what a failing check prints.
std::string describe(const Change& change);

// Both listings at once.
struct Machine {
  Listing registry, files;
  static Machine now();
  void save(const std::string& name) const;
};

// The special folders as the setup programs find them in the registry.
struct Folders {
  std::string programFiles, windows, desktop, programs;
  static Folders now();
};

// The paths a listing names, without the sizes of its files.
Listing pathsOf(const Listing& listing);
// Set arithmetic on listings, and the value lines of a registry listing.
Listing unite(Listing a, const Listing& b);
Listing without(Listing a, const Listing& b);
Listing valuesOf(const Listing& registry);
// Checks that going from `before` to `after` changed exactly what going from
// `before` to `expected` does: a failure shows both changes line by line.
void expectChange(const char* what, const Listing& before, const Listing& after, const Listing& expected);

// A release as it is installed, and where the build keeps its inputs.
struct Release {
  const char* folder;        // "Veltrix 2000" or "Veltrix"
  const char* desktopLink;   // "Veltrix 2000.lnk" or "Veltrix.lnk"
  std::string program, uninstaller, samples;  // Unix paths of the build's files
  const char* installer;     // the installer of this release (Unix path)
  const char* installerCaption;
};
extern const Release kRelease2000;
extern const Release kReleaseCurrent;

// Every registry value and key the release's installation holds with P for
// `programFiles`: value lines in the export's form, with the key lines of
// their keys and those keys' parents.
Listing releaseRegistry(const Release& release, const std::string& programFiles);
// The viewer list entry the installer adds: "[HKCU\...\Viewers] \"TYPEn\" = REG_SZ ...".
std::string viewerListLine(int n);
// Every file and folder the release's installation holds, shortcuts and the
// browser's configuration file included (paths only).
Listing releaseFiles(const Release& release, const Folders& folders);

// Checks, as test failures, that the program folder and the sample folder hold
// the build's files byte for byte and nothing else but `extras` (full paths).
void expectInstalledBytes(const Release& release, const Folders& folders, const Listing& extras = {});
// Checks the three shortcuts: each resolves through the shell link interface to its target.
void expectShortcuts(const Release& release, const Folders& folders);
// The value of "application/vnd.veltrix" in section "FILE TYPES" of "Opera.ini", or "".
std::string browserEntry();

// Puts the machine back to no installation of either release: their folders,
// shortcuts, registry keys, browser entry and the uninstaller's working copy.
// Keys that other programs share (the browser's) go whole: the stories plant
// what other programs own themselves.
void removeEveryInstallation();

// Registry edits for the stories: a value of a given type, a deleted value, a
// deleted key tree. Each returns whether the system call succeeded.
bool setString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& data,
               DWORD type = REG_SZ);
bool deleteValue(HKEY root, const std::wstring& key, const std::wstring& name);
// The data of a string value, or "" when it is missing.
std::wstring readString(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* type = nullptr);

// Files in Windows paths.
bool writeFile(const std::string& path, const std::string& bytes);
bool readFile(const std::string& path, std::string& bytes);
bool exists(const std::string& path);

extern const wchar_t kCurrentVersionKey[];  // HKLM SOFTWARE\Microsoft\Windows\CurrentVersion
extern const wchar_t kShellFoldersKey[];    // HKCU ...\Explorer\Shell Folders
extern const wchar_t kViewersKey[];         // HKCU ...\Netscape Navigator\Viewers
extern const wchar_t kNavigatorKey[];       // HKCU Software\Netscape\Netscape Navigator

}  // namespace e2e::setup
