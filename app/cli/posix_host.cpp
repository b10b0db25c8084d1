// POSIX implementation of the host interface for the command-line tool.
#include "cli/posix_host.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/memory.h"

namespace vx::cli {

namespace {

volatile sig_atomic_t gInterrupted = 0;

void onInterrupt(int) { gInterrupted = 1; }

// Why a name that is not a regular file is refused, in the user's words.
const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a plain file";
}

// The folder the temporary file goes in, by the system's own rule ('/' only).
std::string systemFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

Status PosixHost::fail(Status status, std::string reason) {
  reason_ = std::move(reason);
  return status;
}

void PosixHost::rememberInput(const struct ::stat& info) { inputs_.push_back({info.st_dev, info.st_ino}); }

bool PosixHost::isInput(const struct ::stat& info) const {
  for (const Identity& input : inputs_)
    if (input.device == info.st_dev && input.inode == info.st_ino) return true;
  return false;
}

Status PosixHost::readOpenFile(int fd, std::size_t maxBytes, std::string& contents) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(kReadFailed, std::strerror(errno));
    if (n == 0) break;
    // The file may have grown since it was measured: the bound holds for what is read.
    if (static_cast<std::size_t>(n) > maxBytes - bytes.size())
      return fail(kTooLarge, "more than " + std::to_string(maxBytes) + " bytes");
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  contents = std::move(bytes);
  return kOk;
}

Status PosixHost::readFile(const std::string& path, std::size_t maxBytes, std::string& contents) {
  reason_.clear();
  struct stat info;
  // Checked before opening: opening some devices already does something.
  if (::stat(path.c_str(), &info) != 0) return fail(kCannotOpen, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return fail(kNotRegularFile, kindOf(info.st_mode));
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(kCannotOpen, std::strerror(errno));
  // The name may have been replaced in between: what counts is the open file.
  Status status = kOk;
  if (::fstat(fd, &info) != 0) {
    status = fail(kReadFailed, std::strerror(errno));
  } else if (!S_ISREG(info.st_mode)) {
    status = fail(kNotRegularFile, kindOf(info.st_mode));
  } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    status = fail(kTooLarge, "more than " + std::to_string(maxBytes) + " bytes");
  } else {
    status = readOpenFile(fd, maxBytes, contents);
    if (!failed(status)) rememberInput(info);
  }
  ::close(fd);
  return status;
}

Status PosixHost::readStandardInput(std::size_t maxBytes, std::string& contents) {
  reason_.clear();
  struct stat info;
  if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode)) rememberInput(info);
  return readOpenFile(STDIN_FILENO, maxBytes, contents);
}

Status PosixHost::writeFile(const std::string& path, std::string_view data) {
  reason_.clear();
  // New files get the usual permissions, as if created with fopen under the umask.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  mode_t mode = 0666 & ~mask;
  struct stat existing;
  if (::lstat(path.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) return fail(kNotRegularFile, kindOf(existing.st_mode));
    if (isInput(existing)) return fail(kSameFile, "");
    // The replacement keeps the permissions, but not set-user or set-group bits:
    // new contents do not inherit privileges.
    mode = existing.st_mode & 0777;
  } else if (errno != ENOENT) {
    return fail(kCannotOpen, std::strerror(errno));
  }

  std::string temp = systemFolderOf(path) + "/.veltrix-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return fail(kCannotOpen, std::string("cannot create a file beside it: ") + std::strerror(errno));
  if (!writeAll(fd, data)) {
    const Status status = fail(kWriteFailed, std::strerror(errno));
    ::close(fd);
    ::unlink(temp.c_str());
    return status;
  }
  ::fchmod(fd, mode);
  if (::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    const Status status = fail(kWriteFailed, std::strerror(errno));
    ::unlink(temp.c_str());
    return status;
  }
  return kOk;
}

void PosixHost::setClock(double start, bool running) {
  clockStart_ = start;
  clockRuns_ = running;
  started_ = std::chrono::steady_clock::now();
}

double PosixHost::clockSeconds() {
  if (!clockRuns_) return clockStart_;
  const auto elapsed = std::chrono::steady_clock::now() - started_;
  // The program clock counts whole milliseconds.
  return clockStart_ + std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 1000.0;
}

void PosixHost::showProgress(const char* label) {
  progressLabel_ = ::isatty(STDERR_FILENO) ? label : nullptr;
  progressStarted_ = std::chrono::steady_clock::now();
  shownPercent_ = -1;
}

void PosixHost::finishProgress() {
  if (shownPercent_ >= 0) std::fprintf(stderr, "\r%*s\r", static_cast<int>(std::strlen(progressLabel_)) + 6, "");
  progressLabel_ = nullptr;
  shownPercent_ = -1;
}

bool PosixHost::progress(std::uint32_t done, std::uint32_t total) {
  if (gInterrupted) return false;
  if (!progressLabel_ || total == 0) return true;
  if (shownPercent_ < 0 && std::chrono::steady_clock::now() - progressStarted_ < std::chrono::seconds(1)) return true;
  const int percent = static_cast<int>(std::uint64_t(done) * 100 / total);
  if (percent != shownPercent_) {
    std::fprintf(stderr, "\r%s: %d%%", progressLabel_, percent);
    std::fflush(stderr);
    shownPercent_ = percent;
  }
  return true;
}

void PosixHost::catchInterrupt() {
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  // A second Ctrl-C ends the process at once, as usual.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  ::sigaction(SIGINT, &action, nullptr);
}

bool PosixHost::interrupted() { return gInterrupted != 0; }

PosixHost::PosixHost() { setOutOfMemoryHost(this); }
PosixHost::~PosixHost() { setOutOfMemoryHost(nullptr); }

void PosixHost::outOfMemory() {
  static const char kMessage[] = "veltrix: out of memory\n";
  // Nothing that could allocate: write the message and end.
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  std::_Exit(1);
}

}  // namespace vx::cli
