#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "files/binaryform.h"
#include "files/file_helpers.h"
#include "files/linereader.h"

namespace vx {
namespace {

using testing_files::appendAll;
using testing_files::linesOf;

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

std::string binaryOf(const std::vector<std::string>& lines, std::uint8_t seed) {
  LineList list;
  appendAll(list, lines);
  StringSink sink;
  EXPECT_EQ(writeBinary(sink, list, seed), kOk);
  return sink.take();
}

// Files worked out by hand from the format: header, codes, end code, padding,
// scrambled with the seed's key sequence.
TEST(BinaryForm, KnownFiles) {
  struct Case {
    std::vector<std::string> lines;
    std::uint8_t seed;
    std::string file;
  } cases[] = {
      {{}, 0x00, bytes({0x1A, 0x56, 0x58, 0x00, 0x00, 0x82, 0x1C})},
      {{"a"}, 0x42, bytes({0x1A, 0x56, 0x58, 0x00, 0x42, 0x97, 0xFB, 0x64, 0x65, 0xDE})},
      {{"graph3d(x=y)", "Z\t\xE9"},
       0xC5,
       bytes({0x1A, 0x56, 0x58, 0x00, 0xC5, 0xEE, 0xCC, 0xFA, 0x6E, 0xC9, 0x3E, 0xCB, 0xD9, 0xF4, 0x51,
              0x30, 0xB2, 0x6B, 0x5A, 0x4A, 0x16, 0xC7, 0x9F, 0x15, 0xD4})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(binaryOf(c.lines, c.seed), c.file);
    LineList read;
    MemorySource source(c.file);
    ASSERT_EQ(readLines(source, read), kOk);
    EXPECT_EQ(linesOf(read), c.lines);
  }
}

TEST(BinaryForm, CodeLengths) {
  struct Case {
    int character, length;
  } cases[] = {
      {'a', 6},  {'z', 6},   {0x60, 6},  {0x7F, 6},  {' ', 8},   {'0', 8},   {'Z', 8},   {'_', 8},
      {0x1F, 10}, {'\t', 10}, {'\r', 10}, {'\n', 10}, {0x00, 10}, {0x80, 10}, {0xFF, 10},
  };
  for (const Case& c : cases) EXPECT_EQ(characterCode(static_cast<std::uint8_t>(c.character)).length, c.length) << c.character;
}

TEST(BinaryForm, ScramblerRunsBackwards) {
  for (int seed : {0, 1, 0x6B, 0xFF}) {
    Scrambler writer(static_cast<std::uint8_t>(seed)), reader(static_cast<std::uint8_t>(seed));
    for (int i = 0; i < 4096; ++i) {
      auto plain = static_cast<std::uint8_t>(i * 37 + (i >> 8));
      ASSERT_EQ(reader.unscramble(writer.scramble(plain)), plain) << seed << " " << i;
    }
  }
}

TEST(BinaryForm, LetterZNeverEndsTheText) {
  std::vector<std::string> lines = {"z", "zzz z", "a:=z", "Zz\x7A"};
  std::string file = binaryOf(lines, 7);
  LineList read;
  MemorySource source(file);
  ASSERT_EQ(readLines(source, read), kOk);
  EXPECT_EQ(linesOf(read), lines);
}

TEST(BinaryForm, EveryByteValueOutsideLineEndsSurvives) {
  std::string all;
  for (int c = 0; c < 256; ++c)
    if (c != '\r' && c != '\n' && c != 0x1A) all.push_back(static_cast<char>(c));
  std::vector<std::string> lines = {all, "\ttab\t", "\x80\xFF\xE9"};
  std::string file = binaryOf(lines, 200);
  LineList read;
  MemorySource source(file);
  ASSERT_EQ(readLines(source, read), kOk);
  EXPECT_EQ(linesOf(read), lines);
}

TEST(BinaryForm, SeedDecidesTheBytes) {
  std::vector<std::string> lines = {"graph3d.resolution := 30", "graph3d(x^2+y^2+z^2=9)"};
  std::string first = binaryOf(lines, 17);
  EXPECT_EQ(binaryOf(lines, 17), first);
  std::string second = binaryOf(lines, 18);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_EQ(first.substr(0, 4), second.substr(0, 4));
  int differing = 0;
  for (std::size_t i = kBinaryHeaderSize; i < first.size(); ++i) differing += first[i] != second[i];
  EXPECT_GT(differing, static_cast<int>(first.size() - kBinaryHeaderSize) * 3 / 4);
}

TEST(BinaryForm, NothingAfterTheEndCodeIsRead) {
  std::string file = binaryOf({"graph3d(x=y)"}, 99);
  std::string padded = file + "\x01\x02garbage\r";
  MemorySource source(padded);
  LineList read;
  ASSERT_EQ(readLines(source, read), kOk);
  EXPECT_EQ(linesOf(read), std::vector<std::string>{"graph3d(x=y)"});
  EXPECT_EQ(source.consumed(), file.size());
}

TEST(BinaryForm, BadHeadersAreRefused) {
  const std::string cases[] = {
      bytes({0x1A, 'V'}),          bytes({0x1A, 'V', 'X'}),       bytes({0x1A, 'V', 'X', 0}),
      bytes({0x1A, 'V', 'Y', 0, 1}), bytes({0x1A, 'v', 'x', 0, 1}), bytes({0x1A, 'V', 'X', 1, 1}),
      bytes({0x1A, 0x1A}),         "\x1Agraph3d(x=y)\r\n",
  };
  for (const std::string& file : cases) {
    LineList read;
    MemorySource source(file);
    EXPECT_EQ(readLines(source, read), kBadGraphFile) << file.size();
  }
}

// A file cut anywhere before its last byte never reaches the end code.
TEST(BinaryForm, EveryTruncationIsRefused) {
  std::string file = binaryOf({"graph3d.contrast := 1/4", "graph3d((x=y, z=0))", "\t\xFFQ"}, 0x5A);
  for (std::size_t length = 0; length < file.size(); ++length) {
    LineList read;
    read.append("before");
    MemorySource source(std::string_view(file).substr(0, length));
    Status status = readLines(source, read);
    if (length <= 1) {
      EXPECT_EQ(status, kOk) << length;  // empty file, or the single byte 0x1A
      EXPECT_TRUE(read.empty());
    } else {
      EXPECT_EQ(status, kBadGraphFile) << length;
      EXPECT_EQ(linesOf(read), std::vector<std::string>{"before"});
    }
  }
}

// What a binary file encodes, worked out bit by bit from the format: the
// characters before the end code and the bytes up to the one that ends it, or
// nothing (complete false) when the end code never comes.
struct Encoded {
  bool complete = false;
  std::string characters;
  std::size_t bytesUsed = 0;
};

Encoded decodeByHand(const std::string& file) {
  Scrambler scrambler(static_cast<std::uint8_t>(file[kBinaryHeaderSize - 1]));
  std::string bits;
  for (std::size_t i = kBinaryHeaderSize; i < file.size(); ++i) {
    std::uint8_t plain = scrambler.unscramble(static_cast<std::uint8_t>(file[i]));
    for (int bit = 7; bit >= 0; --bit) bits.push_back(static_cast<char>('0' + ((plain >> bit) & 1)));
  }
  Encoded out;
  for (std::size_t at = 0; at + 2 <= bits.size();) {
    std::size_t length = bits[at] == '0' ? 6 : bits[at + 1] == '0' ? 8 : 10;
    if (at + length > bits.size()) break;
    unsigned value = static_cast<unsigned>(std::stoul(bits.substr(at, length), nullptr, 2));
    at += length;
    if (length == 6) {
      out.characters.push_back(static_cast<char>(0x60 | value));
    } else if (length == 8) {
      value &= 0x3F;
      out.characters.push_back(static_cast<char>(value >= 0x20 ? value : 0x40 + value));
    } else if ((value & 0xFF) == kEndCodeCharacter) {
      out.complete = true;
      out.bytesUsed = kBinaryHeaderSize + (at + 7) / 8;
      return out;
    } else {
      out.characters.push_back(static_cast<char>(value & 0xFF));
    }
  }
  return out;
}

// The characters a file encodes, read as a text file: after them the data ends,
// or, where the end code never comes, the decoder's failure is reported. A
// leading line feed keeps the text from starting with the binary mark and only
// adds an empty line, which is never stored.
class EncodedTextSource final : public ByteSource {
 public:
  explicit EncodedTextSource(const Encoded& encoded)
      : text_("\n" + encoded.characters), end_(encoded.complete ? kEndOfData : kBadGraphFile) {}
  Status read(std::uint8_t& byte) override {
    if (next_ == text_.size()) return end_;
    byte = static_cast<std::uint8_t>(text_[next_++]);
    return kOk;
  }

 private:
  std::string text_;
  Status end_;
  std::size_t next_ = 0;
};

// Damage inside the body turns into other characters, or hides the end code. A
// damaged file reads exactly as the text file of the characters it now encodes:
// the same status (kBadGraphFile where the end code is gone, unless a line rule
// fails first), the same lines and nothing read after the end code; a refused
// file leaves the lines alone.
TEST(BinaryForm, DamagedBodiesReadAsWhatTheyEncode) {
  std::string file = binaryOf({"graph3d.resolution := 30", "graph3d(sin(x)+sin(y)=sin(z))"}, 3);
  std::map<Status, int> outcomes;
  for (std::size_t at = kBinaryHeaderSize; at < file.size(); ++at) {
    for (int flip : {0x01, 0x10, 0x80, 0xFF}) {
      std::string damaged = file;
      damaged[at] = static_cast<char>(damaged[at] ^ flip);
      SCOPED_TRACE(::testing::Message() << "byte " << at << " flip " << flip);
      Encoded encoded = decodeByHand(damaged);
      LineList expected;
      EncodedTextSource text(encoded);
      Status expectedStatus = readLines(text, expected);

      LineList read;
      read.append("before");
      MemorySource source(damaged);
      Status status = readLines(source, read);
      EXPECT_EQ(status, expectedStatus);
      if (status == kOk) {
        EXPECT_EQ(linesOf(read), linesOf(expected));
        EXPECT_EQ(source.consumed(), encoded.bytesUsed);
      } else {
        EXPECT_EQ(linesOf(read), std::vector<std::string>{"before"});
      }
      ++outcomes[status];
    }
  }
  // Damage is accepted, refused for the lost end code, and refused by a line rule.
  EXPECT_GT(outcomes[kOk], 0);
  EXPECT_GT(outcomes[kBadGraphFile], 0);
  EXPECT_GT(outcomes.size(), 2u);
}

TEST(BinaryForm, DecodedTextObeysTheLineRules) {
  struct Case {
    std::string line;
    Status status;
  } cases[] = {
      {"a\rb", kLoneCarriageReturn},
      {"a\x1A", kDataAfterEndMark},  // the written CR LF follow the mark
      {std::string(kMaxLineLength, 'x'), kOk},
      {std::string(kMaxLineLength + 1, 'x'), kLineTooLong},
  };
  for (const Case& c : cases) {
    std::string file = binaryOf({c.line}, 1);
    LineList read;
    MemorySource source(file);
    EXPECT_EQ(readLines(source, read), c.status) << c.line.size();
  }
}

}  // namespace
}  // namespace vx
