#pragma once
// What the portable core asks of the system. The core never calls the operating
// system itself: each front end (the command-line tool with POSIX, the Windows
// program with its wrapper layer) implements this interface, and tests implement
// it in memory.
//
// Front-end callbacks all take this one form, an interface with virtual
// functions: it is how the byte streams and the chunk source already meet the
// core, it needs no allocation and no exceptions (the Windows programs use
// neither), and one object carries the state a callback needs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"

namespace vx {

class Host {
 public:
  virtual ~Host() = default;

  // Reads the regular file at `path` whole into `contents`. kNotRegularFile for a
  // folder, device or pipe (which could block for ever), kTooLarge when it holds
  // more than `maxBytes`, kCannotOpen or kReadFailed otherwise.
  virtual Status readFile(const std::string& path, std::size_t maxBytes, std::string& contents) = 0;

  // Writes `data` to `path` through a temporary file beside it and an atomic
  // replace, so that no half-written file is ever left under the name. An
  // existing file keeps its permissions; an existing name that is not a regular
  // file is refused (kNotRegularFile) and left alone.
  virtual Status writeFile(const std::string& path, std::string_view data) = 0;

  // The program clock in seconds: the value of `time`.
  virtual double clockSeconds() = 0;

  // Called during a long redraw, after each slab or row: `done` of `total`
  // steps. Returning false stops the redraw at once (kCancelled).
  virtual bool progress(std::uint32_t done, std::uint32_t total) { return true; }

  // Memory is exhausted: tell the user and end the process. Never returns.
  [[noreturn]] virtual void outOfMemory() = 0;
};

}  // namespace vx
