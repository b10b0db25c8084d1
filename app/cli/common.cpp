// File access of the command-line tool: the file-backed byte streams under the
// portable readers and writers, data files for read3dtextfile, atomic output.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/cli.h"
#include "cli/filestream.h"
#include "files/linereader.h"

namespace vx::cli {

Status FileSource::read(std::uint8_t& byte) {
  if (next_ == end_) {
    if (ended_) return kEndOfData;
    std::size_t n = std::fread(buffer_, 1, sizeof buffer_, file_);
    if (n == 0) {
      if (std::ferror(file_)) return kReadFailed;
      ended_ = true;
      return kEndOfData;
    }
    next_ = buffer_;
    end_ = buffer_ + n;
  }
  byte = *next_++;
  return kOk;
}

namespace {

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Data files are read whole; anything larger than this cannot be a sensible grid.
constexpr long kMaxDataFileBytes = 256L << 20;

}  // namespace

bool loadGraphText(const char* path, LoadedText& out) {
  if (!path) {
    out.name = "(opening graph)";
    out.folder = ".";
    return !failed(readLinesFromText(kOpeningGraphText, out.lines));
  }
  out.name = path;
  bool standardInput = !std::strcmp(path, "-");
  out.folder = standardInput ? "." : folderOf(path);
  std::FILE* file = standardInput ? stdin : std::fopen(path, "rb");
  if (!file) {
    refuse(out.name, std::string(describeStatus(kCannotOpen)) + " (" + std::strerror(errno) + ")");
    return false;
  }
  if (!standardInput) {
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
      std::fclose(file);
      refuse(out.name, "is a folder, not a graph file");
      return false;
    }
  }
  FileSource source(file);
  Status status = readLines(source, out.lines);
  if (!standardInput) std::fclose(file);
  if (failed(status)) {
    refuse(out.name, describeStatus(status));
    return false;
  }
  return true;
}

ExecResult executeGraphFile(LangState& state, const LoadedText& text, const std::function<double()>& clockSeconds,
                            RenderJob& job, std::string* why) {
  state.readDataFile = dataFileReaderFor(text.folder);
  state.acceptGraphCommand = [&](LangState& s) {
    const char* reason = nullptr;
    if (!failed(buildRenderJob(s, job, &reason))) return true;
    if (why && reason) *why = reason;
    return false;
  };
  ExecResult result = executeGraphText(state, text.lines, clockSeconds);
  state.acceptGraphCommand = nullptr;
  return result;
}

DataFileReader dataFileReaderFor(const std::string& folder) {
  return [folder](const std::string& name, std::string& contents) {
    if (name.empty()) return false;
    std::string path = name[0] == '/' ? name : folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    contents.clear();
    char buffer[65536];
    bool ok = true;
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      if (contents.size() + n > static_cast<std::size_t>(kMaxDataFileBytes)) {
        ok = false;
        break;
      }
      contents.append(buffer, n);
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    return ok;
  };
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

bool parseDoubleArgument(const char* text, double& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (*end || errno == ERANGE || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string writeFileAtomically(const std::string& path, const std::string& data) {
  if (path == "-") {
    bool ok = std::fwrite(data.data(), 1, data.size(), stdout) == data.size() && std::fflush(stdout) == 0;
    return ok ? "" : "cannot write to standard output";
  }
  std::string temp = folderOf(path) + "/.veltrix-XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return std::string("cannot create a file beside it (") + std::strerror(errno) + ")";
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string reason = std::string("writing failed (") + std::strerror(errno) + ")";
      ::close(fd);
      ::unlink(temp.c_str());
      return reason;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // New files get the usual permissions, as if created with fopen under the umask.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  if (::close(fd) != 0 || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::string reason = std::string("cannot write the file (") + std::strerror(errno) + ")";
    ::unlink(temp.c_str());
    return reason;
  }
  return "";
}

}  // namespace vx::cli
