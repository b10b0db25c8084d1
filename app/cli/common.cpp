// Reading graph texts and writing outputs for every command, and the argument
// scanner.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/limits.h"
#include "cli/cli.h"

namespace vx::cli {

std::string graphTextName(const char* path) { return path ? path : "(opening graph)"; }

std::string describeFailure(const PosixHost& host, Status status) {
  std::string text = describeStatus(status);
  if (!host.lastReason().empty()) text += " (" + host.lastReason() + ")";
  return text;
}

bool readGraphText(PosixHost& host, Document& document, const char* path) {
  if (!path) {
    document.readOpeningGraph();
    return true;
  }
  Status status = kOk;
  if (std::strcmp(path, "-") == 0) {
    std::string bytes;
    status = host.readStandardInput(kMaxTextBytes, bytes);
    if (!failed(status)) status = document.readBytes(bytes, "");
  } else {
    status = document.read(path);
  }
  if (!failed(status)) return true;
  refuse(path, describeFailure(host, status));
  return false;
}

int writeOutput(PosixHost& host, const std::string& path, std::string_view data) {
  if (path != "-") {
    const Status status = host.writeFile(path, data);
    return failed(status) ? refuse(path, describeFailure(host, status)) : kExitDone;
  }
  if (std::fwrite(data.data(), 1, data.size(), stdout) == data.size() && std::fflush(stdout) == 0) return kExitDone;
  return refuse("standard output", std::string(describeStatus(kWriteFailed)) + " (" + std::strerror(errno) + ")");
}

int usageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "veltrix %s: %s\nTry 'veltrix %s --help'.\n", command, message.c_str(), command);
  return kExitUsage;
}

int refuse(const std::string& name, const std::string& message) {
  std::fprintf(stderr, "veltrix: %s: %s\n", name.c_str(), message.c_str());
  return kExitRefused;
}

bool ArgumentScanner::next() {
  if (++index_ >= argc_) return false;
  const std::string arg = argv_[index_];
  option_ = !optionsEnded_ && arg.size() > 1 && arg[0] == '-';
  if (option_ && arg == "--") {
    optionsEnded_ = true;
    return next();
  }
  const std::size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
  inlineValue_ = option_ && eq != std::string::npos;
  name_ = option_ ? arg.substr(0, eq) : std::string();
  value_ = inlineValue_ ? arg.substr(eq + 1) : std::string();
  return true;
}

const char* ArgumentScanner::value() {
  if (inlineValue_) return value_.c_str();
  return index_ + 1 < argc_ ? argv_[++index_] : nullptr;
}

bool parseReleaseArgument(const char* command, const char* text, const ReleaseProfile*& out, int& exitStatus) {
  const ReleaseProfile* release = text ? findRelease(text) : nullptr;
  if (!release) {
    exitStatus = usageError(command, "--release needs 'current' or '2000'");
    return false;
  }
  out = release;
  return true;
}

bool parseDoubleArgument(const char* text, double& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (*end || errno == ERANGE || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace vx::cli
