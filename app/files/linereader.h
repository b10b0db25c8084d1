#pragma once
// Graph text to lines. One set of rules for files (ASCII or binary, told apart by
// the first byte) and for zero-terminated texts in memory: a line ends at LF or
// CR LF, a CR before anything else is refused, Ctrl-Z (0x1A) ends the text and
// must be its last character, empty lines are dropped, and a line holds at most
// 36,863 characters (fewer in an older release, which also has no binary form).
// A text of more than kMaxTextBytes characters or
// kMaxTextLines stored lines is refused (kTooLarge) as soon as it passes the
// bound, so a huge file costs no more than the bound to refuse. A refused text
// leaves the caller's list untouched.
#include <string_view>

#include "base/bytestream.h"
#include "base/release.h"
#include "base/lines.h"
#include "base/status.h"

namespace vx {

// Reads a graph file. A first byte 0x1A selects the binary form (a file of that
// single byte is an empty text); otherwise every byte is a character. A release
// without the binary form reads that byte as the end mark, so a binary file is
// refused for the data after it. On success `out` holds the lines; on failure it
// is unchanged and the status says why.
Status readLines(ByteSource& source, LineList& out, const ReleaseProfile& release = kCurrentRelease);

// Splits a text held in memory (the opening graph, the Edit dialog). A zero byte
// or the end of `text` ends the data; the text is always taken as ASCII.
Status readLinesFromText(std::string_view text, LineList& out, const ReleaseProfile& release = kCurrentRelease);

}  // namespace vx
