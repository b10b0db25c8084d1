#pragma once
// Small sources and sinks for the graph-file tests.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytestream.h"
#include "base/lines.h"

namespace vx::testing_files {

// The lines of a list, for comparisons.
inline std::vector<std::string> linesOf(const LineList& list) {
  std::vector<std::string> out;
  for (const SourceLine* p = list.first(); p; p = p->next) out.emplace_back(p->view());
  return out;
}

inline void appendAll(LineList& list, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) list.append(line);
}

// Takes `limit` bytes, then fails every write; counts the writes after the failure.
class FailingSink final : public ByteSink {
 public:
  explicit FailingSink(std::size_t limit) : limit_(limit) {}
  Status write(const void* data, std::size_t size) override {
    if (failedOnce) {
      ++writesAfterFailure;
      return kWriteFailed;
    }
    if (taken.size() + size > limit_) {
      taken.append(static_cast<const char*>(data), limit_ - taken.size());
      failedOnce = true;
      return kWriteFailed;
    }
    taken.append(static_cast<const char*>(data), size);
    return kOk;
  }
  std::string taken;
  bool failedOnce = false;
  int writesAfterFailure = 0;

 private:
  std::size_t limit_;
};

// Gives `limit` bytes of `bytes`, then reports a read failure.
class FailingSource final : public ByteSource {
 public:
  FailingSource(std::string_view bytes, std::size_t limit) : bytes_(bytes), limit_(limit) {}
  Status read(std::uint8_t& byte) override {
    if (next_ == limit_) return kReadFailed;
    if (next_ == bytes_.size()) return kEndOfData;
    byte = static_cast<std::uint8_t>(bytes_[next_++]);
    return kOk;
  }

 private:
  std::string_view bytes_;
  std::size_t limit_;
  std::size_t next_ = 0;
};

}  // namespace vx::testing_files
