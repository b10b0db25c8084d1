#include "machine.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <iterator>

#include "driver.h"

namespace e2e::setup {

const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kNavigatorKey[] = L"Software\\Netscape\\Netscape Navigator";
const wchar_t kViewersKey[] = L"Software\\Netscape\\Netscape Navigator\\Viewers";

const Release kRelease2000{"Veltrix 2000", "Veltrix 2000.lnk", E2E_PROGRAM_2000, E2E_UNINSTALLER_2000,
                           E2E_SAMPLES_2000, E2E_INSTALLER_2000, "Install Veltrix 2000"};
const Release kReleaseCurrent{"Veltrix", "Veltrix.lnk", E2E_PROGRAM_CURRENT, E2E_UNINSTALLER_CURRENT,
                              E2E_SAMPLES_CURRENT, E2E_INSTALLER_CURRENT, "Install Veltrix"};

namespace {

constexpr char kMimeType[] = "application/vnd.veltrix";

// ---- Registry export ---------------------------------------------------------

struct RegistryRoot {
  HKEY key;
  const wchar_t* path;
  const char* name;
};

// The classes show up once, merged, under HKCR; Wow6432Node is the view of
// programs of the other word size, where the system mirrors shared keys.
// Wine keeps its own settings under HKCU\Software\Wine and rewrites some of
// them as programs start.
const RegistryRoot kRoots[] = {
    {HKEY_CLASSES_ROOT, L"", "HKCR"},
    {HKEY_CURRENT_USER, L"Software", "HKCU\\Software"},
    {HKEY_LOCAL_MACHINE, L"Software", "HKLM\\Software"},
};
const char* const kRegistryLeftOut[] = {"HKCU\\Software\\Classes", "HKLM\\Software\\Classes",
                                        "HKLM\\Software\\Wow6432Node", "HKCU\\Software\\Wine"};

std::string typeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "type " + std::to_string(type);
  }
}

std::string hexBytes(const BYTE* data, DWORD size) {
  std::string text;
  char byte[4];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", data[i]);
    text += byte;
  }
  return text;
}

// A string value shows its text; one whose stored length is not the text and
// one terminator shows that length too, since programs that read it see it.
std::string dataText(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    const auto* text = reinterpret_cast<const wchar_t*>(data);
    const std::size_t units = size / sizeof(wchar_t);
    const std::size_t length = std::find(text, text + units, L'\0') - text;
    std::string shown = typeName(type) + " \"" + narrow(std::wstring(text, length)) + "\"";
    if (size != (length + 1) * sizeof(wchar_t)) shown += " (" + std::to_string(size) + " bytes)";
    return shown;
  }
  if (type == REG_DWORD && size == 4) {
    DWORD value;
    std::memcpy(&value, data, 4);
    char text[24];
    std::snprintf(text, sizeof text, "REG_DWORD 0x%08lX", static_cast<unsigned long>(value));
    return text;
  }
  return typeName(type) + " " + hexBytes(data, size);
}

std::string valueName(const std::wstring& name) { return name.empty() ? "@" : "\"" + narrow(name) + "\""; }

bool leftOut(const std::string& path) {
  for (const char* prefix : kRegistryLeftOut) {
    if (_stricmp(path.c_str(), prefix) == 0) return true;
  }
  return false;
}

void exportKey(HKEY key, const std::string& path, Listing& out) {
  if (leftOut(path)) return;
  out.insert("[" + path + "]");
  DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, &longestName,
                       &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    out.insert("[" + path + "] cannot be read");
    return;
  }
  std::wstring name(longestName + 1, L'\0');
  std::vector<BYTE> data(longestData + sizeof(wchar_t));
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size()), size = longestData, type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) continue;
    out.insert("[" + path + "] " + valueName(name.substr(0, nameLength)) + " = " + dataText(type, data.data(), size));
  }
  std::wstring subkey(longestSubkey + 1, L'\0');
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD length = static_cast<DWORD>(subkey.size());
    if (RegEnumKeyExW(key, i, subkey.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    const std::wstring child = subkey.substr(0, length);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
    exportKey(opened, path + "\\" + narrow(child), out);
    RegCloseKey(opened);
  }
}

// ---- File listing ---------------------------------------------------------------

// Wine's own scratch and cache folders change whenever a program starts.
const char* const kFilesLeftOut[] = {"C:\\windows\\temp\\", "C:\\users\\root\\Temp\\",
                                     "C:\\users\\root\\AppData\\Local\\Temp\\"};

bool fileLeftOut(const std::string& folder) {
  for (const char* prefix : kFilesLeftOut) {
    if (_stricmp(folder.c_str(), prefix) == 0) return true;
  }
  return false;
}

template <class Visit>
void walkFolder(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    visit(folder, found);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// A folder's identity on its volume: Wine links several profile folders
// (Documents, Music, Templates, ...) to one Unix folder, the desktop's.
struct FolderId {
  DWORD volume = 0, high = 0, low = 0;
  bool operator==(const FolderId&) const = default;
};

FolderId folderId(const std::wstring& path) {
  FolderId id;
  HANDLE folder = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return id;
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileInformationByHandle(folder, &information)) {
    id = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
  }
  CloseHandle(folder);
  return id;
}

// Every folder and file below `folder`; a folder that is the desktop under
// another name is left out, so that each file is listed once, where the user sees it.
void listFolder(const std::wstring& folder, const std::wstring& desktop, const FolderId& desktopId, Listing& out) {
  walkFolder(folder, [&](const std::wstring& parent, const WIN32_FIND_DATAW& found) {
    const std::wstring path = parent + found.cFileName;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const std::string shown = narrow(path) + "\\";
      if (fileLeftOut(shown)) return;
      const bool alias = desktopId != FolderId{} && _wcsicmp(path.c_str(), desktop.c_str()) != 0;
      if (alias && folderId(path) == desktopId) return;
      out.insert(shown);
      listFolder(path + L"\\", desktop, desktopId, out);
    } else {
      const unsigned long long size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      out.insert(narrow(path) + " " + std::to_string(size));
    }
  });
}

// Relative path -> bytes of every file below `folder` (a Windows path ending in a backslash).
void readTree(const std::wstring& folder, const std::wstring& relative, std::map<std::string, std::string>& out) {
  walkFolder(folder + relative, [&](const std::wstring&, const WIN32_FIND_DATAW& found) {
    const std::wstring child = relative + found.cFileName;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[narrow(child) + "\\"];  // folders appear too, empty ones included
      readTree(folder, child + L"\\", out);
    } else {
      readFile(narrow(folder + child), out[narrow(child)]);
    }
  });
}

void removeTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    walkFolder(path + L"\\", [](const std::wstring& parent, const WIN32_FIND_DATAW& found) {
      removeTree(parent + found.cFileName);
    });
    RemoveDirectoryW(path.c_str());
  } else {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }
}

std::string stringValue(const std::string& text) { return "REG_SZ \"" + text + "\""; }

void addWithKeys(Listing& out, const std::string& key, const std::string& name, const std::string& data) {
  out.insert("[" + key + "] " + name + " = " + data);
  // The key and every parent up to the root; a story subtracts those it had.
  for (std::string path = key; path.find('\\') != std::string::npos; path.erase(path.rfind('\\'))) {
    out.insert("[" + path + "]");
  }
}

// What a shortcut file resolves to through the shell link interface: its
// target, and whether anything else (arguments, working folder) was set.
struct LinkTarget {
  bool loaded = false;
  std::wstring path, arguments, folder;
};

LinkTarget resolveLink(const std::wstring& linkPath) {
  LinkTarget target;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return target;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(linkPath.c_str(), STGM_READ))) {
      wchar_t text[MAX_PATH] = {};
      target.loaded = SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH));
      target.path = text;
      text[0] = 0;
      link->GetArguments(text, MAX_PATH);
      target.arguments = text;
      text[0] = 0;
      link->GetWorkingDirectory(text, MAX_PATH);
      target.folder = text;
    }
    file->Release();
  }
  link->Release();
  return target;
}

}  // namespace

Listing exportRegistry() {
  Listing out;
  for (const RegistryRoot& root : kRoots) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root.key, root.path, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    exportKey(key, root.name, out);
    RegCloseKey(key);
  }
  return out;
}

Listing listFiles() {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring desktop = widen(Folders::now().desktop);
  Listing out;
  listFolder(std::wstring(windows, 3), desktop, folderId(desktop), out);  // from "C:\"
  return out;
}

void save(const Listing& listing, const std::string& name) {
  std::string text;
  for (const std::string& line : listing) text += line + "\n";
  writeTextFile(workFolder() + "/" + name, text);
}

Change compare(const Listing& before, const Listing& after) {
  Change change;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::inserter(change.added, change.added.end()));
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::inserter(change.removed, change.removed.end()));
  return change;
}

std::string describe(const Change& change) {
  std::string text;
  for (const std::string& line : change.removed) text += "- " + line + "\n";
  for (const std::string& line : change.added) text += "+ " + line + "\n";
  return text;
}

Machine Machine::now() { return Machine{exportRegistry(), listFiles()}; }

void Machine::save(const std::string& name) const {
  setup::save(registry, name + ".registry.txt");
  setup::save(files, name + ".files.txt");
}

Folders Folders::now() {
  Folders folders;
  DWORD type = 0;
  const std::wstring programFiles = readString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir", &type);
  if (type == REG_EXPAND_SZ) {
    wchar_t expanded[1536];
    const DWORD n = ExpandEnvironmentStringsW(programFiles.c_str(), expanded, 1536);
    folders.programFiles = n ? narrow(expanded) : "";
  } else {
    folders.programFiles = narrow(programFiles);
  }
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  folders.windows = narrow(windows);
  folders.desktop = narrow(readString(HKEY_CURRENT_USER, kShellFoldersKey, L"Desktop"));
  folders.programs = narrow(readString(HKEY_CURRENT_USER, kShellFoldersKey, L"Programs"));
  return folders;
}

Listing pathsOf(const Listing& listing) {
  Listing paths;
  for (const std::string& line : listing) {
    paths.insert(line.back() == '\\' ? line : line.substr(0, line.rfind(' ')));
  }
  return paths;
}

Listing unite(Listing a, const Listing& b) {
  a.insert(b.begin(), b.end());
  return a;
}

Listing without(Listing a, const Listing& b) {
  for (const std::string& line : b) a.erase(line);
  return a;
}

Listing valuesOf(const Listing& registry) {
  Listing values;
  for (const std::string& line : registry) {
    if (line.find("] ") != std::string::npos) values.insert(line);
  }
  return values;
}

void expectChange(const char* what, const Listing& before, const Listing& after, const Listing& expected) {
  const std::string made = describe(compare(before, after)), wanted = describe(compare(before, expected));
  EXPECT_EQ(made, wanted) << what << " changed as the first text says; expected the second";
}

Listing releaseRegistry(const Release& release, const std::string& programFiles) {
  const std::string folder = programFiles + "\\" + release.folder;
  const std::string program = "\"" + folder + "\\veltrix.exe\"";
  Listing out;
  for (const char* extension : {".vlx", ".veltrix", ".zqm"}) {
    const std::string key = std::string("HKCR\\") + extension;
    addWithKeys(out, key, "@", stringValue("Veltrix.File"));
    addWithKeys(out, key, "\"Content Type\"", stringValue(kMimeType));
    addWithKeys(out, key + "\\ShellNew", "\"NullFile\"", stringValue(""));
  }
  addWithKeys(out, "HKCR\\Veltrix.File", "@", stringValue("Veltrix File"));
  addWithKeys(out, "HKCR\\Veltrix.File", "\"EditFlags\"", "REG_BINARY 00 00 01 00");
  addWithKeys(out, "HKCR\\Veltrix.File\\shell\\open\\command", "@", stringValue(program + " \"%1\""));
  addWithKeys(out, std::string("HKCR\\MIME\\Database\\Content Type\\") + kMimeType, "\"Extension\"",
              stringValue(".vlx"));
  const std::string navigator = "HKCU\\Software\\Netscape\\Netscape Navigator";
  addWithKeys(out, navigator + "\\Suffixes", std::string("\"") + kMimeType + "\"", stringValue("vlx,zqm,veltrix"));
  addWithKeys(out, navigator + "\\User Trusted External Applications", "\"" + program + "\"", stringValue("Yes"));
  addWithKeys(out, navigator + "\\Viewers", std::string("\"") + kMimeType + "\"", stringValue(program));
  const std::string uninstall = std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                                release.folder;
  addWithKeys(out, uninstall, "\"DisplayName\"", stringValue(release.folder));
  addWithKeys(out, uninstall, "\"UninstallString\"", stringValue("\"" + folder + "\\uninstal.exe\""));
  addWithKeys(out, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\veltrix.exe", "@",
              stringValue(program));
  return out;
}

std::string viewerListLine(int n) {
  return "[HKCU\\Software\\Netscape\\Netscape Navigator\\Viewers] \"TYPE" + std::to_string(n) + "\" = " +
         stringValue(kMimeType);
}

Listing releaseFiles(const Release& release, const Folders& folders) {
  Listing out;
  const std::string programFolder = folders.programFiles + "\\" + release.folder + "\\";
  out.insert({programFolder, programFolder + "veltrix.exe", programFolder + "uninstal.exe"});
  std::map<std::string, std::string> samples;
  readTree(windowsPath(release.samples) + L"\\", L"", samples);
  const std::string sampleFolder = folders.windows + "\\" + release.folder + "\\";
  out.insert(sampleFolder);
  for (const auto& [path, bytes] : samples) out.insert(sampleFolder + path);
  const std::string startMenu = folders.programs + "\\" + release.folder + "\\";
  out.insert({folders.desktop + "\\" + release.desktopLink, startMenu, startMenu + release.desktopLink,
              startMenu + "Uninstall.lnk", folders.windows + "\\Opera.ini"});
  return out;
}

void expectInstalledBytes(const Release& release, const Folders& folders, const Listing& extras) {
  std::map<std::string, std::string> expected, installed;
  const std::string programFolder = folders.programFiles + "\\" + release.folder + "\\";
  ASSERT_TRUE(readFile(narrow(windowsPath(release.program)), expected[programFolder + "veltrix.exe"]));
  ASSERT_TRUE(readFile(narrow(windowsPath(release.uninstaller)), expected[programFolder + "uninstal.exe"]));
  std::map<std::string, std::string> samples;
  readTree(windowsPath(release.samples) + L"\\", L"", samples);
  ASSERT_GT(samples.size(), 250u) << "the build's sample library is not at " << release.samples;
  const std::string sampleFolder = folders.windows + "\\" + release.folder + "\\";
  for (auto& [path, bytes] : samples) expected[sampleFolder + path] = std::move(bytes);

  std::map<std::string, std::string> found;
  readTree(widen(programFolder), L"", found);
  for (auto& [path, bytes] : found) installed[programFolder + path] = std::move(bytes);
  found.clear();
  readTree(widen(sampleFolder), L"", found);
  for (auto& [path, bytes] : found) installed[sampleFolder + path] = std::move(bytes);

  int reported = 0;
  for (const auto& [path, bytes] : expected) {
    const auto it = installed.find(path);
    if (it == installed.end()) {
      ADD_FAILURE() << "missing: " << path;
    } else if (it->second != bytes) {
      ADD_FAILURE() << "differs from the build's file (" << it->second.size() << " bytes, expected " << bytes.size()
                    << "): " << path;
    } else {
      continue;
    }
    if (++reported == 5) return;
  }
  for (const auto& [path, bytes] : installed) {
    const bool folderOfExtra = std::any_of(extras.begin(), extras.end(), [&path](const std::string& extra) {
      return extra.compare(0, path.size(), path) == 0;
    });
    if (!expected.count(path) && !extras.count(path) && !folderOfExtra) ADD_FAILURE() << "not the release's: " << path;
  }
}

void expectShortcuts(const Release& release, const Folders& folders) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  const std::string program = folders.programFiles + "\\" + release.folder + "\\veltrix.exe";
  const std::string uninstaller = folders.programFiles + "\\" + release.folder + "\\uninstal.exe";
  const std::string startMenu = folders.programs + "\\" + release.folder + "\\";
  const std::pair<std::string, std::string> links[] = {
      {folders.desktop + "\\" + release.desktopLink, program},
      {startMenu + release.desktopLink, program},
      {startMenu + "Uninstall.lnk", uninstaller},
  };
  for (const auto& [link, target] : links) {
    const LinkTarget resolved = resolveLink(widen(link));
    EXPECT_TRUE(resolved.loaded) << "cannot load the shortcut " << link;
    EXPECT_EQ(_wcsicmp(resolved.path.c_str(), widen(target).c_str()), 0)
        << link << " points at " << narrow(resolved.path) << ", not " << target;
    EXPECT_EQ(narrow(resolved.arguments + resolved.folder), "") << link << " carries more than its target";
  }
  CoUninitialize();
}

std::string browserEntry() {
  wchar_t value[2048] = {};
  GetPrivateProfileStringW(L"FILE TYPES", widen(kMimeType).c_str(), L"", value, 2048, L"Opera.ini");
  return narrow(value);
}

void removeEveryInstallation() {
  const Folders folders = Folders::now();
  for (const char* release : {"Veltrix", "Veltrix 2000"}) {
    removeTree(widen(folders.programFiles + "\\" + release));
    removeTree(widen(folders.windows + "\\" + release));
    removeTree(widen(folders.programs + "\\" + release));
    removeTree(widen(folders.desktop + "\\" + release + ".lnk"));
  }
  removeTree(widen(folders.windows + "\\Opera.ini"));
  removeTree(widen(folders.windows + "\\EJZ06K3R.EXE"));
  for (const wchar_t* key : {L".vlx", L".veltrix", L".zqm", L"Veltrix.File",
                             L"MIME\\Database\\Content Type\\application/vnd.veltrix"}) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, key);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Netscape");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Netscape");
  const std::wstring machine = std::wstring(kCurrentVersionKey) + L"\\";
  for (const wchar_t* key : {L"Uninstall\\Veltrix", L"Uninstall\\Veltrix 2000", L"App Paths\\veltrix.exe"}) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (machine + key).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (machine + key).c_str());
  }
}

bool setString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& data, DWORD type) {
  HKEY opened = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExW(opened, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  return result == ERROR_SUCCESS;
}

bool deleteValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return false;
  const LONG result = RegDeleteValueW(opened, name.c_str());
  RegCloseKey(opened);
  return result == ERROR_SUCCESS;
}

std::wstring readString(HKEY root, const std::wstring& key, const std::wstring& name, DWORD* type) {
  wchar_t data[2048] = {};
  DWORD size = sizeof data - sizeof(wchar_t), found = 0;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return L"";
  const LONG result = RegQueryValueExW(opened, name.c_str(), nullptr, &found, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(opened);
  if (type) *type = result == ERROR_SUCCESS ? found : REG_NONE;
  return result == ERROR_SUCCESS ? std::wstring(data) : L"";
}

bool writeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool readFile(const std::string& path, std::string& bytes) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  const BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return ok && read == bytes.size();
}

bool exists(const std::string& path) { return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace e2e::setup
