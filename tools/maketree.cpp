// maketree: the setup trees that the setup programs carry, made from the readable
// description of an installation (setup/trees/release.txt explains its notation),
// and the source file that embeds them in a program.
//
//   maketree tree KIND DESCRIPTION OUT [VAR=VALUE]...
//       KIND: registry, uninstall-registry (the values the uninstaller removes),
//       shortcuts, shortcut-deletions, payload, file-deletions,
//       earlier-file-deletions (file deletions with the [earlier files] merged in),
//       browser (the configuration-file value as one carried string)
//   maketree source OUT.cpp TITLE [FIELD=TREE]...
//       FIELD: install.registry, install.shortcuts, install.payload,
//       install.browserValue, removal.registry, removal.shortcuts, removal.files;
//       a field left out stays empty
//   maketree size PAYLOAD [LIMIT]
//       prints what the payload writes; fails when that is LIMIT bytes or more
//
// Exit status: 0 done; 1 a bad description or input (one line on standard error
// that names the file, the line and the reason; no output left behind); 2 usage.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "setup/tree/setuptree.h"
#include "setup/tree/treewriter.h"

namespace {

namespace fs = std::filesystem;
namespace setup = vx::setup;
using Bytes = std::vector<std::uint8_t>;

constexpr int kBadInput = 1;
constexpr int kUsage = 2;

// Reports one failure; every caller then returns false up to main.
bool fail(std::string_view where, int line, std::string_view message) {
  if (line > 0) {
    std::fprintf(stderr, "maketree: %.*s:%d: %.*s\n", static_cast<int>(where.size()), where.data(), line,
                 static_cast<int>(message.size()), message.data());
  } else {
    std::fprintf(stderr, "maketree: %.*s: %.*s\n", static_cast<int>(where.size()), where.data(),
                 static_cast<int>(message.size()), message.data());
  }
  return false;
}

bool readFile(const std::string& path, Bytes& out) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return fail(path, 0, "cannot open");
  out.clear();
  std::uint8_t buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.insert(out.end(), buffer, buffer + got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok || fail(path, 0, "cannot read");
}

// Writes through a temporary name, so that a failed run never leaves an output
// that the build would take as up to date.
bool writeFile(const std::string& path, std::string_view bytes) {
  const std::string temporary = path + ".partial";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return fail(temporary, 0, "cannot create");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    std::remove(temporary.c_str());
    return fail(temporary, 0, "cannot write");
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  return !error || fail(path, 0, "cannot replace");
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
  return writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// ---------------------------------------------------------------------------
// The description: lines of tokens, nested by indentation, in sections.

struct Token {
  bool quoted = false;  // "text" or 'text'; otherwise a bare word
  std::string text;
};

struct Line {
  int number = 0;
  int indent = 0;
  std::vector<Token> tokens;
};

// A line with the lines indented below it.
struct Item {
  Line line;
  std::vector<Item> children;
};

struct Description {
  std::string path;
  std::map<std::string, std::string, std::less<>> variables;  // values are setup strings
  std::map<std::string, std::vector<Item>, std::less<>> sections;
};

constexpr std::string_view kSections[] = {"registry", "shortcuts", "payload", "earlier files", "browser"};

// tokens := { '"' text '"' | "'" text "'" | word } [ '#' comment ]
bool tokenize(const Description& d, std::string_view text, Line& line) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '\t') return fail(d.path, line.number, "indent with spaces, not tabs");
  line.indent = static_cast<int>(i);
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"' || c == '\'') {
      const std::size_t close = text.find(c, i + 1);
      if (close == std::string_view::npos) return fail(d.path, line.number, "a quoted text without its closing quote");
      line.tokens.push_back({true, std::string(text.substr(i + 1, close - i - 1))});
      i = close + 1;
    } else {
      const std::size_t end = text.find_first_of(" \t\"'", i);
      line.tokens.push_back({false, std::string(text.substr(i, end == std::string_view::npos ? end : end - i))});
      i = end == std::string_view::npos ? text.size() : end;
    }
  }
  return true;
}

// Nests the lines of a section by their indentation: a line indented deeper
// than the one before it belongs to that one.
bool nest(const Description& d, const std::vector<Line>& lines, std::vector<Item>& out) {
  std::vector<int> indents{0};
  std::vector<std::vector<Item>*> lists{&out};
  for (const Line& line : lines) {
    if (line.indent > indents.back()) {
      if (lists.back()->empty()) return fail(d.path, line.number, "indented, but nothing above holds it");
      lists.push_back(&lists.back()->back().children);
      indents.push_back(line.indent);
    } else {
      while (line.indent < indents.back()) {
        indents.pop_back();
        lists.pop_back();
      }
      if (line.indent != indents.back()) return fail(d.path, line.number, "indentation matches no line above");
    }
    lists.back()->push_back({line, {}});
  }
  return true;
}

struct FolderName {
  std::string_view name;
  setup::FolderSlot slot;
};
constexpr FolderName kFolderNames[] = {
    {"ProgramFiles", setup::kProgramFilesFolder},
    {"Windows", setup::kWindowsFolder},
    {"Desktop", setup::kDesktopFolder},
    {"Programs", setup::kProgramsFolder},
};

// A text of the description as a setup string: {Folder} becomes its token pair
// (unless `folders` is off, for paths on this machine), ${VAR} the variable's value.
bool expand(const Description& d, int lineNumber, std::string_view text, bool folders, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte == setup::kEndMark || byte == setup::kFolderToken) {
      return fail(d.path, lineNumber, "a byte that a setup string cannot hold");
    }
    const bool variable = c == '$';
    if (c != '{' && !variable) {
      out += c;
      continue;
    }
    if (variable && (i + 1 == text.size() || text[i + 1] != '{')) return fail(d.path, lineNumber, "'$' without {NAME}");
    const std::size_t open = variable ? i + 1 : i;
    const std::size_t close = text.find('}', open);
    if (close == std::string_view::npos) return fail(d.path, lineNumber, "'{' without its '}'");
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (variable) {
      const auto found = d.variables.find(name);
      if (found == d.variables.end()) return fail(d.path, lineNumber, "no variable " + std::string(name));
      out += found->second;
    } else {
      const auto found = std::find_if(std::begin(kFolderNames), std::end(kFolderNames),
                                      [&](const FolderName& f) { return f.name == name; });
      if (found == std::end(kFolderNames)) return fail(d.path, lineNumber, "no special folder {" + std::string(name) + "}");
      if (!folders) return fail(d.path, lineNumber, "a path on this machine cannot name a special folder");
      out += setup::folderToken(found->slot);
    }
    i = close;
  }
  return true;
}

// A name: a quoted text, or a bare special folder such as {Desktop}.
bool expandName(const Description& d, const Line& line, const Token& token, std::string& out) {
  if (!token.quoted && (token.text.empty() || token.text.front() != '{')) {
    return fail(d.path, line.number, "expected a name, found " + token.text);
  }
  if (!expand(d, line.number, token.text, true, out)) return false;
  return !out.empty() || fail(d.path, line.number, "an empty name");
}

// `variables` come from the command line; the description adds its own with
// `let` before the first section.
bool loadDescription(const std::string& path, const std::vector<std::pair<std::string, std::string>>& variables,
                     Description& d) {
  d.path = path;
  for (const auto& [name, value] : variables) d.variables[name] = value;
  Bytes bytes;
  if (!readFile(path, bytes)) return false;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());

  std::map<std::string, std::vector<Line>, std::less<>> sectionLines;
  std::string section;
  int number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    if (raw.starts_with('[')) {
      const std::size_t close = raw.find(']');
      if (close == std::string_view::npos) return fail(path, number, "a section name without its ']'");
      section = std::string(raw.substr(1, close - 1));
      if (std::find(std::begin(kSections), std::end(kSections), section) == std::end(kSections)) {
        return fail(path, number, "no section [" + section + "]");
      }
      if (sectionLines.contains(section)) return fail(path, number, "section [" + section + "] a second time");
      sectionLines[section];
      continue;
    }
    Line line;
    line.number = number;
    if (!tokenize(d, raw, line)) return false;
    if (line.tokens.empty()) continue;
    if (!section.empty()) {
      sectionLines[section].push_back(std::move(line));
      continue;
    }
    // let VAR = "text"
    const auto& t = line.tokens;
    if (t.size() != 4 || t[0].quoted || t[0].text != "let" || t[1].quoted || t[2].quoted || t[2].text != "=" ||
        !t[3].quoted) {
      return fail(path, number, "before the sections only `let NAME = \"text\"`");
    }
    if (d.variables.contains(t[1].text)) return fail(path, number, "variable " + t[1].text + " a second time");
    std::string value;
    if (!expand(d, number, t[3].text, true, value)) return false;
    d.variables[t[1].text] = value;
  }
  for (const auto& [name, lines] : sectionLines) {
    if (!nest(d, lines, d.sections[name])) return false;
  }
  return true;
}

const std::vector<Item>* sectionOf(const Description& d, std::string_view name) {
  const auto found = d.sections.find(name);
  if (found == d.sections.end()) {
    fail(d.path, 0, "no section [" + std::string(name) + "]");
    return nullptr;
  }
  return &found->second;
}

// ---------------------------------------------------------------------------
// Registry trees.

struct RegistryEntry {
  bool key = false;
  std::string name;
  std::uint8_t type = 0;
  std::string text;              // string types
  std::uint32_t fourBytes = 0;   // REG_BINARY and REG_DWORD, as their little-endian number
  bool uninstalled = false;      // the release's uninstaller removes this value
  std::vector<RegistryEntry> children;
};

struct RootGroup {
  setup::RegistryRoot root;
  std::vector<RegistryEntry> keys;
};

struct RootName {
  std::string_view name;
  setup::RegistryRoot root;
};
constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", setup::kClassesRoot},
    {"HKEY_CURRENT_USER", setup::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", setup::kLocalMachine},
};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseHexByte(std::string_view text, std::uint32_t& out) {
  if (text.size() != 2 || hexDigit(text[0]) < 0 || hexDigit(text[1]) < 0) return false;
  out = static_cast<std::uint32_t>(hexDigit(text[0]) * 16 + hexDigit(text[1]));
  return true;
}

// A decimal number, or a hexadecimal one after 0x, of at most 32 bits.
bool parseNumber(std::string_view text, std::uint32_t& out) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = hexDigit(c);
    if (digit < 0 || digit >= base) return false;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return false;
  }
  out = static_cast<std::uint32_t>(value);
  return true;
}

// value := name '=' ( "text" | expand "text" | binary XX XX XX XX | dword N ) [uninstalled]
bool parseValue(const Description& d, const Line& line, RegistryEntry& value) {
  std::vector<Token> t = line.tokens;
  if (!t.back().quoted && t.back().text == "uninstalled") {
    value.uninstalled = true;
    t.pop_back();
  }
  const Token& name = t[0];
  if (!name.quoted && name.text != "@") return fail(d.path, line.number, "a value name is quoted, or @ for the default value");
  if (name.quoted && !expand(d, line.number, name.text, true, value.name)) return false;
  const std::string_view form = t.size() > 2 && !t[2].quoted ? std::string_view(t[2].text) : "";
  if (t.size() == 3 && t[2].quoted) {
    value.type = setup::kRegSz;
    return expand(d, line.number, t[2].text, true, value.text);
  }
  if (form == "expand" && t.size() == 4 && t[3].quoted) {
    value.type = setup::kRegExpandSz;
    return expand(d, line.number, t[3].text, true, value.text);
  }
  if (form == "binary" && t.size() == 7) {
    value.type = setup::kRegBinary;
    for (int i = 0; i < 4; ++i) {
      std::uint32_t byte = 0;
      if (t[3 + i].quoted || !parseHexByte(t[3 + i].text, byte)) {
        return fail(d.path, line.number, "binary data is four bytes of two hexadecimal digits");
      }
      value.fourBytes |= byte << (8 * i);
    }
    return true;
  }
  if (form == "dword" && t.size() == 4 && !t[3].quoted) {
    value.type = setup::kRegDword;
    return parseNumber(t[3].text, value.fourBytes) || fail(d.path, line.number, "a dword is a 32-bit number");
  }
  return fail(d.path, line.number, "expected = \"text\", = expand \"text\", = binary XX XX XX XX or = dword N");
}

// entry := key-name (its entries indented below) | value
bool parseRegistryEntries(const Description& d, const std::vector<Item>& items, std::vector<RegistryEntry>& out) {
  for (const Item& item : items) {
    const Line& line = item.line;
    RegistryEntry entry;
    if (line.tokens.size() >= 3 && !line.tokens[1].quoted && line.tokens[1].text == "=") {
      if (!item.children.empty()) return fail(d.path, item.children[0].line.number, "a value holds nothing");
      if (!parseValue(d, line, entry)) return false;
    } else {
      if (line.tokens.size() != 1 || !line.tokens[0].quoted) return fail(d.path, line.number, "expected a quoted key name or a value");
      if (item.children.empty()) return fail(d.path, line.number, "a key with nothing in it");
      entry.key = true;
      if (!expandName(d, line, line.tokens[0], entry.name)) return false;
      if (!parseRegistryEntries(d, item.children, entry.children)) return false;
    }
    out.push_back(std::move(entry));
  }
  return true;
}

bool parseRegistry(const Description& d, std::vector<RootGroup>& out) {
  const std::vector<Item>* items = sectionOf(d, "registry");
  if (!items) return false;
  for (const Item& item : *items) {
    const Line& line = item.line;
    const auto found = std::find_if(std::begin(kRootNames), std::end(kRootNames), [&](const RootName& r) {
      return line.tokens.size() == 1 && !line.tokens[0].quoted && r.name == line.tokens[0].text;
    });
    if (found == std::end(kRootNames)) return fail(d.path, line.number, "expected HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE");
    RootGroup group{found->root, {}};
    if (!parseRegistryEntries(d, item.children, group.keys)) return false;
    for (const RegistryEntry& entry : group.keys) {
      if (!entry.key) return fail(d.path, line.number, "a value needs a key");
    }
    out.push_back(std::move(group));
  }
  return true;
}

// Whether an entry goes into the tree: every entry, or for the uninstaller
// only its values and the keys on the way to them.
bool keeps(const RegistryEntry& entry, bool uninstalledOnly) {
  if (!entry.key) return !uninstalledOnly || entry.uninstalled;
  return std::any_of(entry.children.begin(), entry.children.end(),
                     [&](const RegistryEntry& child) { return keeps(child, uninstalledOnly); });
}

void writeRegistryEntry(setup::RegistryTreeWriter& writer, const RegistryEntry& entry, bool uninstalledOnly) {
  if (!keeps(entry, uninstalledOnly)) return;
  if (!entry.key) {
    if (entry.type == setup::kRegBinary || entry.type == setup::kRegDword) {
      writer.fourByteValue(entry.name, entry.type, entry.fourBytes);
    } else {
      writer.stringValue(entry.name, entry.text, entry.type);
    }
    return;
  }
  writer.key(entry.name);
  for (const RegistryEntry& child : entry.children) writeRegistryEntry(writer, child, uninstalledOnly);
  writer.endKey();
}

bool makeRegistryTree(const Description& d, bool uninstalledOnly, Bytes& out) {
  std::vector<RootGroup> groups;
  if (!parseRegistry(d, groups)) return false;
  setup::RegistryTreeWriter writer;
  for (const RootGroup& group : groups) {
    if (!std::any_of(group.keys.begin(), group.keys.end(), [&](const RegistryEntry& e) { return keeps(e, uninstalledOnly); })) {
      continue;
    }
    writer.root(group.root);
    for (const RegistryEntry& key : group.keys) writeRegistryEntry(writer, key, uninstalledOnly);
  }
  return !vx::failed(writer.finish(out)) || fail(d.path, 0, "the registry tree would not read back");
}

// ---------------------------------------------------------------------------
// File, shortcut and deletion trees.

struct FileEntry {
  std::string name;
  bool folder = false;
  std::string target;        // shortcut target
  std::string source;        // payload file: the description's text, expanded when the file is read
  bool sourceIsPath = false; // ... or a path found in a folder
  int line = 0;
  std::vector<FileEntry> children;
};

// Adds what `folder` holds: every file and subfolder, at each level in the byte
// order of their names; names beginning with a dot are left out.
bool addFolderContents(const Description& d, int lineNumber, const fs::path& folder, std::vector<FileEntry>& out) {
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) entries.push_back(*it);
  if (error) return fail(d.path, lineNumber, "cannot read the folder " + folder.string());
  std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return a.path().filename().string() < b.path().filename().string();
  });
  for (const fs::directory_entry& found : entries) {
    FileEntry entry;
    entry.name = found.path().filename().string();
    entry.line = lineNumber;
    if (entry.name.starts_with('.')) continue;
    if (entry.name.find(static_cast<char>(setup::kFolderToken)) != std::string::npos) {
      return fail(d.path, lineNumber, "a name that a setup string cannot hold: " + found.path().string());
    }
    if (found.is_directory(error)) {
      entry.folder = true;
      if (!addFolderContents(d, lineNumber, found.path(), entry.children)) return false;
    } else if (found.is_regular_file(error)) {
      entry.source = found.path().string();
      entry.sourceIsPath = true;
    } else {
      return fail(d.path, lineNumber, "neither a file nor a folder: " + found.path().string());
    }
    out.push_back(std::move(entry));
  }
  return true;
}

enum class FileSection { Shortcuts, Payload, Earlier };

// entry := name (its entries indented below: a folder)
//        | name '->' "target"      (shortcuts)
//        | name '<' "file"         (payload)
//        | '<' "folder"            (payload: what the folder holds)
//        | name                    (earlier files: a file)
bool parseFileEntries(const Description& d, FileSection section, const std::vector<Item>& items, std::vector<FileEntry>& out) {
  for (const Item& item : items) {
    const Line& line = item.line;
    const auto& t = line.tokens;
    const auto isWord = [&](std::size_t i, std::string_view word) { return i < t.size() && !t[i].quoted && t[i].text == word; };
    if (!item.children.empty() && t.size() != 1) return fail(d.path, item.children[0].line.number, "only a folder holds entries");
    if (section == FileSection::Payload && t.size() == 2 && isWord(0, "<") && t[1].quoted) {
      std::string folder;
      if (!expand(d, line.number, t[1].text, false, folder)) return false;
      if (!addFolderContents(d, line.number, folder, out)) return false;
      continue;
    }
    FileEntry entry;
    entry.line = line.number;
    if (!expandName(d, line, t[0], entry.name)) return false;
    if (!item.children.empty()) {
      entry.folder = true;
      if (!parseFileEntries(d, section, item.children, entry.children)) return false;
    } else if (section == FileSection::Shortcuts && t.size() == 3 && isWord(1, "->") && t[2].quoted) {
      if (!expand(d, line.number, t[2].text, true, entry.target)) return false;
    } else if (section == FileSection::Payload && t.size() == 3 && isWord(1, "<") && t[2].quoted) {
      entry.source = t[2].text;
    } else if (section != FileSection::Earlier || t.size() != 1) {
      return fail(d.path, line.number,
                  section == FileSection::Shortcuts ? "expected a folder or name -> \"target\""
                                                    : "expected a folder, name < \"file\" or < \"folder\"");
    }
    out.push_back(std::move(entry));
  }
  return true;
}

bool parseFileSection(const Description& d, std::string_view name, FileSection section, std::vector<FileEntry>& out) {
  const std::vector<Item>* items = sectionOf(d, name);
  return items && parseFileEntries(d, section, *items, out);
}

// Adds `extra` to `into`: folders of the same name share one list, names
// already there stay once, new ones follow the others.
void merge(std::vector<FileEntry>& into, const std::vector<FileEntry>& extra) {
  for (const FileEntry& entry : extra) {
    const auto same = std::find_if(into.begin(), into.end(), [&](const FileEntry& e) {
      return e.name == entry.name && e.folder == entry.folder;
    });
    if (same == into.end()) {
      into.push_back(entry);
    } else if (entry.folder) {
      merge(same->children, entry.children);
    }
  }
}

bool writeFileEntries(const Description& d, setup::TreeWriter& writer, setup::TreeRole role,
                      const std::vector<FileEntry>& entries) {
  for (const FileEntry& entry : entries) {
    if (entry.folder) {
      writer.folder(entry.name);
      if (!writeFileEntries(d, writer, role, entry.children)) return false;
      writer.endFolder();
    } else if (role == setup::TreeRole::Deletions) {
      writer.deletion(entry.name);
    } else if (role == setup::TreeRole::Shortcuts) {
      writer.shortcut(entry.name, entry.target);
    } else {
      std::string path = entry.source;
      if (!entry.sourceIsPath && !expand(d, entry.line, entry.source, false, path)) return false;
      Bytes content;
      if (!readFile(path, content)) return false;
      if (content.size() > 0xFFFFFFFFu) return fail(path, 0, "too large for a payload file");
      writer.file(entry.name, content);
    }
  }
  return true;
}

bool makeFileTree(const Description& d, const std::vector<FileEntry>& entries, setup::TreeRole role, Bytes& out) {
  setup::TreeWriter writer(role);
  if (!writeFileEntries(d, writer, role, entries)) return false;
  return !vx::failed(writer.finish(out)) || fail(d.path, 0, "the tree would not read back (too deep, or an empty name)");
}

bool makeBrowserValue(const Description& d, Bytes& out) {
  const std::vector<Item>* items = sectionOf(d, "browser");
  if (!items) return false;
  if (items->size() != 1 || !items->front().children.empty() || items->front().line.tokens.size() != 1 ||
      !items->front().line.tokens[0].quoted) {
    return fail(d.path, 0, "[browser] holds one quoted value");
  }
  std::string value;
  if (!expand(d, items->front().line.number, items->front().line.tokens[0].text, true, value)) return false;
  out.assign(value.begin(), value.end());
  out.push_back(setup::kEndMark);
  return true;
}

bool makeTree(std::string_view kind, const Description& d, Bytes& out) {
  std::vector<FileEntry> entries;
  if (kind == "registry" || kind == "uninstall-registry") return makeRegistryTree(d, kind != "registry", out);
  if (kind == "browser") return makeBrowserValue(d, out);
  if (kind == "shortcuts" || kind == "shortcut-deletions") {
    return parseFileSection(d, "shortcuts", FileSection::Shortcuts, entries) &&
           makeFileTree(d, entries, kind == "shortcuts" ? setup::TreeRole::Shortcuts : setup::TreeRole::Deletions, out);
  }
  if (!parseFileSection(d, "payload", FileSection::Payload, entries)) return false;
  if (kind == "payload") return makeFileTree(d, entries, setup::TreeRole::Payload, out);
  if (kind == "earlier-file-deletions") {
    std::vector<FileEntry> earlier;
    if (!parseFileSection(d, "earlier files", FileSection::Earlier, earlier)) return false;
    merge(entries, earlier);
  }
  return makeFileTree(d, entries, setup::TreeRole::Deletions, out);
}

constexpr std::string_view kTreeKinds[] = {"registry",       "uninstall-registry", "shortcuts",
                                           "shortcut-deletions", "payload",       "file-deletions",
                                           "earlier-file-deletions", "browser"};

int usage() {
  std::fputs(
      "usage: maketree tree KIND DESCRIPTION OUT [VAR=VALUE]...\n"
      "       maketree source OUT.cpp TITLE [FIELD=TREE]...\n"
      "       maketree size PAYLOAD [LIMIT]\n",
      stderr);
  return kUsage;
}

int treeCommand(int argc, char** argv) {
  if (argc < 5) return usage();
  const std::string_view kind = argv[2];
  if (std::find(std::begin(kTreeKinds), std::end(kTreeKinds), kind) == std::end(kTreeKinds)) return usage();
  std::vector<std::pair<std::string, std::string>> variables;
  for (int i = 5; i < argc; ++i) {
    const std::string_view setting = argv[i];
    const std::size_t equals = setting.find('=');
    if (equals == std::string_view::npos || equals == 0) return usage();
    variables.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
  }
  Description description;
  Bytes tree;
  if (!loadDescription(argv[3], variables, description) || !makeTree(kind, description, tree) || !writeBytes(argv[4], tree)) {
    return kBadInput;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// The source that embeds the trees.

enum class FieldForm { Registry, Files, CarriedString };

struct Field {
  std::string_view name;
  FieldForm form;
  setup::TreeRole role;
};
// In the order of CarriedTrees, so that the designated initialisers follow it.
constexpr Field kFields[] = {
    {"install.registry", FieldForm::Registry, setup::TreeRole::Payload},
    {"install.shortcuts", FieldForm::Files, setup::TreeRole::Shortcuts},
    {"install.payload", FieldForm::Files, setup::TreeRole::Payload},
    {"install.browserValue", FieldForm::CarriedString, setup::TreeRole::Payload},
    {"removal.registry", FieldForm::Registry, setup::TreeRole::Payload},
    {"removal.shortcuts", FieldForm::Files, setup::TreeRole::Deletions},
    {"removal.files", FieldForm::Files, setup::TreeRole::Deletions},
};
constexpr int kFieldCount = static_cast<int>(std::size(kFields));

// Whether the program's own reader takes the tree, with every folder slot filled.
bool readerTakes(const Field& field, const Bytes& tree) {
  setup::FolderTable folders;
  for (auto& text : folders.text) text = "X";
  std::string expanded;
  setup::TreeVisitor files;
  setup::RegistryVisitor registry;
  switch (field.form) {
    case FieldForm::Registry: return !vx::failed(setup::walkRegistryTree(tree, folders, registry));
    case FieldForm::Files: return !vx::failed(setup::walkTree(tree, field.role, folders, files));
    case FieldForm::CarriedString: return !vx::failed(setup::expandCarriedString(tree, folders, expanded));
  }
  return false;
}

// `text` as a C++ string literal.
std::string literal(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string symbolOf(std::string_view field) {
  std::string symbol = "vxcarried_";
  for (char c : field) symbol += c == '.' ? '_' : c;
  return symbol;
}

// The trees go into the image's read-only data as they are, through the
// assembler's .incbin (quick to build even for the whole payload); their sizes
// are written out, so kCarriedTrees is constant data too.
std::string carriedSource(std::string_view title, const std::string (&paths)[kFieldCount], const std::size_t (&sizes)[kFieldCount]) {
  std::string data;
  std::string declarations;
  std::string install;
  std::string removal;
  for (int i = 0; i < kFieldCount; ++i) {
    if (paths[i].empty()) continue;
    const std::string symbol = symbolOf(kFields[i].name);
    data += "    " + literal(symbol + ":\n") + "\n";
    data += "    " + literal(".incbin " + literal(fs::absolute(paths[i]).string()) + "\n") + "\n";
    declarations += "extern \"C\" const std::uint8_t " + symbol + "[] __asm__(" + literal(symbol) + ");\n";
    const std::string_view field = kFields[i].name;
    const std::size_t dot = field.find('.');
    std::string& group = field.substr(0, dot) == "install" ? install : removal;
    group += "        ." + std::string(field.substr(dot + 1)) + " = {" + symbol + ", " + std::to_string(sizes[i]) + "},\n";
  }
  std::string source =
      "// Generated by tools/maketree from setup/trees: the trees this program carries.\n"
      "#include <cstdint>\n\n"
      "#include \"setup/tree/carriedtrees.h\"\n\n";
  if (!data.empty()) {
    source +=
        "__asm__(\n"
        "#ifdef _WIN32\n"
        "    \".section .rdata,\\\"dr\\\"\\n\"\n"
        "#else\n"
        "    \".section .rodata\\n\"\n"
        "#endif\n" +
        data + "    \".text\\n\");\n\n" + declarations + "\n";
  }
  source += "constinit const vx::setup::CarriedTrees vx::setup::kCarriedTrees = {\n";
  source += "    .releaseTitle = " + literal(title) + ",\n";
  source += "    .install = {\n" + install + "    },\n";
  source += "    .removal = {\n" + removal + "    },\n";
  source += "};\n";
  return source;
}

int sourceCommand(int argc, char** argv) {
  if (argc < 4) return usage();
  std::string paths[kFieldCount];
  std::size_t sizes[kFieldCount] = {};
  for (int i = 4; i < argc; ++i) {
    const std::string_view setting = argv[i];
    const std::size_t equals = setting.find('=');
    if (setting.find('\n') != std::string_view::npos) return usage();
    const auto field = std::find_if(std::begin(kFields), std::end(kFields),
                                    [&](const Field& f) { return f.name == setting.substr(0, equals); });
    if (equals == std::string_view::npos || field == std::end(kFields)) return usage();
    const int index = static_cast<int>(field - std::begin(kFields));
    paths[index] = std::string(setting.substr(equals + 1));
    Bytes tree;
    if (!readFile(paths[index], tree)) return kBadInput;
    if (!readerTakes(*field, tree)) {
      fail(paths[index], 0, "the setup tree reader refuses it");
      return kBadInput;
    }
    sizes[index] = tree.size();
  }
  return writeFile(argv[2], carriedSource(argv[3], paths, sizes)) ? 0 : kBadInput;
}

// ---------------------------------------------------------------------------
// What a payload writes.

class PayloadSum : public setup::TreeVisitor {
 public:
  vx::Status file(const std::string& path, std::span<const std::uint8_t> content) override {
    ++files;
    bytes += content.size();
    // The programs dominate; name every large file.
    if (content.size() >= kNamedSize) std::printf("  %10zu  %s\n", content.size(), path.c_str());
    return vx::kOk;
  }
  static constexpr std::size_t kNamedSize = 16 * 1024;
  std::size_t files = 0;
  std::uint64_t bytes = 0;
};

int sizeCommand(int argc, char** argv) {
  std::uint32_t limit = 0xFFFFFFFFu;
  if (argc < 3 || argc > 4 || (argc == 4 && !parseNumber(argv[3], limit))) return usage();
  Bytes tree;
  if (!readFile(argv[2], tree)) return kBadInput;
  setup::FolderTable folders = {{"{ProgramFiles}", "{Windows}", "", "", "{Desktop}", "{Programs}"}};
  PayloadSum sum;
  if (vx::failed(setup::walkTree(tree, setup::TreeRole::Payload, folders, sum))) {
    fail(argv[2], 0, "the setup tree reader refuses it");
    return kBadInput;
  }
  std::printf("%s: %zu files, %llu bytes written\n", argv[2], sum.files, static_cast<unsigned long long>(sum.bytes));
  if (argc == 4 && sum.bytes >= limit) {
    std::fprintf(stderr, "maketree: that is not below the limit of %u bytes\n", limit);
    return kBadInput;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string_view command = argv[1];
  if (command == "tree") return treeCommand(argc, argv);
  if (command == "source") return sourceCommand(argc, argv);
  if (command == "size") return sizeCommand(argc, argv);
  return usage();
}
