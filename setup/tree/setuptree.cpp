#include "setup/tree/setuptree.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace vx::setup {
namespace {

// A read position in a tree that never moves past its end: every read says
// whether the bytes were there.
class Cursor {
 public:
  explicit Cursor(TreeBytes bytes) : bytes_(bytes) {}

  bool atEnd() const { return at_ == bytes_.size(); }

  bool byte(std::uint8_t& b) {
    if (atEnd()) return false;
    b = bytes_[at_++];
    return true;
  }

  bool bytes(std::uint64_t count, TreeBytes& out) {
    if (count > bytes_.size() - at_) return false;
    out = bytes_.subspan(at_, static_cast<std::size_t>(count));
    at_ += static_cast<std::size_t>(count);
    return true;
  }

  bool littleEndian32(std::uint32_t& value) {
    TreeBytes four;
    if (!bytes(4, four)) return false;
    value = four[0] | four[1] << 8 | four[2] << 16 | static_cast<std::uint32_t>(four[3]) << 24;
    return true;
  }

  // One setup string: `raw` gets its bytes without the terminator, token pairs
  // intact. A token must name a slot; its index byte never ends the string.
  bool setupString(TreeBytes& raw) {
    const std::size_t start = at_;
    for (std::uint8_t b; byte(b);) {
      if (b == kEndMark) {
        raw = bytes_.subspan(start, at_ - 1 - start);
        return true;
      }
      std::uint8_t index;
      if (b == kFolderToken && (!byte(index) || index >= kFolderSlotCount)) return false;
    }
    return false;
  }

 private:
  TreeBytes bytes_;
  std::size_t at_ = 0;
};

// The length of the expansion of `raw`, summed in 64 bits so that it cannot wrap
// in the 32-bit build; false for a stray terminator or a token without a slot.
bool measureExpansion(TreeBytes raw, const FolderTable& folders, std::uint64_t& length) {
  length = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == kEndMark) return false;
    if (raw[i] != kFolderToken) {
      ++length;
      continue;
    }
    if (++i == raw.size() || raw[i] >= kFolderSlotCount) return false;
    length += folders.text[raw[i]].size();
  }
  return true;
}

// Appends the expansion of an already measured `raw`.
void appendExpansion(TreeBytes raw, const FolderTable& folders, std::string& out) {
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == kFolderToken)
      out.append(folders.text[raw[++i]]);
    else
      out.push_back(static_cast<char>(raw[i]));
  }
}

// An entry's path: its parent's path and a backslash before its name, except at
// the top level, where the name (usually a lone folder token) is the whole path.
// Measured first and built in one allocation.
Status entryPath(const std::string& parent, int depth, TreeBytes raw, const FolderTable& folders,
                 std::string& path) {
  std::uint64_t length;
  if (!measureExpansion(raw, folders, length)) return kBadSetupTree;
  const std::size_t prefix = depth == 0 ? 0 : parent.size() + 1;
  if (length > path.max_size() - prefix) return kTooLarge;
  path.clear();
  path.reserve(prefix + static_cast<std::size_t>(length));
  if (depth > 0) path.append(parent).push_back('\\');
  appendExpansion(raw, folders, path);
  return kOk;
}

// The walk of a file, shortcut or deletion tree. Without a visitor it only
// checks the tree's shape, so every walk runs twice: once to refuse a bad tree
// before anything is done, once to act.
class FileTreeWalk {
 public:
  FileTreeWalk(TreeRole role, const FolderTable& folders, TreeVisitor* visitor)
      : role_(role), folders_(folders), visitor_(visitor) {}

  Status run(TreeBytes tree) {
    Cursor at(tree);
    Status status = list(at, std::string(), 0);
    if (failed(status)) return status;
    return at.atEnd() ? kOk : kBadSetupTree;
  }

 private:
  Status list(Cursor& at, const std::string& parent, int depth) {
    for (;;) {
      std::uint8_t kind;
      TreeBytes name;
      if (!at.byte(kind)) return kBadSetupTree;
      if ((kind & 3) == kEndMark) return kOk;
      if (!at.setupString(name) || name.empty()) return kBadSetupTree;
      std::string path;
      if (visitor_) {
        Status built = entryPath(parent, depth, name, folders_, path);
        if (failed(built)) return built;
      }
      Status status = (kind & 3) == kFolderKind ? folder(at, path, depth) : leaf(at, path);
      if (failed(status)) return status;
    }
  }

  Status folder(Cursor& at, const std::string& path, int depth) {
    if (depth == kMaxTreeDepth) return kBadSetupTree;
    if (visitor_ && role_ != TreeRole::Deletions) {
      Status created = visitor_->enterFolder(path);
      if (failed(created)) return created;
    }
    Status status = list(at, path, depth + 1);
    if (failed(status)) return status;
    return visitor_ ? visitor_->leaveFolder(path) : kOk;
  }

  Status leaf(Cursor& at, const std::string& path) {
    switch (role_) {
      case TreeRole::Payload: {
        std::uint32_t size;
        TreeBytes content;
        if (!at.littleEndian32(size) || !at.bytes(size, content)) return kBadSetupTree;
        return visitor_ ? visitor_->file(path, content) : kOk;
      }
      case TreeRole::Shortcuts: {
        TreeBytes target;
        if (!at.setupString(target)) return kBadSetupTree;
        if (!visitor_) return kOk;
        std::string expanded;
        Status status = expandSetupString(target, folders_, expanded);
        return failed(status) ? status : visitor_->shortcut(path, expanded);
      }
      case TreeRole::Deletions:
        return visitor_ ? visitor_->remove(path) : kOk;
    }
    return kBadSetupTree;
  }

  TreeRole role_;
  const FolderTable& folders_;
  TreeVisitor* visitor_;
};

// The same for a registry tree: root groups, then nested key lists.
class RegistryWalk {
 public:
  RegistryWalk(const FolderTable& folders, RegistryVisitor* visitor) : folders_(folders), visitor_(visitor) {}

  Status run(TreeBytes tree) {
    Cursor at(tree);
    for (std::uint8_t root; at.byte(root);) {
      if (root == kEndMark) return at.atEnd() ? kOk : kBadSetupTree;
      if (root < kClassesRoot || root > kLocalMachine) return kBadSetupTree;
      Status status = keyList(at, static_cast<RegistryRoot>(root), std::string(), 0);
      if (failed(status)) return status;
    }
    return kBadSetupTree;
  }

 private:
  Status keyList(Cursor& at, RegistryRoot root, const std::string& keyPath, int depth) {
    for (;;) {
      std::uint8_t kind;
      TreeBytes name;
      if (!at.byte(kind)) return kBadSetupTree;
      if ((kind & 3) == kEndMark) return kOk;
      if (!at.setupString(name)) return kBadSetupTree;
      Status status = (kind & 3) == kFolderKind ? subkey(at, root, keyPath, depth, name)
                                                : value(at, root, keyPath, depth, name);
      if (failed(status)) return status;
    }
  }

  Status subkey(Cursor& at, RegistryRoot root, const std::string& parent, int depth, TreeBytes name) {
    if (depth == kMaxTreeDepth || name.empty()) return kBadSetupTree;
    std::string keyPath;
    if (visitor_) {
      Status built = entryPath(parent, depth, name, folders_, keyPath);
      if (failed(built)) return built;
    }
    Status status = keyList(at, root, keyPath, depth + 1);
    if (failed(status)) return status;
    return visitor_ ? visitor_->keyDone(root, keyPath) : kOk;
  }

  // A value needs a key: one directly in a root group's list is refused.
  Status value(Cursor& at, RegistryRoot root, const std::string& keyPath, int depth, TreeBytes name) {
    std::uint8_t type;
    TreeBytes data;
    if (depth == 0 || !at.byte(type)) return kBadSetupTree;
    const bool fourBytes = type == kRegBinary || type == kRegDword;
    if (fourBytes ? !at.bytes(4, data) : !at.setupString(data)) return kBadSetupTree;
    if (!visitor_) return kOk;

    std::string expandedName;
    Status status = expandSetupString(name, folders_, expandedName);
    if (failed(status)) return status;
    if (fourBytes) return visitor_->value(root, keyPath, expandedName, type, data);
    std::string text;
    status = expandSetupString(data, folders_, text);
    if (failed(status)) return status;
    // The stored length of a string counts its terminator, which std::string keeps.
    const auto* stored = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return visitor_->value(root, keyPath, expandedName, type, {stored, text.size() + 1});
  }

  const FolderTable& folders_;
  RegistryVisitor* visitor_;
};

}  // namespace

Status expandSetupString(std::span<const std::uint8_t> raw, const FolderTable& folders, std::string& out) {
  std::uint64_t length;
  if (!measureExpansion(raw, folders, length)) return kBadSetupTree;
  if (length > out.max_size() - out.size()) return kTooLarge;
  out.reserve(out.size() + static_cast<std::size_t>(length));
  appendExpansion(raw, folders, out);
  return kOk;
}

Status walkTree(TreeBytes tree, TreeRole role, const FolderTable& folders, TreeVisitor& visitor) {
  Status checked = FileTreeWalk(role, folders, nullptr).run(tree);
  if (failed(checked)) return checked;
  return FileTreeWalk(role, folders, &visitor).run(tree);
}

Status walkRegistryTree(TreeBytes tree, const FolderTable& folders, RegistryVisitor& visitor) {
  Status checked = RegistryWalk(folders, nullptr).run(tree);
  if (failed(checked)) return checked;
  return RegistryWalk(folders, &visitor).run(tree);
}

Status expandCarriedString(TreeBytes carried, const FolderTable& folders, std::string& out) {
  Cursor at(carried);
  TreeBytes raw;
  if (!at.setupString(raw) || !at.atEnd()) return kBadSetupTree;
  std::string text;
  Status status = expandSetupString(raw, folders, text);
  if (!failed(status)) out = std::move(text);
  return status;
}

}  // namespace vx::setup
