#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "files/file_helpers.h"
#include "files/linereader.h"
#include "files/writers.h"

namespace vx {
namespace {

using testing_files::appendAll;
using testing_files::FailingSink;
using testing_files::linesOf;
using Lines = std::vector<std::string>;

TEST(Writers, AsciiIsTheLinesWithCarriageReturnLineFeed) {
  struct Case {
    Lines lines;
    std::string file;
  } cases[] = {
      {{}, ""},
      {{"a"}, "a\r\n"},
      {{"graph3d.resolution := 30", "graph3d(x=y)"}, "graph3d.resolution := 30\r\ngraph3d(x=y)\r\n"},
      {{"\t\xFF"}, "\t\xFF\r\n"},
  };
  for (const Case& c : cases) {
    LineList list;
    appendAll(list, c.lines);
    StringSink sink;
    EXPECT_EQ(writeAscii(sink, list), kOk);
    EXPECT_EQ(sink.bytes(), c.file);
  }
}

// Lines of any byte that the reader can hand out: everything but CR, LF and 0x1A.
Lines randomText(std::mt19937& random) {
  Lines lines(random() % 12);
  for (std::string& line : lines) {
    std::size_t length = 1 + random() % (random() % 8 == 0 ? 2000 : 60);
    while (line.size() < length) {
      auto c = static_cast<char>(random() % 4 == 0 ? random() % 256 : 0x20 + random() % 0x60);
      if (c != '\r' && c != '\n' && c != '\x1A') line.push_back(c);
    }
  }
  return lines;
}

TEST(Writers, RandomTextsSurviveBothForms) {
  std::mt19937 random(20240531);
  for (int round = 0; round < 300; ++round) {
    Lines lines = randomText(random);
    LineList list;
    appendAll(list, lines);
    StringSink ascii, binary;
    ASSERT_EQ(writeAscii(ascii, list), kOk);
    ASSERT_EQ(writeBinary(binary, list, static_cast<std::uint8_t>(round)), kOk);
    for (const std::string* file : {&ascii.bytes(), &binary.bytes()}) {
      LineList read;
      MemorySource source(*file);
      ASSERT_EQ(readLines(source, read), kOk) << round;
      ASSERT_EQ(linesOf(read), lines) << round;
    }
  }
}

// A sink that fails after any number of bytes stops the writer at once, with the
// sink's own status.
TEST(Writers, SinkFailureStopsTheWriting) {
  LineList list;
  for (int i = 0; i < 120; ++i) list.append("graph3d((x^2+y^2=" + std::to_string(i) + ", z=sin(x*y)))\t\xE9");
  StringSink full;
  ASSERT_EQ(writeBinary(full, list, 9), kOk);
  ASSERT_GT(full.bytes().size(), 2048u) << "the text must span several internal buffers";

  struct Writer {
    const char* name;
    Status (*write)(ByteSink&, const LineList&);
  } writers[] = {
      {"ascii", [](ByteSink& s, const LineList& l) { return writeAscii(s, l); }},
      {"binary", [](ByteSink& s, const LineList& l) { return writeBinary(s, l, 9); }},
  };
  for (const Writer& writer : writers) {
    StringSink whole;
    ASSERT_EQ(writer.write(whole, list), kOk);
    for (std::size_t limit = 0; limit < whole.bytes().size(); limit += 1 + limit / 7) {
      FailingSink sink(limit);
      EXPECT_EQ(writer.write(sink, list), kWriteFailed) << writer.name << " " << limit;
      EXPECT_EQ(sink.writesAfterFailure, 0) << writer.name << " " << limit;
      EXPECT_EQ(sink.taken, whole.bytes().substr(0, limit)) << writer.name << " " << limit;
    }
  }
}

}  // namespace
}  // namespace vx
