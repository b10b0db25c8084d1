#pragma once
// Shared pieces of the `veltrix` command-line tool.
#include <string>
#include <string_view>

#include "cli/posix_host.h"
#include "core/document.h"

namespace vx::cli {

// Exit statuses of every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // as a shell reports a death by SIGINT

// Reads the graph text of a command into `document`: FILE, "-" for standard
// input, or none (null) for the built-in opening graph text. On failure prints
// one line "veltrix: NAME: REASON" to standard error and returns false.
bool readGraphText(PosixHost& host, Document& document, const char* path);

// How messages name the graph text of `path`.
std::string graphTextName(const char* path);

// Writes `data` to OUT through the host, or to standard output for "-". On
// failure prints one line naming OUT and returns kExitRefused.
int writeOutput(PosixHost& host, const std::string& path, std::string_view data);

// The phrase of a failed status with what the system added, for messages.
std::string describeFailure(const PosixHost& host, Status status);

// Prints "veltrix COMMAND: MESSAGE" and a hint to use --help; returns kExitUsage.
int usageError(const char* command, const std::string& message);
// Prints "veltrix: NAME: MESSAGE"; returns kExitRefused.
int refuse(const std::string& name, const std::string& message);

// Walks a command's arguments in the usual POSIX way: options "--name VALUE" or
// "--name=VALUE" (and short "-o VALUE"), operands anywhere, "-" alone as an
// operand (standard input or output), and "--" ending the options.
class ArgumentScanner {
 public:
  ArgumentScanner(int argc, char** argv) : argc_(argc), argv_(argv) {}

  // Moves to the next argument; false when there is none.
  bool next();
  // The current argument is an option; its name without any "=VALUE".
  bool isOption() const { return option_; }
  const std::string& name() const { return name_; }
  // The option's value, after '=' or as the next argument; null when missing.
  const char* value();
  // The current argument as an operand.
  const char* operand() const { return argv_[index_]; }

 private:
  int argc_;
  char** argv_;
  int index_ = 0;
  bool option_ = false;
  bool optionsEnded_ = false;
  bool inlineValue_ = false;
  std::string name_;
  std::string value_;
};

// Parses the value of --release ("current" or "2000"); on failure prints the
// usage error of `command` and returns false.
bool parseReleaseArgument(const char* command, const char* text, const ReleaseProfile*& out, int& exitStatus);

// Parses a decimal number argument (the whole text); false when it is not one.
bool parseDoubleArgument(const char* text, double& out);

// The commands; each returns its exit status.
int commandRun(int argc, char** argv);
int commandConvert(int argc, char** argv);
int commandRender(int argc, char** argv);
int commandExport(int argc, char** argv);
int commandDefaults(int argc, char** argv);

}  // namespace vx::cli
