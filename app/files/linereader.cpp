#include "files/linereader.h"

#include <cstdint>
#include <string>

#include "base/limits.h"
#include "files/binaryform.h"

namespace vx {

namespace {

constexpr std::uint8_t kCarriageReturn = '\r';
constexpr std::uint8_t kLineFeed = '\n';

// The characters of a text, counted against the text bound.
template <class NextCharacter>
class CountedCharacters {
 public:
  explicit CountedCharacters(NextCharacter& next) : next_(next) {}
  Status operator()(std::uint8_t& c) {
    Status status = next_(c);
    if (status == kOk && ++count_ > kMaxTextBytes) return kTooLarge;
    return status;
  }

 private:
  NextCharacter& next_;
  std::size_t count_ = 0;
};

// Stores a finished line (an empty one is dropped); kTooLarge past the line bound.
Status endLine(std::string& line, LineList& out) {
  out.append(line);
  line.clear();
  return out.size() > kMaxTextLines ? kTooLarge : kOk;
}

// Applies the line rules to the characters that `source` delivers (kOk with a
// character, kEndOfData, or a failure), building the lines into `out`.
template <class NextCharacter>
Status splitLines(NextCharacter&& source, std::size_t maxLineLength, LineList& out) {
  CountedCharacters<NextCharacter> next(source);
  std::string line;
  std::uint8_t c = 0;
  for (;;) {
    Status status = next(c);
    if (status == kEndOfData) break;
    if (failed(status)) return status;
    if (c == kLineFeed) {
      if (status = endLine(line, out); failed(status)) return status;
    } else if (c == kCarriageReturn) {
      status = next(c);
      if (failed(status)) return status;
      if (status == kEndOfData || c != kLineFeed) return kLoneCarriageReturn;
      if (status = endLine(line, out); failed(status)) return status;
    } else if (c == kEndOfFileMark) {
      status = next(c);
      if (failed(status)) return status;
      if (status != kEndOfData) return kDataAfterEndMark;
      break;
    } else {
      line.push_back(static_cast<char>(c));
      if (line.size() > maxLineLength) return kLineTooLong;
    }
  }
  return endLine(line, out);  // the last line needs no line end
}

// Reads the characters of a binary file after its first byte.
Status readBinaryLines(ByteSource& source, std::size_t maxLineLength, LineList& out) {
  BinaryDecoder decoder(source);
  Status status = decoder.readHeader();
  if (status == kEndOfData) return kOk;  // the single byte 0x1A: an empty text
  if (failed(status)) return status;
  return splitLines([&decoder](std::uint8_t& c) { return decoder.next(c); }, maxLineLength, out);
}

// Reads an ASCII file whose first byte has already been taken.
Status readAsciiLines(ByteSource& source, std::uint8_t firstByte, std::size_t maxLineLength, LineList& out) {
  bool firstPending = true;
  return splitLines(
      [&](std::uint8_t& c) {
        if (firstPending) {
          firstPending = false;
          c = firstByte;
          return Status{kOk};
        }
        return source.read(c);
      },
      maxLineLength, out);
}

}  // namespace

Status readLines(ByteSource& source, LineList& out, const ReleaseProfile& release) {
  LineList lines;
  std::uint8_t first = 0;
  Status status = source.read(first);
  if (failed(status)) return status;
  if (status == kOk) {
    const std::size_t maxLineLength = release.maxLineLength;
    status = first == kEndOfFileMark && release.binaryFiles ? readBinaryLines(source, maxLineLength, lines)
                                                              : readAsciiLines(source, first, maxLineLength, lines);
    if (failed(status)) return status;
  }
  out.swap(lines);
  return kOk;
}

Status readLinesFromText(std::string_view text, LineList& out, const ReleaseProfile& release) {
  LineList lines;
  const char* next = text.data();
  const char* end = next + text.size();
  Status status = splitLines(
      [&](std::uint8_t& c) {
        if (next == end || *next == 0) return Status{kEndOfData};
        c = static_cast<std::uint8_t>(*next++);
        return Status{kOk};
      },
      release.maxLineLength, lines);
  if (failed(status)) return status;
  out.swap(lines);
  return kOk;
}

}  // namespace vx
