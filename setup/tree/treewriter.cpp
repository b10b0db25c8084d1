#include "setup/tree/treewriter.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace vx::setup {
namespace {

// Whether `text` reads back as one setup string: a 0x00 only as a token's index
// byte, and every token followed by the index of a slot.
bool isSetupString(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    if (b == kEndMark) return false;
    if (b == kFolderToken && (++i == text.size() || static_cast<std::uint8_t>(text[i]) >= kFolderSlotCount))
      return false;
  }
  return true;
}

// Appends one setup string with its terminator; false when it would not read back.
bool putString(std::vector<std::uint8_t>& bytes, std::string_view text) {
  if (!isSetupString(text)) return false;
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(kEndMark);
  return true;
}

// An entry's kind byte and its name, which a reader refuses when empty.
bool putEntry(std::vector<std::uint8_t>& bytes, std::uint8_t kind, std::string_view name) {
  bytes.push_back(kind);
  return !name.empty() && putString(bytes, name);
}

void putLittleEndian32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Hands over the finished bytes unless the writer was misused; a writer gives
// its tree once.
Status handOver(std::vector<std::uint8_t>& bytes, bool& bad, std::vector<std::uint8_t>& out) {
  if (bad) return kBadSetupTree;
  out = std::move(bytes);
  bytes.clear();
  bad = true;
  return kOk;
}

}  // namespace

std::string folderToken(FolderSlot slot) {
  return std::string{static_cast<char>(kFolderToken), static_cast<char>(slot)};
}

TreeWriter::TreeWriter(TreeRole role) : role_(role) {}

void TreeWriter::folder(std::string_view name) {
  if (depth_ == kMaxTreeDepth || !putEntry(bytes_, kFolderKind, name)) bad_ = true;
  ++depth_;
}

void TreeWriter::endFolder() {
  if (depth_ == 0) {
    bad_ = true;
    return;
  }
  bytes_.push_back(kEndMark);
  --depth_;
}

void TreeWriter::file(std::string_view name, std::span<const std::uint8_t> content) {
  if (role_ != TreeRole::Payload || content.size() > std::numeric_limits<std::uint32_t>::max() ||
      !putEntry(bytes_, kLeafKind, name)) {
    bad_ = true;
    return;
  }
  putLittleEndian32(bytes_, static_cast<std::uint32_t>(content.size()));
  bytes_.insert(bytes_.end(), content.begin(), content.end());
}

void TreeWriter::shortcut(std::string_view name, std::string_view target) {
  if (role_ != TreeRole::Shortcuts || !putEntry(bytes_, kLeafKind, name) || !putString(bytes_, target)) bad_ = true;
}

void TreeWriter::deletion(std::string_view name) {
  if (role_ != TreeRole::Deletions || !putEntry(bytes_, kLeafKind, name)) bad_ = true;
}

Status TreeWriter::finish(std::vector<std::uint8_t>& out) {
  if (depth_ != 0) bad_ = true;
  bytes_.push_back(kEndMark);
  return handOver(bytes_, bad_, out);
}

void RegistryTreeWriter::root(RegistryRoot root) {
  if (depth_ != 0 || root < kClassesRoot || root > kLocalMachine) bad_ = true;
  if (inRoot_) bytes_.push_back(kEndMark);
  bytes_.push_back(root);
  inRoot_ = true;
}

void RegistryTreeWriter::key(std::string_view name) {
  if (!inRoot_ || depth_ == kMaxTreeDepth || !putEntry(bytes_, kFolderKind, name)) bad_ = true;
  ++depth_;
}

void RegistryTreeWriter::endKey() {
  if (depth_ == 0) {
    bad_ = true;
    return;
  }
  bytes_.push_back(kEndMark);
  --depth_;
}

// A value needs a key, so it belongs inside a subkey of a root group. Its name
// may be empty: that is the key's default value.
void RegistryTreeWriter::stringValue(std::string_view name, std::string_view data, std::uint8_t type) {
  bytes_.push_back(kLeafKind);
  if (depth_ == 0 || type == kRegBinary || type == kRegDword || !putString(bytes_, name)) {
    bad_ = true;
    return;
  }
  bytes_.push_back(type);
  if (!putString(bytes_, data)) bad_ = true;
}

void RegistryTreeWriter::fourByteValue(std::string_view name, std::uint8_t type, std::uint32_t littleEndianData) {
  bytes_.push_back(kLeafKind);
  if (depth_ == 0 || (type != kRegBinary && type != kRegDword) || !putString(bytes_, name)) {
    bad_ = true;
    return;
  }
  bytes_.push_back(type);
  putLittleEndian32(bytes_, littleEndianData);
}

Status RegistryTreeWriter::finish(std::vector<std::uint8_t>& out) {
  if (depth_ != 0) bad_ = true;
  if (inRoot_) bytes_.push_back(kEndMark);
  bytes_.push_back(kEndMark);
  inRoot_ = false;
  return handOver(bytes_, bad_, out);
}

}  // namespace vx::setup
