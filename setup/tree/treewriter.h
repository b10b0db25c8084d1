#pragma once
// Builds setup trees (see setuptree.h) for the build tool and the tests, so that
// nobody writes tree bytes by hand. Names, targets and string data are setup
// strings given without their terminator; folderToken() makes the token pair.
// The writers check what they are given as they go (a leaf outside any tree
// shape, an end without a folder, a missing end, a name holding 0x00 outside a
// token pair) and finish() reports kBadSetupTree instead of returning bytes that
// a reader would refuse.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "setup/tree/setuptree.h"

namespace vx::setup {

// The two bytes that stand for special folder `slot`.
std::string folderToken(FolderSlot slot);

class TreeWriter {
 public:
  explicit TreeWriter(TreeRole role);
  void folder(std::string_view name);  // opens a folder; its list follows
  void endFolder();                    // closes the innermost open folder
  void file(std::string_view name, std::span<const std::uint8_t> content);  // payload
  void shortcut(std::string_view name, std::string_view target);            // shortcuts
  void deletion(std::string_view name);                                     // deletions
  // Closes the top-level list; kOk and the tree in `out`, or kBadSetupTree.
  Status finish(std::vector<std::uint8_t>& out);

 private:
  TreeRole role_;
  std::vector<std::uint8_t> bytes_;
  int depth_ = 0;
  bool bad_ = false;
};

class RegistryTreeWriter {
 public:
  void root(RegistryRoot root);      // starts a root group (closing the previous one)
  void key(std::string_view name);   // opens a subkey of the current key
  void endKey();                     // closes the innermost open subkey
  void stringValue(std::string_view name, std::string_view data, std::uint8_t type = kRegSz);
  void fourByteValue(std::string_view name, std::uint8_t type, std::uint32_t littleEndianData);
  Status finish(std::vector<std::uint8_t>& out);

 private:
  std::vector<std::uint8_t> bytes_;
  int depth_ = 0;
  bool inRoot_ = false;
  bool bad_ = false;
};

}  // namespace vx::setup
