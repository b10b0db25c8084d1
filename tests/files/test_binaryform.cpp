#include <gtest/gtest.h>

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

// Damage inside the body decodes into other characters; it may be accepted or
// refused, but it is handled.
TEST(BinaryForm, DamagedBodiesAreHandled) {
  std::string file = binaryOf({"graph3d.resolution := 30", "graph3d(sin(x)+sin(y)=sin(z))"}, 3);
  for (std::size_t at = kBinaryHeaderSize; at < file.size(); ++at) {
    for (int flip : {0x01, 0x10, 0x80, 0xFF}) {
      std::string damaged = file;
      damaged[at] = static_cast<char>(damaged[at] ^ flip);
      LineList read;
      MemorySource source(damaged);
      Status status = readLines(source, read);
      EXPECT_TRUE(status == kOk || failed(status));
      EXPECT_LE(source.consumed(), damaged.size());
    }
  }
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
