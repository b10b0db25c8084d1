#pragma once
// Byte streams under the graph-file readers and writers and the setup programs'
// archives. The portable core only knows these interfaces and their in-memory
// forms; the front ends supply the file-backed ones.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "base/status.h"

namespace vx {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // kOk with the next byte in `byte`, kEndOfData when no bytes remain (and on every
  // later call), or a failure status.
  virtual Status read(std::uint8_t& byte) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // kOk when all `size` bytes were taken, otherwise a failure status (a short write
  // is a failure).
  virtual Status write(const void* data, std::size_t size) = 0;
};

// Reads the bytes of a memory block.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : begin_(bytes.data()), next_(begin_), end_(begin_ + bytes.size()) {}

  Status read(std::uint8_t& byte) override;

  // How many bytes have been taken so far.
  std::size_t consumed() const { return static_cast<std::size_t>(next_ - begin_); }

 private:
  const char* begin_;
  const char* next_;
  const char* end_;
};

// Collects everything written into a string.
class StringSink final : public ByteSink {
 public:
  Status write(const void* data, std::size_t size) override;

  const std::string& bytes() const { return bytes_; }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

}  // namespace vx
