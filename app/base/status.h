#pragma once
// Failure is a negative 32-bit status, passed up unchanged by every caller.
#include <cstdint>

namespace vx {

using Status = std::int32_t;

enum : Status {
  kOk = 0,
  kEndOfData = 1,  // not a failure: the normal end of a byte source
  kCannotOpen = -1,
  kLoneCarriageReturn = -2,
  kDataAfterEndMark = -3,
  kLineTooLong = -4,
  kBadGraphFile = -5,
  kWriteFailed = -6,
  kReadFailed = -7,
  kOutOfRange = -8,
  kNotRegularFile = -9,   // a folder, a device, a pipe: never read or replaced
  kTooLarge = -10,        // a text, data file or picture beyond its bound
  kCancelled = -11,       // the user stopped a long redraw
  kNoGraph = -12,         // nothing to draw: no valid graph command
  kSameFile = -13,        // an output that would overwrite its own input
  kBadTemplate = -14,     // a compact dialog template that is truncated or malformed
  kSystemCallFailed = -15,  // a system call returned its failure value
  kBadSetupTree = -16,      // a setup tree that runs past its end or nests too deep
  kOldestStatus = kBadSetupTree,  // keep last: the status table is checked against it
};

inline bool failed(Status s) { return s < 0; }

// One clear English phrase per status, for the command-line tool's messages.
const char* describeStatus(Status s);

}  // namespace vx
