#pragma once
// The setup tree: the one byte encoding of everything the setup programs and the
// uninstaller write or remove (files, shortcuts, deletion lists, registry values).
//
// Setup string: bytes ended by 0x00; the byte 0xFF is a folder token and is
// always followed by one index byte (which may be 0x00 and then does not end the
// string). Expanding replaces each token pair by the text of that special folder,
// with no separator added.
//
// File, shortcut and deletion trees: a list of entries, each a kind byte whose
// two low bits say what follows: 0 ends the current list; 3 is a folder (its name,
// then its own list); 1 or 2 is a leaf (its name, then the leaf body of the tree's
// role: a 32-bit little-endian size N and N bytes in a payload archive, a setup
// string naming the target in a shortcut tree, nothing in a deletion list). The
// top-level list ends with its own end mark. A path is the parent's path, a
// backslash and the expanded name; a top-level entry's path is its name alone.
//
// Registry trees: root groups (root byte 1 HKEY_CLASSES_ROOT, 2 HKEY_CURRENT_USER,
// 3 HKEY_LOCAL_MACHINE, then a key list) ended by a single 0x00. In a key list,
// 0x03 is a subkey (name, which may hold backslashes, then its own key list), 0x01
// a value (name, type byte, data), 0x00 the end. REG_BINARY (3) and REG_DWORD (4)
// data is exactly 4 bytes; every other type carries a setup string.
//
// The trees are the programs' own constant data, yet they are read defensively:
// every walk first checks the whole tree (no entry runs past the end, folders
// nest at most kMaxTreeDepth deep, every folder token names a slot, the tree
// ends exactly at its last end mark) and refuses a bad tree with kBadSetupTree
// before it acts on any entry.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/status.h"

namespace vx::setup {

using TreeBytes = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kFolderToken = 0xFF;
inline constexpr std::uint8_t kEndMark = 0x00;
inline constexpr std::uint8_t kLeafKind = 0x01;
inline constexpr std::uint8_t kFolderKind = 0x03;

// The special folder slots; 2 and 3 are never used by a shipped tree.
enum FolderSlot : std::uint8_t {
  kProgramFilesFolder = 0,
  kWindowsFolder = 1,
  kDesktopFolder = 4,
  kProgramsFolder = 5,
};
inline constexpr int kFolderSlotCount = 6;
// A slot holds at most this many bytes including its terminator.
inline constexpr std::size_t kFolderTextLimit = 1536;
// Deepest nesting of folders (or registry subkeys) a tree may have.
inline constexpr int kMaxTreeDepth = 32;

// The special folder texts a walk expands tokens with (UTF-8, no terminator);
// an unused slot is empty and expands to nothing.
struct FolderTable {
  std::string_view text[kFolderSlotCount];
};

// `raw` holds one setup string without its terminator (token pairs intact).
// Appends its expansion to `out`; kBadSetupTree for a token without an index
// byte or with an index beyond the table.
Status expandSetupString(std::span<const std::uint8_t> raw, const FolderTable& folders, std::string& out);

enum class TreeRole { Payload, Shortcuts, Deletions };

// What a file, shortcut or deletion walk does at each entry. `path` is the
// entry's full expanded path. A failure status from a callback ends the walk
// with that status (payload and shortcut walks stop at the first failure;
// deletion walkers simply return kOk to go on).
class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  // Before the folder's list (create it).
  virtual Status enterFolder(const std::string& path) { return kOk; }
  // After the folder's list (remove it).
  virtual Status leaveFolder(const std::string& path) { return kOk; }
  // A payload file with its whole content.
  virtual Status file(const std::string& path, std::span<const std::uint8_t> content) { return kOk; }
  // A shortcut with its expanded target.
  virtual Status shortcut(const std::string& path, const std::string& target) { return kOk; }
  // A deletion-list leaf.
  virtual Status remove(const std::string& path) { return kOk; }
};

// Checks `tree` for `role` (kBadSetupTree when it is malformed), then walks it.
Status walkTree(TreeBytes tree, TreeRole role, const FolderTable& folders, TreeVisitor& visitor);

// Predefined registry roots as the tree numbers them.
enum RegistryRoot : std::uint8_t { kClassesRoot = 1, kCurrentUser = 2, kLocalMachine = 3 };
inline constexpr std::uint8_t kRegSz = 1;
inline constexpr std::uint8_t kRegExpandSz = 2;
inline constexpr std::uint8_t kRegBinary = 3;
inline constexpr std::uint8_t kRegDword = 4;

// What a registry walk does. `keyPath` is the full expanded key path under the
// root (never empty for a value: a value needs a key). For strings `data` is the
// expanded text with its terminating 0x00 counted; for REG_BINARY and REG_DWORD
// the 4 stored bytes.
class RegistryVisitor {
 public:
  virtual ~RegistryVisitor() = default;
  virtual Status value(RegistryRoot root, const std::string& keyPath, const std::string& name, std::uint8_t type,
                       std::span<const std::uint8_t> data) { return kOk; }
  // After a subkey's list has been walked (delete the key when it is empty).
  virtual Status keyDone(RegistryRoot root, const std::string& keyPath) { return kOk; }
};

// Checks `tree` (roots 1..3 only, same bounds as above), then walks it.
Status walkRegistryTree(TreeBytes tree, const FolderTable& folders, RegistryVisitor& visitor);

// A single setup string with its terminator (as the browser entry's value is
// carried), expanded; kBadSetupTree when it has no terminator.
Status expandCarriedString(TreeBytes carried, const FolderTable& folders, std::string& out);

}  // namespace vx::setup
