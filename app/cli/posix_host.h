#pragma once
// The host of the command-line tool: files, clock, progress and Ctrl-C with POSIX.
#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "base/host.h"

namespace vx::cli {

class PosixHost final : public Host {
 public:
  // While a host lives, the core's exhaustion of memory ends through it.
  PosixHost();
  ~PosixHost() override;
  PosixHost(const PosixHost&) = delete;
  PosixHost& operator=(const PosixHost&) = delete;

  // Reads only regular files: the name is checked before it is opened and the
  // open file again, and the open never waits (a FIFO without a writer would
  // block for ever). Every file read is remembered as an input.
  Status readFile(const std::string& path, std::size_t maxBytes, std::string& contents) override;
  // Refuses a name that exists and is not a regular file (a device, a symlink, a
  // folder) and a file that was read as an input; keeps an existing file's
  // permissions; writes a temporary file beside it and renames it over the name.
  Status writeFile(const std::string& path, std::string_view data) override;
  double clockSeconds() override;
  // False once Ctrl-C was pressed; draws the percentage when asked to show it.
  bool progress(std::uint32_t done, std::uint32_t total) override;
  [[noreturn]] void outOfMemory() override;

  // Standard input, whole and bounded; remembered as an input when it is a file.
  Status readStandardInput(std::size_t maxBytes, std::string& contents);

  // `time` starts at `start` seconds; a running clock then counts whole
  // milliseconds, a stopped one always reads `start` (pictures are reproducible).
  void setClock(double start, bool running);

  // From now on progress after the first second is shown as "LABEL: 42%" on
  // standard error, when that is a terminal; finishProgress clears the line.
  void showProgress(const char* label);
  void finishProgress();

  // Ctrl-C stops a redraw instead of killing the process: the handler only sets
  // a flag that progress and interrupted() read.
  static void catchInterrupt();
  static bool interrupted();

  // What the system said about the last refusal ("No such file or directory",
  // "a named pipe"), or "" when it said nothing more than the status.
  const std::string& lastReason() const { return reason_; }

 private:
  struct Identity {
    dev_t device;
    ino_t inode;
  };
  Status fail(Status status, std::string reason);
  void rememberInput(const struct ::stat& info);
  bool isInput(const struct ::stat& info) const;
  Status readOpenFile(int fd, std::size_t maxBytes, std::string& contents);

  std::vector<Identity> inputs_;
  std::string reason_;
  double clockStart_ = 0;
  bool clockRuns_ = false;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  const char* progressLabel_ = nullptr;
  std::chrono::steady_clock::time_point progressStarted_;
  int shownPercent_ = -1;
};

}  // namespace vx::cli
