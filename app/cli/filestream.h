#pragma once
// Byte streams over C files, for the command-line tool.
#include <cstdio>

#include "base/bytestream.h"

namespace vx::cli {

class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  Status read(std::uint8_t& byte) override;

 private:
  std::FILE* file_;
  std::uint8_t buffer_[65536];
  std::uint8_t* next_ = buffer_;
  std::uint8_t* end_ = buffer_;
  bool ended_ = false;
};

}  // namespace vx::cli
