#include "files/binaryform.h"

#include "base/tuning.h"

namespace vx {

// ---- scrambler ----

void Scrambler::reset(std::uint8_t seed) {
  std::uint8_t x = seed;
  for (std::uint8_t& entry : table_) entry = x = generate(x);
  state_ = table_[kTableSize - 1];
}

std::uint8_t Scrambler::nextKey() {
  state_ = generate(state_);
  std::uint8_t& slot = table_[state_ % kTableSize];
  std::uint8_t key = slot;
  slot = state_;
  return key;
}

std::uint8_t Scrambler::scramble(std::uint8_t plain) {
  auto rotated = static_cast<std::uint8_t>(plain << 3 | plain >> 5);
  return static_cast<std::uint8_t>(rotated + nextKey());
}

std::uint8_t Scrambler::unscramble(std::uint8_t stored) {
  auto rotated = static_cast<std::uint8_t>(stored - nextKey());
  return static_cast<std::uint8_t>(rotated >> 3 | rotated << 5);
}

// ---- character code ----

namespace {

// Lower case and what follows it: "0" and 5 bits.
constexpr bool isShortCharacter(std::uint8_t c) { return c >= 0x60 && c <= 0x7F; }
// Space, digits, punctuation and upper case: "10" and 6 bits.
constexpr bool isMediumCharacter(std::uint8_t c) { return c >= 0x20 && c <= 0x5F; }

constexpr CharacterCode encode(std::uint8_t c) {
  if (isShortCharacter(c)) return {static_cast<std::uint16_t>(c & 0x1F), 6};
  if (isMediumCharacter(c)) return {static_cast<std::uint16_t>(0x80 | (c & 0x3F)), 8};
  return {static_cast<std::uint16_t>(0x300 | c), 10};
}

constexpr std::array<CharacterCode, 256> makeCodeTable() {
  std::array<CharacterCode, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = encode(static_cast<std::uint8_t>(c));
  return table;
}

constexpr std::array<CharacterCode, 256> kCodeTable = makeCodeTable();
static_assert(kCodeTable.size() == 256, "one code per byte value");
static_assert(kCodeTable['z'].length == 6 && kCodeTable['z'].bits != kEndCode.bits,
              "a real z never looks like the end code");
static_assert(kCodeTable['\t'].length == 10 && kCodeTable['A'].length == 8 && kCodeTable[0xFF].length == 10);

}  // namespace

CharacterCode characterCode(std::uint8_t c) { return kCodeTable[c]; }

// ---- decoding ----

Status BinaryDecoder::readHeader() {
  for (std::size_t i = 1; i < kBinarySignature.size(); ++i) {
    std::uint8_t byte = 0;
    Status status = source_.read(byte);
    if (status == kEndOfData) return i == 1 ? kEndOfData : kBadGraphFile;
    if (failed(status)) return status;
    if (byte != kBinarySignature[i]) return kBadGraphFile;
  }
  std::uint8_t seed = 0;
  Status status = source_.read(seed);
  if (status == kEndOfData) return kBadGraphFile;
  if (failed(status)) return status;
  scrambler_.reset(seed);
  return kOk;
}

Status BinaryDecoder::fill(int bits) {
  while (bits_.count() < bits) {
    std::uint8_t stored = 0;
    Status status = source_.read(stored);
    if (status == kEndOfData) return kBadGraphFile;  // the end code never came
    if (failed(status)) return status;
    bits_.append(scrambler_.unscramble(stored));
  }
  return kOk;
}

Status BinaryDecoder::next(std::uint8_t& character) {
  if (finished_) return kEndOfData;
  // Bytes are taken only when the current code needs their bits, so nothing
  // beyond the end code is ever read.
  if (Status status = fill(kShortestCode); failed(status)) return status;
  if (bits_.peek(1) == 0) {
    character = static_cast<std::uint8_t>(0x60 | bits_.peek(kShortestCode));
    bits_.skip(kShortestCode);
    return kOk;
  }
  if (bits_.peek(2) == 0b10) {
    if (Status status = fill(kMediumCode); failed(status)) return status;
    std::uint32_t value = bits_.peek(kMediumCode) & 0x3F;
    character = static_cast<std::uint8_t>(value >= 0x20 ? value : 0x40 + value);
    bits_.skip(kMediumCode);
    return kOk;
  }
  if (Status status = fill(kLongestCode); failed(status)) return status;
  auto value = static_cast<std::uint8_t>(bits_.peek(kLongestCode));
  bits_.skip(kLongestCode);
  if (value == kEndCodeCharacter) {
    finished_ = true;
    return kEndOfData;
  }
  character = value;
  return kOk;
}

// ---- encoding ----

namespace {

// Buffers the scrambled bytes so that the sink sees few, large writes; a failure
// of the sink ends the writing at once.
class BinaryEncoder {
 public:
  BinaryEncoder(ByteSink& sink, std::uint8_t seed) : sink_(sink), scrambler_(seed) {}

  Status put(CharacterCode code) {
    bits_.put(code.bits, code.length);
    return drain();
  }

  Status finish() {
    if (Status status = put(kEndCode); failed(status)) return status;
    if (bits_.padToByte()) {
      if (Status status = drain(); failed(status)) return status;
    }
    return flush();
  }

 private:
  Status drain() {
    while (bits_.hasByte()) {
      if (used_ == sizeof(buffer_)) {
        if (Status status = flush(); failed(status)) return status;
      }
      buffer_[used_++] = scrambler_.scramble(bits_.takeByte());
    }
    return kOk;
  }

  Status flush() {
    Status status = used_ ? sink_.write(buffer_, used_) : kOk;
    used_ = 0;
    return status;
  }

  ByteSink& sink_;
  Scrambler scrambler_;
  BitWriter bits_;
  std::uint8_t buffer_[tuning::kBinaryWriteBuffer];
  std::size_t used_ = 0;
};

Status writeLineCodes(BinaryEncoder& encoder, std::string_view line) {
  for (char c : line)
    if (Status status = encoder.put(characterCode(static_cast<std::uint8_t>(c))); failed(status)) return status;
  if (Status status = encoder.put(characterCode('\r')); failed(status)) return status;
  return encoder.put(characterCode('\n'));
}

}  // namespace

Status writeBinary(ByteSink& sink, const LineList& lines, std::uint8_t seed) {
  std::uint8_t header[kBinaryHeaderSize];
  for (std::size_t i = 0; i < kBinarySignature.size(); ++i) header[i] = kBinarySignature[i];
  header[kBinarySignature.size()] = seed;
  if (Status status = sink.write(header, sizeof(header)); failed(status)) return status;

  BinaryEncoder encoder(sink, seed);
  for (const SourceLine* line = lines.first(); line; line = line->next) {
    if (line->length == 0) continue;
    if (Status status = writeLineCodes(encoder, line->view()); failed(status)) return status;
  }
  return encoder.finish();
}

}  // namespace vx
