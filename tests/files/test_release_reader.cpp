// The older release's line reader: no binary form, and lines of at most 1,535
// characters.
#include <gtest/gtest.h>

#include <string>

#include "base/bytestream.h"
#include "files/linereader.h"
#include "files/writers.h"

namespace vx {
namespace {

Status readFile(const std::string& bytes, const ReleaseProfile& release) {
  MemorySource source(bytes);
  LineList lines;
  return readLines(source, lines, release);
}

TEST(ReleaseReader, OlderReleaseRefusesBinaryFilesAndLongLines) {
  LineList text;
  text.append("graph3d(z=x)");
  StringSink sink;
  ASSERT_EQ(writeBinary(sink, text, 7), kOk);
  const std::string binary = sink.take();
  EXPECT_EQ(readFile(binary, kCurrentRelease), kOk);
  EXPECT_EQ(readFile(binary, kRelease2000), kDataAfterEndMark);
  EXPECT_EQ(readFile("\x1A", kRelease2000), kOk);  // an end mark alone is an empty text in both

  const std::string longest(1535, 'a');
  EXPECT_EQ(readFile(longest + "\r\n", kRelease2000), kOk);
  EXPECT_EQ(readFile(longest + "a\r\n", kRelease2000), kLineTooLong);
  EXPECT_EQ(readFile(longest + "a\r\n", kCurrentRelease), kOk);
  LineList lines;
  EXPECT_EQ(readLinesFromText(longest + "a", lines, kRelease2000), kLineTooLong);
  EXPECT_EQ(readLinesFromText(longest, lines, kRelease2000), kOk);
}

}  // namespace
}  // namespace vx
