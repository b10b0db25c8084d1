// Setup trees: what the walks hand to the setup programs for trees the writer
// built, and which trees they refuse before acting on any entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/tree/setuptree.h"
#include "setup/tree/treewriter.h"

namespace vx::setup {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;

const FolderTable kFolders = {{"C:\\Program Files", "C:\\WINDOWS", "", "", "C:\\WINDOWS\\Desktop",
                               "C:\\WINDOWS\\Start Menu\\Programs"}};
const std::string kProgramFiles = folderToken(kProgramFilesFolder);

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Data as text, each 0x00 shown as <0>; four-byte values as their decimal bytes.
std::string shown(std::span<const std::uint8_t> data, bool hex = false) {
  std::string text;
  for (std::uint8_t b : data) {
    if (hex) text += (text.empty() ? "" : " ") + std::to_string(b);
    else text += b ? std::string(1, static_cast<char>(b)) : "<0>";
  }
  return text;
}

// One line per callback, so that a test compares a whole walk at once; the
// callback numbered `failAt` (from 1) fails.
class Recorder : public TreeVisitor, public RegistryVisitor {
 public:
  std::vector<std::string> log;
  std::size_t failAt = 0;

  Status enterFolder(const std::string& path) override { return note("enter " + path); }
  Status leaveFolder(const std::string& path) override { return note("leave " + path); }
  Status file(const std::string& path, std::span<const std::uint8_t> content) override {
    return note("file " + path + " = " + shown(content));
  }
  Status shortcut(const std::string& path, const std::string& target) override {
    return note("link " + path + " -> " + target);
  }
  Status remove(const std::string& path) override { return note("remove " + path); }
  Status value(RegistryRoot root, const std::string& keyPath, const std::string& name, std::uint8_t type,
               std::span<const std::uint8_t> data) override {
    return note(std::to_string(root) + " " + keyPath + " [" + name + "] " + std::to_string(type) + " " +
                shown(data, type == kRegBinary || type == kRegDword));
  }
  Status keyDone(RegistryRoot root, const std::string& keyPath) override {
    return note(std::to_string(root) + " done " + keyPath);
  }

 private:
  Status note(std::string line) {
    log.push_back(std::move(line));
    return log.size() == failAt ? -99 : kOk;
  }
};

// The installation layout, with contents for a payload and without for a deletion list.
Bytes layout(TreeRole role) {
  TreeWriter w(role);
  auto put = [&](std::string_view name, std::string_view content) {
    if (role == TreeRole::Payload) w.file(name, bytesOf(content));
    else w.deletion(name);
  };
  w.folder(kProgramFiles);
  w.folder("Veltrix");
  put("veltrix.exe", "MZ\0\xFF"s);
  w.endFolder();
  w.endFolder();
  w.folder(folderToken(kWindowsFolder));
  w.folder("Veltrix");
  put("Defaults.vlx", "");
  w.folder("2D graphs");
  put("Circle.vlx", "x");
  w.endFolder();
  w.endFolder();
  w.endFolder();
  Bytes tree;
  EXPECT_EQ(w.finish(tree), kOk);
  return tree;
}

TEST(SetupTree, PayloadShortcutAndDeletionTreesWalkAsWritten) {
  const Bytes payload = layout(TreeRole::Payload);
  // The top-level name FF 00 00 is whole: the index byte 00 does not end it.
  ASSERT_EQ(shown(std::span(payload).first(5)), "\x03\xFF<0><0>\x03"s);
  Recorder installed;
  EXPECT_EQ(walkTree(payload, TreeRole::Payload, kFolders, installed), kOk);
  EXPECT_EQ(installed.log, (std::vector<std::string>{
                               "enter C:\\Program Files",
                               "enter C:\\Program Files\\Veltrix",
                               "file C:\\Program Files\\Veltrix\\veltrix.exe = MZ<0>\xFF",
                               "leave C:\\Program Files\\Veltrix",
                               "leave C:\\Program Files",
                               "enter C:\\WINDOWS",
                               "enter C:\\WINDOWS\\Veltrix",
                               "file C:\\WINDOWS\\Veltrix\\Defaults.vlx = ",
                               "enter C:\\WINDOWS\\Veltrix\\2D graphs",
                               "file C:\\WINDOWS\\Veltrix\\2D graphs\\Circle.vlx = x",
                               "leave C:\\WINDOWS\\Veltrix\\2D graphs",
                               "leave C:\\WINDOWS\\Veltrix",
                               "leave C:\\WINDOWS",
                           }));

  // A deletion list removes a folder's entries before the folder, and creates nothing.
  Recorder removed;
  EXPECT_EQ(walkTree(layout(TreeRole::Deletions), TreeRole::Deletions, kFolders, removed), kOk);
  EXPECT_EQ(removed.log, (std::vector<std::string>{
                             "remove C:\\Program Files\\Veltrix\\veltrix.exe",
                             "leave C:\\Program Files\\Veltrix",
                             "leave C:\\Program Files",
                             "remove C:\\WINDOWS\\Veltrix\\Defaults.vlx",
                             "remove C:\\WINDOWS\\Veltrix\\2D graphs\\Circle.vlx",
                             "leave C:\\WINDOWS\\Veltrix\\2D graphs",
                             "leave C:\\WINDOWS\\Veltrix",
                             "leave C:\\WINDOWS",
                         }));

  TreeWriter links(TreeRole::Shortcuts);
  links.folder(folderToken(kDesktopFolder));
  links.shortcut("Veltrix.lnk", kProgramFiles + "\\Veltrix\\veltrix.exe");
  links.endFolder();
  Bytes shortcuts;
  ASSERT_EQ(links.finish(shortcuts), kOk);
  Recorder linked;
  linked.failAt = 2;  // a failing callback ends the walk with its status
  EXPECT_EQ(walkTree(shortcuts, TreeRole::Shortcuts, kFolders, linked), -99);
  EXPECT_EQ(linked.log, (std::vector<std::string>{
                            "enter C:\\WINDOWS\\Desktop",
                            "link C:\\WINDOWS\\Desktop\\Veltrix.lnk -> C:\\Program Files\\Veltrix\\veltrix.exe",
                        }));
}

TEST(SetupTree, RegistryTreeCarriesDefaultValuesEmptyStringsAndFourByteData) {
  RegistryTreeWriter w;
  w.root(kClassesRoot);
  w.key(".vlx");
  w.stringValue("", "Veltrix.File");
  w.key("ShellNew");
  w.stringValue("NullFile", "");
  w.endKey();
  w.endKey();
  w.key("Veltrix.File");
  w.fourByteValue("EditFlags", kRegBinary, 0x00010000);
  w.fourByteValue("Tokens", kRegBinary, 0x0000FF00);  // stored bytes, never a folder token
  w.fourByteValue("Zero", kRegDword, 0);
  w.key("shell\\open\\command");
  w.stringValue("", "\"" + kProgramFiles + "\\Veltrix\\veltrix.exe\" \"%1\"");
  w.endKey();
  w.endKey();
  w.root(kLocalMachine);
  w.key("SOFTWARE\\Uninstall\\Veltrix");
  w.stringValue("DisplayName", "Veltrix");
  w.endKey();
  Bytes tree;
  ASSERT_EQ(w.finish(tree), kOk);

  Recorder written;
  EXPECT_EQ(walkRegistryTree(tree, kFolders, written), kOk);
  EXPECT_EQ(written.log, (std::vector<std::string>{
                             "1 .vlx [] 1 Veltrix.File<0>",
                             "1 .vlx\\ShellNew [NullFile] 1 <0>",
                             "1 done .vlx\\ShellNew",
                             "1 done .vlx",
                             "1 Veltrix.File [EditFlags] 3 0 0 1 0",
                             "1 Veltrix.File [Tokens] 3 0 255 0 0",
                             "1 Veltrix.File [Zero] 4 0 0 0 0",
                             "1 Veltrix.File\\shell\\open\\command [] 1 "
                             "\"C:\\Program Files\\Veltrix\\veltrix.exe\" \"%1\"<0>",
                             "1 done Veltrix.File\\shell\\open\\command",
                             "1 done Veltrix.File",
                             "3 SOFTWARE\\Uninstall\\Veltrix [DisplayName] 1 Veltrix<0>",
                             "3 done SOFTWARE\\Uninstall\\Veltrix",
                         }));
}

TEST(SetupTree, KindBytesAreReadByTheirLowTwoBitsAndCarriedStringsNeedTheirEnd) {
  const Bytes tree = bytesOf("\xFB\xFF\x01\0" "\x42" "a\0" "\x05" "b\0" "\x04" "\0"s);
  Recorder removed;
  EXPECT_EQ(walkTree(tree, TreeRole::Deletions, kFolders, removed), kOk);
  EXPECT_EQ(removed.log, (std::vector<std::string>{"remove C:\\WINDOWS\\a", "remove C:\\WINDOWS\\b",
                                                   "leave C:\\WINDOWS"}));

  std::string value = "kept";
  EXPECT_EQ(expandCarriedString(bytesOf("3," + kProgramFiles + "\\v.exe,|\0"s), kFolders, value), kOk);
  EXPECT_EQ(value, "3,C:\\Program Files\\v.exe,|");
  EXPECT_EQ(expandCarriedString(bytesOf("3," + kProgramFiles), kFolders, value), kBadSetupTree);
  EXPECT_EQ(expandCarriedString(bytesOf("3\0\0"s), kFolders, value), kBadSetupTree);
  EXPECT_EQ(value, "3,C:\\Program Files\\v.exe,|");

  // A bare string is appended to what the text already holds, and left alone when refused.
  std::string path = "at ";
  EXPECT_EQ(expandSetupString(bytesOf(folderToken(kProgramsFolder) + "\\V"), kFolders, path), kOk);
  EXPECT_EQ(expandSetupString(bytesOf("a\0b"s), kFolders, path), kBadSetupTree);
  EXPECT_EQ(path, "at C:\\WINDOWS\\Start Menu\\Programs\\V");
}

// `depth` folders (or subkeys) inside one another, each named "a".
std::string nested(int depth, bool registry) {
  std::string opened, closed;
  for (int i = 0; i < depth; ++i) opened += "\x03" "a\0"s, closed += "\0"s;
  return registry ? "\x01" + opened + "\x01v\0\x01x\0"s + closed + "\0\0"s : opened + closed + "\0"s;
}

TEST(SetupTree, MalformedTreesAreRefusedBeforeAnyEntryIsActedOn) {
  enum Form { Payload, Shortcuts, Deletions, Registry };
  const std::string folder = "\x03\xFF\x00\x00"s;  // a valid start, so that a walk could act before failing
  const struct Case {
    const char* what;
    Form form;
    std::string bytes;
  } cases[] = {
      {"empty tree", Deletions, ""},
      {"truncated size field", Payload, folder + "\x01" "a\0\x05\0"s},
      {"size past the end", Payload, folder + "\x01" "a\0\x05\0\0\0x\0\0"s},
      {"missing end mark", Payload, folder + "\x01" "a\0\0\0\0\0\0"s},
      {"trailing byte", Payload, folder + "\x01" "a\0\0\0\0\0\0\0\0"s},
      {"name never ended", Deletions, folder + "\x01" "abc"},
      {"empty name", Deletions, folder + "\x01\0\0\0"s},
      {"token index 6", Shortcuts, folder + "\x01\xFF\x06\0x\0\0\0"s},
      {"token without its index at the end", Deletions, folder + "\x01" "a\xFF"},
      {"target never ended", Shortcuts, folder + "\x01" "a\0x"s},
      {"too deep", Deletions, nested(kMaxTreeDepth + 1, false)},
      {"no end of tree", Registry, "\x01\x03k\0\x01v\0\x01x\0\0\0"s},
      {"trailing byte", Registry, "\x01\x03k\0\x01v\0\x01x\0\0\0\0\0"s},
      {"root 4", Registry, "\x01\x03k\0\x01v\0\x01x\0\0\0\x04\0\0"s},
      {"value outside any key", Registry, "\x02\x01v\0\x01x\0\0\0"s},
      {"short REG_DWORD", Registry, "\x01\x03k\0\x01v\0\x04\x01\x02\x03"s},
      {"subkeys too deep", Registry, nested(kMaxTreeDepth + 1, true)},
  };
  for (const Case& c : cases) {
    Recorder visitor;
    const Bytes tree = bytesOf(c.bytes);
    const Status status = c.form == Registry ? walkRegistryTree(tree, kFolders, visitor)
                                             : walkTree(tree, static_cast<TreeRole>(c.form), kFolders, visitor);
    EXPECT_EQ(status, kBadSetupTree) << c.what;
    EXPECT_TRUE(visitor.log.empty()) << c.what;
  }
  Recorder deepest;
  EXPECT_EQ(walkTree(bytesOf(nested(kMaxTreeDepth, false)), TreeRole::Deletions, kFolders, deepest), kOk);
  EXPECT_EQ(walkRegistryTree(bytesOf(nested(kMaxTreeDepth, true)), kFolders, deepest), kOk);
}

TEST(SetupTree, WritersReportMisuseInsteadOfTreesAReaderWouldRefuse) {
  const struct Case {
    const char* what;
    std::function<void(TreeWriter&)> write;
  } files[] = {
      {"folder left open", [](TreeWriter& w) { w.folder("a"); }},
      {"end without folder", [](TreeWriter& w) { w.endFolder(); }},
      {"shortcut in a payload", [](TreeWriter& w) { w.shortcut("a.lnk", "b"); }},
      {"deletion in a payload", [](TreeWriter& w) { w.deletion("a"); }},
      {"raw 0x00 in a name", [](TreeWriter& w) { w.file("a\0b"s, {}); }},
      {"token without index", [](TreeWriter& w) { w.file("a\xFF", {}); }},
      {"token index 6", [](TreeWriter& w) { w.file("\xFF\x06", {}); }},
      {"empty name", [](TreeWriter& w) { w.file("", {}); }},
  };
  for (const Case& c : files) {
    TreeWriter w(TreeRole::Payload);
    c.write(w);
    Bytes tree;
    EXPECT_EQ(w.finish(tree), kBadSetupTree) << c.what;
  }
  const struct RegistryCase {
    const char* what;
    std::function<void(RegistryTreeWriter&)> write;
  } registry[] = {
      {"value outside a root group", [](RegistryTreeWriter& w) { w.stringValue("v", "x"); }},
      {"value directly under a root", [](RegistryTreeWriter& w) { w.root(kCurrentUser), w.stringValue("v", "x"); }},
      {"key left open", [](RegistryTreeWriter& w) { w.root(kCurrentUser), w.key("k"); }},
      {"end without key", [](RegistryTreeWriter& w) { w.root(kCurrentUser), w.endKey(); }},
      {"root 4", [](RegistryTreeWriter& w) { w.root(static_cast<RegistryRoot>(4)); }},
      {"string typed REG_DWORD",
       [](RegistryTreeWriter& w) { w.root(kCurrentUser), w.key("k"), w.stringValue("v", "x", kRegDword), w.endKey(); }},
      {"four bytes typed REG_SZ",
       [](RegistryTreeWriter& w) { w.root(kCurrentUser), w.key("k"), w.fourByteValue("v", kRegSz, 1), w.endKey(); }},
      {"raw 0x00 in data",
       [](RegistryTreeWriter& w) { w.root(kCurrentUser), w.key("k"), w.stringValue("v", "x\0y"s), w.endKey(); }},
  };
  for (const RegistryCase& c : registry) {
    RegistryTreeWriter w;
    c.write(w);
    Bytes tree;
    EXPECT_EQ(w.finish(tree), kBadSetupTree) << c.what;
  }
}

}  // namespace
}  // namespace vx::setup
