// Walks arbitrary bytes as a setup tree of every role and as a registry tree: a
// refused tree must have reached no callback, and an accepted one must hand out
// only what its bytes hold.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "setup/tree/setuptree.h"

namespace {

using namespace vx::setup;
using vx::Status;

// Every slot holds text, so that every path has some.
const FolderTable kFolders = {{"C:\\Program Files", "C:\\WINDOWS", "2", "3", "C:\\WINDOWS\\Desktop", "P"}};

class Checker : public TreeVisitor, public RegistryVisitor {
 public:
  explicit Checker(std::span<const std::uint8_t> input) : input_(input) {}

  std::size_t calls = 0;

  Status enterFolder(const std::string& path) override { return entry(path); }
  Status leaveFolder(const std::string& path) override { return entry(path); }
  Status remove(const std::string& path) override { return entry(path); }
  Status shortcut(const std::string& path, const std::string& target) override { return entry(path); }
  Status file(const std::string& path, std::span<const std::uint8_t> content) override {
    // The content is a slice of the input itself, never a copy or a read beyond it.
    const std::uint8_t* end = input_.data() + input_.size();
    if (!content.empty() && (content.data() < input_.data() || content.data() + content.size() > end))
      __builtin_trap();
    return entry(path);
  }
  Status value(RegistryRoot root, const std::string& keyPath, const std::string& name, std::uint8_t type,
               std::span<const std::uint8_t> data) override {
    if (root < kClassesRoot || root > kLocalMachine || keyPath.empty()) __builtin_trap();
    const bool fourBytes = type == kRegBinary || type == kRegDword;
    if (fourBytes ? data.size() != 4 : data.empty() || data.back() != 0) __builtin_trap();
    ++calls;
    return vx::kOk;
  }
  Status keyDone(RegistryRoot root, const std::string& keyPath) override { return entry(keyPath); }

 private:
  Status entry(const std::string& path) {
    if (path.empty()) __builtin_trap();  // every name holds at least one byte or token
    ++calls;
    return vx::kOk;
  }

  std::span<const std::uint8_t> input_;
};

void expectRefusalUntouched(vx::Status status, const Checker& checker) {
  if (status == vx::kBadSetupTree ? checker.calls != 0 : status != vx::kOk) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TreeBytes tree(data, size);
  for (TreeRole role : {TreeRole::Payload, TreeRole::Shortcuts, TreeRole::Deletions}) {
    Checker checker(tree);
    expectRefusalUntouched(walkTree(tree, role, kFolders, checker), checker);
  }
  Checker checker(tree);
  expectRefusalUntouched(walkRegistryTree(tree, kFolders, checker), checker);
  std::string text;
  const vx::Status carried = expandCarriedString(tree, kFolders, text);
  if (carried != vx::kOk && carried != vx::kBadSetupTree) __builtin_trap();
  return 0;
}
