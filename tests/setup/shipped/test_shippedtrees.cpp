// The trees the setup programs carry, as the build makes them from the one
// description of a release: what each release registers, links, installs and
// removes, read back through the programs' own tree reader. Program images are
// stand-ins in this build; the samples are the real library.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "setup/tree/carriedtrees.h"
#include "setup/tree/setuptree.h"

namespace vx::setup {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Folder texts that show where a tree put a folder token.
const FolderTable kFolders = {{"<P>", "<W>", "", "", "<D>", "<S>"}};

struct Release {
  std::string_view id;       // as the build names its trees
  std::string folder;        // its folder and name
  std::string samples;       // its sample library on disk
  std::size_t sampleFiles;   // with Defaults.vlx
};
const Release kReleases[] = {
    {"current", "Veltrix", VELTRIX_SAMPLES_CURRENT, 384},
    {"2000", "Veltrix 2000", VELTRIX_SAMPLES_2000, 272},
};

Bytes readAll(const std::string& path) {
  Bytes bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::uint8_t buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
  }
  return bytes;
}

Bytes treeOf(const Release& release, std::string_view kind) {
  const Bytes tree = readAll(std::string(VELTRIX_SHIPPED_TREES) + "/" + std::string(release.id) + "-" + std::string(kind) + ".tree");
  EXPECT_FALSE(tree.empty()) << release.id << " " << kind;
  return tree;
}

std::string shown(std::span<const std::uint8_t> data, std::uint8_t type) {
  std::string text;
  for (std::uint8_t b : data) {
    if (type == kRegBinary || type == kRegDword) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", b);
      text += hex;
    } else {
      text += b ? std::string(1, static_cast<char>(b)) : "<0>";
    }
  }
  return text;
}

// One line per callback; file contents are kept aside, by path.
class Recorder : public TreeVisitor, public RegistryVisitor {
 public:
  std::vector<std::string> log;
  std::vector<std::pair<std::string, Bytes>> files;

  Status enterFolder(const std::string& path) override { return note("enter " + path); }
  Status leaveFolder(const std::string& path) override { return note("leave " + path); }
  Status file(const std::string& path, std::span<const std::uint8_t> content) override {
    files.emplace_back(path, Bytes(content.begin(), content.end()));
    return note("file " + path);
  }
  Status shortcut(const std::string& path, const std::string& target) override { return note("link " + path + " -> " + target); }
  Status remove(const std::string& path) override { return note("remove " + path); }
  Status value(RegistryRoot root, const std::string& keyPath, const std::string& name, std::uint8_t type,
               std::span<const std::uint8_t> data) override {
    static constexpr const char* kTypes[] = {"?", "sz", "expand", "binary", "dword"};
    return note(std::string(kRoots[root]) + " " + keyPath + " : " + (name.empty() ? "@" : name) + " = " +
                kTypes[type < 5 ? type : 0] + " " + shown(data, type));
  }
  Status keyDone(RegistryRoot root, const std::string& keyPath) override {
    return note(std::string(kRoots[root]) + " " + keyPath + " done");
  }

 private:
  static constexpr const char* kRoots[] = {"?", "HKCR", "HKCU", "HKLM"};
  Status note(std::string line) {
    log.push_back(std::move(line));
    return kOk;
  }
};

Recorder walked(const Bytes& tree, TreeRole role) {
  Recorder recorder;
  EXPECT_EQ(walkTree(tree, role, kFolders, recorder), kOk);
  return recorder;
}

Recorder walkedRegistry(const Bytes& tree) {
  Recorder recorder;
  EXPECT_EQ(walkRegistryTree(tree, kFolders, recorder), kOk);
  return recorder;
}

// A walk's log as a deletion walk gives it: every leaf a deletion, and only
// the leaving of a folder (which removes it). Deletion walks compare through it
// too, whether or not they report entering folders.
std::vector<std::string> asDeletions(const std::vector<std::string>& log) {
  std::vector<std::string> deletions;
  for (const std::string& line : log) {
    if (line.starts_with("enter ")) continue;
    std::string deletion = line;
    for (std::string_view leaf : {"file ", "link "}) {
      if (line.starts_with(leaf)) deletion = "remove " + line.substr(leaf.size(), line.find(" -> ") - leaf.size());
    }
    deletions.push_back(deletion);
  }
  return deletions;
}

TEST(ShippedTrees, EachReleaseRegistersItsFileTypesBrowsersAndUninstallEntry) {
  for (const Release& release : kReleases) {
    SCOPED_TRACE(release.folder);
    const std::string& f = release.folder;
    const std::string program = "\"<P>\\" + f + "\\veltrix.exe\"";
    const std::string uninstaller = "\"<P>\\" + f + "\\uninstal.exe\"";
    const std::string navigator = "HKCU Software\\Netscape\\Netscape Navigator";
    const std::string uninstallKey = "HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + f;
    std::vector<std::string> expected;
    for (std::string extension : {".vlx", ".veltrix", ".zqm"}) {
      const std::string key = "HKCR " + extension;
      expected.insert(expected.end(), {key + " : @ = sz Veltrix.File<0>",
                                       key + " : Content Type = sz application/vnd.veltrix<0>",
                                       key + "\\ShellNew : NullFile = sz <0>", key + "\\ShellNew done", key + " done"});
    }
    const std::string mime = "HKCR MIME\\Database\\Content Type\\application/vnd.veltrix";
    const std::string appPath = "HKLM SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\veltrix.exe";
    expected.insert(expected.end(), {
        "HKCR Veltrix.File : @ = sz Veltrix File<0>",
        "HKCR Veltrix.File : EditFlags = binary 00 00 01 00",
        "HKCR Veltrix.File\\shell\\open\\command : @ = sz " + program + " \"%1\"<0>",
        "HKCR Veltrix.File\\shell\\open\\command done",
        "HKCR Veltrix.File done",
        mime + " : Extension = sz .vlx<0>",
        mime + " done",
        navigator + "\\Suffixes : application/vnd.veltrix = sz vlx,zqm,veltrix<0>",
        navigator + "\\Suffixes done",
        navigator + "\\User Trusted External Applications : " + program + " = sz Yes<0>",
        navigator + "\\User Trusted External Applications done",
        navigator + "\\Viewers : application/vnd.veltrix = sz " + program + "<0>",
        navigator + "\\Viewers done",
        navigator + " done",
        uninstallKey + " : DisplayName = sz " + f + "<0>",
        uninstallKey + " : UninstallString = sz " + uninstaller + "<0>",
        uninstallKey + " done",
        appPath + " : @ = sz " + program + "<0>",
        appPath + " done",
    });
    EXPECT_EQ(walkedRegistry(treeOf(release, "registry")).log, expected);

    // The uninstaller takes only its trust entry and its uninstall entry; the
    // file types stay registered, and the shared browser key goes only when empty.
    EXPECT_EQ(walkedRegistry(treeOf(release, "uninstall-registry")).log,
              (std::vector<std::string>{
                  navigator + "\\User Trusted External Applications : " + program + " = sz Yes<0>",
                  navigator + "\\User Trusted External Applications done",
                  navigator + " done",
                  uninstallKey + " : DisplayName = sz " + f + "<0>",
                  uninstallKey + " : UninstallString = sz " + uninstaller + "<0>",
                  uninstallKey + " done",
              }));

    std::string browser;
    EXPECT_EQ(expandCarriedString(treeOf(release, "browser"), kFolders, browser), kOk);
    EXPECT_EQ(browser, "3,<P>\\" + f + "\\veltrix.exe,,,vlx zqm veltrix,|");
  }
}

TEST(ShippedTrees, ShortcutsAndTheirDeletionListNameTheSameFiles) {
  for (const Release& release : kReleases) {
    SCOPED_TRACE(release.folder);
    const std::string& f = release.folder;
    const std::vector<std::string> links = walked(treeOf(release, "shortcuts"), TreeRole::Shortcuts).log;
    EXPECT_EQ(links, (std::vector<std::string>{
                         "enter <D>",
                         "link <D>\\" + f + ".lnk -> <P>\\" + f + "\\veltrix.exe",
                         "leave <D>",
                         "enter <S>",
                         "enter <S>\\" + f,
                         "link <S>\\" + f + "\\" + f + ".lnk -> <P>\\" + f + "\\veltrix.exe",
                         "link <S>\\" + f + "\\Uninstall.lnk -> <P>\\" + f + "\\uninstal.exe",
                         "leave <S>\\" + f,
                         "leave <S>",
                     }));
    EXPECT_EQ(asDeletions(walked(treeOf(release, "shortcut-deletions"), TreeRole::Deletions).log), asDeletions(links));
  }
}

// The payload installs both programs and the whole sample library, byte for
// byte; the uninstaller's file deletion list is exactly that layout.
TEST(ShippedTrees, PayloadIsTheSampleLibraryAndTheProgramsAndItsDeletionListMatches) {
  for (const Release& release : kReleases) {
    SCOPED_TRACE(release.folder);
    const std::string& f = release.folder;
    const Recorder payload = walked(treeOf(release, "payload"), TreeRole::Payload);
    ASSERT_GE(payload.log.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(payload.log.begin(), payload.log.begin() + 7),
              (std::vector<std::string>{"enter <P>", "enter <P>\\" + f, "file <P>\\" + f + "\\veltrix.exe",
                                        "file <P>\\" + f + "\\uninstal.exe", "leave <P>\\" + f, "leave <P>",
                                        "enter <W>"}));
    EXPECT_FALSE(payload.files[0].second.empty());
    EXPECT_FALSE(payload.files[1].second.empty());

    const std::string samplesRoot = "<W>\\" + f + "\\";
    std::size_t samples = 0;
    for (const auto& [path, content] : payload.files) {
      if (!path.starts_with(samplesRoot)) continue;
      ++samples;
      std::string relative = path.substr(samplesRoot.size());
      for (char& c : relative) c = c == '\\' ? '/' : c;
      EXPECT_EQ(content, readAll(release.samples + "/" + relative)) << relative;
    }
    std::size_t onDisk = 0;
    for (const auto& entry : fs::recursive_directory_iterator(release.samples)) onDisk += entry.is_regular_file();
    EXPECT_EQ(samples, release.sampleFiles);
    EXPECT_EQ(samples, onDisk);
    EXPECT_EQ(payload.files.size(), samples + 2);

    EXPECT_EQ(asDeletions(walked(treeOf(release, "file-deletions"), TreeRole::Deletions).log), asDeletions(payload.log));
  }
}

// The updater's list for "Veltrix 2000" holds everything that release's
// installer writes, and the samples earlier releases left in a 17th folder.
TEST(ShippedTrees, UpdaterRemovesEveryFileTheOlderReleaseWrote) {
  const Release& older = kReleases[1];
  const Recorder list = walked(treeOf(older, "earlier-file-deletions"), TreeRole::Deletions);
  const std::set<std::string> removed(list.log.begin(), list.log.end());
  for (const std::string& line : asDeletions(walked(treeOf(older, "payload"), TreeRole::Payload).log)) {
    EXPECT_TRUE(removed.contains(line)) << line;
  }
  const std::string samplesRoot = "remove <W>\\Veltrix 2000\\";
  std::size_t sampleFiles = 0;
  std::set<std::string> sampleFolders;
  for (const std::string& line : list.log) {
    const std::size_t folderEnd = line.find('\\', samplesRoot.size());
    if (!line.starts_with(samplesRoot) || folderEnd == std::string::npos) continue;
    ++sampleFiles;
    sampleFolders.insert(line.substr(samplesRoot.size(), folderEnd - samplesRoot.size()));
  }
  EXPECT_EQ(sampleFiles, 275u);
  EXPECT_EQ(sampleFolders.size(), 17u);
}

// The updater carries the current release's install side and the whole
// removal side of "Veltrix 2000", as the same bytes the trees were made as.
TEST(ShippedTrees, TheUpdaterEmbedsTheTreesItNeedsAsTheyWereMade) {
  const auto same = [](TreeBytes carried, const Bytes& made) { return Bytes(carried.begin(), carried.end()) == made; };
  const CarriedTrees& carried = kCarriedTrees;
  EXPECT_EQ(carried.releaseTitle, "Veltrix");
  EXPECT_TRUE(same(carried.install.registry, treeOf(kReleases[0], "registry")));
  EXPECT_TRUE(same(carried.install.shortcuts, treeOf(kReleases[0], "shortcuts")));
  EXPECT_TRUE(same(carried.install.payload, treeOf(kReleases[0], "payload")));
  EXPECT_TRUE(same(carried.install.browserValue, treeOf(kReleases[0], "browser")));
  EXPECT_TRUE(same(carried.removal.registry, treeOf(kReleases[1], "registry")));
  EXPECT_TRUE(same(carried.removal.shortcuts, treeOf(kReleases[1], "shortcut-deletions")));
  EXPECT_TRUE(same(carried.removal.files, treeOf(kReleases[1], "earlier-file-deletions")));
}

}  // namespace
}  // namespace vx::setup
