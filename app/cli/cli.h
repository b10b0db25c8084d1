#pragma once
// Shared pieces of the `veltrix` command-line tool.
#include <string>

#include "base/lines.h"
#include "lang/lang.h"
#include "render/renderjob.h"

namespace vx::cli {

// Exit statuses of every command.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// A graph text as a command reads it: FILE, "-" for standard input, or none for
// the built-in opening graph text.
struct LoadedText {
  LineList lines;
  std::string folder;  // where read3dtextfile names are resolved
  std::string name;    // for messages: the path, "-" or "(opening graph)"
};

// Reads the text (ASCII or binary, told apart by the first byte). On failure
// prints one line "veltrix: NAME: REASON" to standard error and returns false.
bool loadGraphText(const char* path, LoadedText& out);

// Executes the text as the program does after opening it, with `time` read from
// `clockSeconds`. A valid graph command also builds `job`; one whose job cannot
// be built (a grid too fine for memory) counts as an invalid graph command, as
// the status text "Syntax error" says, and `*why` gets the reason.
ExecResult executeGraphFile(LangState& state, const LoadedText& text, const std::function<double()>& clockSeconds,
                            RenderJob& job, std::string* why = nullptr);

// Resolves read3dtextfile names against `folder` (relative names only).
DataFileReader dataFileReaderFor(const std::string& folder);

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

// Parses a decimal number argument (the whole text); false when it is not one.
bool parseDoubleArgument(const char* text, double& out);

// Writes `data` to `path` through a temporary file in the same folder and a
// rename, so that no half-written file is ever left under the final name.
// Returns an empty string on success, otherwise the reason.
std::string writeFileAtomically(const std::string& path, const std::string& data);

// The commands; each returns its exit status.
int commandRun(int argc, char** argv);
int commandConvert(int argc, char** argv);
int commandRender(int argc, char** argv);

}  // namespace vx::cli
