#pragma once
// The binary graph-file form: a five-byte header (0x1A "VX" 0x00 seed) and then
// the lines, each followed by CR LF, in a variable-length character code (6 bits
// for lower case, 8 for the rest of printable ASCII, 10 for everything else),
// closed by an end code and scrambled byte by byte with a generator seeded from
// the header. No checksum and no length: damage shows as a bad header, data that
// runs out before the end code, or text that breaks the line rules.
#include <array>
#include <cstddef>
#include <cstdint>

#include "base/bitbuffer.h"
#include "base/bytestream.h"
#include "base/lines.h"
#include "base/status.h"

namespace vx {

// The first byte of every binary graph file; in ASCII text it is the end-of-file mark.
inline constexpr std::uint8_t kEndOfFileMark = 0x1A;
inline constexpr std::array<std::uint8_t, 4> kBinarySignature = {kEndOfFileMark, 'V', 'X', 0x00};
inline constexpr std::size_t kBinaryHeaderSize = kBinarySignature.size() + 1;  // and the seed

// Keyed byte scrambler. Writing and reading run the same key sequence, so one
// instance per file and direction.
class Scrambler {
 public:
  static constexpr int kTableSize = 7;
  static constexpr std::uint8_t generate(std::uint8_t x) { return static_cast<std::uint8_t>(x * 0x71 + 0x6B); }

  explicit Scrambler(std::uint8_t seed = 0) { reset(seed); }
  void reset(std::uint8_t seed);
  std::uint8_t scramble(std::uint8_t plain);
  std::uint8_t unscramble(std::uint8_t stored);

 private:
  std::uint8_t nextKey();

  std::uint8_t table_[kTableSize] = {};
  std::uint8_t state_ = 0;
};

// One character's code: `length` bits, right-aligned in `bits`.
struct CharacterCode {
  std::uint16_t bits;
  std::uint8_t length;
};

// The 10-bit escape form of "z"; a real "z" always takes its 6-bit code.
inline constexpr std::uint8_t kEndCodeCharacter = 0x7A;
inline constexpr CharacterCode kEndCode = {0x300 | kEndCodeCharacter, 10};
inline constexpr int kLongestCode = 10;
inline constexpr int kShortestCode = 6;
inline constexpr int kMediumCode = 8;

CharacterCode characterCode(std::uint8_t c);

// Decodes the characters of a binary graph file whose first byte (0x1A) the
// caller has already taken from `source`.
class BinaryDecoder {
 public:
  explicit BinaryDecoder(ByteSource& source) : source_(source) {}

  // Checks "VX" 0x00 and takes the seed. kEndOfData when the source ends right
  // after the 0x1A (an empty text); kBadGraphFile for any other mismatch or end.
  Status readHeader();

  // kOk with the next character, kEndOfData once the end code is reached (nothing
  // after it is ever read), kBadGraphFile when the data ends before the end code,
  // or the source's own failure.
  Status next(std::uint8_t& character);

 private:
  // Makes at least `bits` bits available, reading and unscrambling whole bytes.
  Status fill(int bits);

  ByteSource& source_;
  Scrambler scrambler_;
  BitReader bits_;
  bool finished_ = false;
};

// Writes the lines in binary form with the given seed (the front ends pass the low
// byte of the millisecond tick count). Stops at the first failure of the sink.
Status writeBinary(ByteSink& sink, const LineList& lines, std::uint8_t seed);

}  // namespace vx
