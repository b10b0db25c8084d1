#include "base/status.h"

#include <iterator>

namespace vx {

namespace {

struct StatusText {
  Status status;
  const char* text;
};

constexpr StatusText kStatusTexts[] = {
    {kOk, "success"},
    {kEndOfData, "end of data"},
    {kCannotOpen, "cannot open the file"},
    {kLoneCarriageReturn, "a carriage return is not followed by a line feed"},
    {kDataAfterEndMark, "characters follow the end-of-file mark (Ctrl-Z)"},
    {kLineTooLong, "a line is longer than the release allows (36,863 characters; 1,535 in Veltrix 2000)"},
    {kBadGraphFile, "not a valid binary graph file (damaged or truncated)"},
    {kWriteFailed, "writing failed"},
    {kReadFailed, "reading failed"},
    {kOutOfRange, "a value is out of range"},
    {kNotRegularFile, "not a regular file"},
    {kTooLarge, "too large"},
    {kCancelled, "stopped"},
    {kNoGraph, "nothing to draw"},
    {kSameFile, "the output is the input file"},
    {kBadTemplate, "a damaged dialog template"},
    {kSystemCallFailed, "a system call failed"},
    {kBadSetupTree, "a damaged setup tree"},
};
// One entry per status, from kOk down to the last one: a new status without its
// phrase does not compile.
static_assert(std::size(kStatusTexts) == kOk - kOldestStatus + 2, "every status has its phrase");

constexpr Status kSpelledStatusBound = -0x01000000;

}  // namespace

const char* describeStatus(Status s) {
  // The Windows layer's failures spell the failed call in their four bytes, the
  // first with its top bit set: they all lie far below the statuses above.
  if (s <= kSpelledStatusBound) return "a system call failed";
  for (const StatusText& entry : kStatusTexts)
    if (entry.status == s) return entry.text;
  return "unknown failure";
}

}  // namespace vx
