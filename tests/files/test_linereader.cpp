#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_helpers.h"
#include "files/linereader.h"

namespace vx {
namespace {

using testing_files::FailingSource;
using testing_files::linesOf;
using Lines = std::vector<std::string>;

struct Case {
  std::string input;
  Status status;
  Lines lines;
};

const Case kFileCases[] = {
    /*  0 */ {"", kOk, {}},
    /*  1 */ {"a\r\nb\r\n", kOk, {"a", "b"}},
    /*  2 */ {"a\nb\n", kOk, {"a", "b"}},
    /*  3 */ {"a\r\nb", kOk, {"a", "b"}},
    /*  4 */ {"\n\r\n\n a\n\r\n\n", kOk, {" a"}},
    /*  5 */ {"   \r\n", kOk, {"   "}},
    /*  6 */ {"a\r\r\n", kLoneCarriageReturn, {}},
    /*  7 */ {"a\rb\r\n", kLoneCarriageReturn, {}},
    /*  8 */ {"a\r", kLoneCarriageReturn, {}},
    /*  9 */ {"\r", kLoneCarriageReturn, {}},
    /* 10 */ {"a\x1A", kOk, {"a"}},
    /* 11 */ {"a\r\nb\r\n\x1A", kOk, {"a", "b"}},
    /* 12 */ {"a\x1A" "b", kDataAfterEndMark, {}},
    /* 13 */ {"a\x1A\x1A", kDataAfterEndMark, {}},
    /* 14 */ {"a\x1A\r\n", kDataAfterEndMark, {}},
    /* 15 */ {"a\r\x1A", kLoneCarriageReturn, {}},
    /* 16 */ {"\x1A", kOk, {}},
    /* 17 */ {"\x1A" "abc\r\n", kBadGraphFile, {}},
    /* 18 */ {"x\tq\x80\xFF\r\n", kOk, {"x\tq\x80\xFF"}},
    /* 19 */ {std::string("a\0b\n", 4), kOk, {std::string("a\0b", 3)}},  // a file has no terminator
    /* 20 */ {std::string(kMaxLineLength, 'x'), kOk, {std::string(kMaxLineLength, 'x')}},
    /* 21 */ {std::string(kMaxLineLength, 'x') + "\r\n", kOk, {std::string(kMaxLineLength, 'x')}},
    /* 22 */ {std::string(kMaxLineLength + 1, 'x'), kLineTooLong, {}},
    /* 23 */ {"ok\n" + std::string(kMaxLineLength + 1, 'x') + "\n", kLineTooLong, {}},
    /* 24 */ {std::string(kMaxLineLength + 100000, 'x'), kLineTooLong, {}},
};

TEST(LineReader, FileRules) {
  int number = 0;
  for (const Case& c : kFileCases) {
    LineList out;
    out.append("previous text");
    MemorySource source(c.input);
    EXPECT_EQ(readLines(source, out), c.status) << "case " << number;
    // A refused text leaves the previous one in place.
    Lines expected = failed(c.status) ? Lines{"previous text"} : c.lines;
    EXPECT_EQ(linesOf(out), expected) << "case " << number;
    ++number;
  }
}

TEST(LineReader, TextRulesInMemory) {
  const Case cases[] = {
      {"graph3d.resolution := 30\r\ngraph3d(x=y)", kOk, {"graph3d.resolution := 30", "graph3d(x=y)"}},
      {std::string("a\r\nb\0c\rd", 8), kOk, {"a", "b"}},  // the zero byte ends the text
      {std::string("\0\r", 2), kOk, {}},
      {"a\rb", kLoneCarriageReturn, {}},
      {"\x1A", kOk, {}},  // in memory, 0x1A is only the end mark
      {"\x1A" "abc", kDataAfterEndMark, {}},
      {"a\x1A", kOk, {"a"}},
      {std::string(kMaxLineLength + 1, 'x'), kLineTooLong, {}},
  };
  int number = 0;
  for (const Case& c : cases) {
    LineList out;
    out.append("previous text");
    EXPECT_EQ(readLinesFromText(c.input, out), c.status) << "case " << number;
    Lines expected = failed(c.status) ? Lines{"previous text"} : c.lines;
    EXPECT_EQ(linesOf(out), expected) << "case " << number;
    ++number;
  }
}

// A text at its bounds is read whole; one character or one line more is refused,
// from a file and from memory alike (the 16 MiB texts take one road each: the
// count is common to both). Lines are stored compactly: the text's bytes and one
// small record per line, never a heap block per line.
TEST(LineReader, TextBounds) {
  std::string atBytes(kMaxTextBytes, 'x');
  for (std::size_t i = 999; i < atBytes.size(); i += 1000) atBytes[i] = '\n';
  std::string atLines;
  for (std::size_t i = 0; i < kMaxTextLines; ++i) atLines += "x\n";
  const std::string emptyLines = std::string(kMaxTextLines + 1, '\n') + "x";  // only stored lines count
  struct BoundCase {
    std::string text;
    Status status;
    std::size_t lines;
    std::string lastLine;
    bool fileOnly = false, memoryOnly = false;
  };
  const BoundCase cases[] = {
      {atBytes, kOk, (kMaxTextBytes + 999) / 1000, std::string(kMaxTextBytes % 1000, 'x'), true},
      {atBytes + "y", kTooLarge, 0, "", false, true},
      {atLines, kOk, kMaxTextLines, "x"},
      {atLines + "y", kTooLarge, 0, ""},
      {atLines + "y\r\n", kTooLarge, 0, ""},
      {emptyLines, kOk, 1, "x"},
  };
  int number = 0;
  for (const BoundCase& c : cases) {
    for (bool fromFile : {true, false}) {
      if (fromFile ? c.memoryOnly : c.fileOnly) continue;
      LineList out;
      out.append("previous text");
      MemorySource source(c.text);
      const Status status = fromFile ? readLines(source, out) : readLinesFromText(c.text, out);
      EXPECT_EQ(status, c.status) << "case " << number << (fromFile ? " file" : " memory");
      if (failed(status)) {
        EXPECT_EQ(linesOf(out), Lines{"previous text"}) << "case " << number;
        continue;
      }
      ASSERT_EQ(out.size(), c.lines) << "case " << number;
      EXPECT_EQ(out.last()->view(), c.lastLine) << "case " << number;
      // The text, a record per line, and the unused tails of the blocks.
      EXPECT_LE(out.bytesHeld(), (c.text.size() + c.lines * kMaxLineRecordOverhead) * 101 / 100 + 4096)
          << "case " << number;
    }
    ++number;
  }
}

TEST(LineReader, StopsReadingAtTheEndMark) {
  std::string file = "a\r\n\x1A";
  MemorySource source(file);
  LineList out;
  ASSERT_EQ(readLines(source, out), kOk);
  EXPECT_EQ(source.consumed(), file.size());
}

TEST(LineReader, ReadFailuresPassUpUnchanged) {
  const std::string file = "graph3d.resolution := 30\r\ngraph3d(x=y)\r\n";
  for (std::size_t limit = 0; limit <= file.size(); ++limit) {
    FailingSource source(file, limit);
    LineList out;
    out.append("kept");
    EXPECT_EQ(readLines(source, out), kReadFailed) << limit;
    EXPECT_EQ(linesOf(out), Lines{"kept"});
  }
}

}  // namespace
}  // namespace vx
