#pragma once
// Bit buffers for variable-length codes packed most significant bit first, as in
// the binary graph files and the setup programs' archives.
#include <cstdint>

namespace vx {

// The longest code either buffer takes at once: with up to 7 bits pending (or 8
// just appended) a 24-bit code still fits the 32-bit buffer.
inline constexpr int kLongestBitCode = 24;

// Collects codes most significant bit first and hands out whole bytes.
class BitWriter {
 public:
  // Appends the low `length` bits of `bits` (length <= kLongestBitCode; take the
  // whole bytes before the next put).
  void put(std::uint32_t bits, int length) {
    buffer_ = (buffer_ << length) | bits;
    count_ += length;
  }
  bool hasByte() const { return count_ >= 8; }
  std::uint8_t takeByte() {
    count_ -= 8;
    return static_cast<std::uint8_t>(buffer_ >> count_);
  }
  // Fills a partly used last byte with 0 bits; false when nothing was pending.
  bool padToByte();

 private:
  std::uint32_t buffer_ = 0;  // only the low count_ bits are meaningful
  int count_ = 0;             // below 8 between codes
};

// Holds undecoded bits, oldest first.
class BitReader {
 public:
  // Takes one more byte; count() must be at most kLongestBitCode first.
  void append(std::uint8_t byte) {
    buffer_ = (buffer_ << 8) | byte;
    count_ += 8;
  }
  int count() const { return count_; }
  // The next `n` bits (0 < n <= count(), n <= kLongestBitCode) without consuming them.
  std::uint32_t peek(int n) const { return (buffer_ >> (count_ - n)) & ((1u << n) - 1); }
  void skip(int n) { count_ -= n; }

 private:
  std::uint32_t buffer_ = 0;
  int count_ = 0;
};

}  // namespace vx
