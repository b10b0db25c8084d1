// veltrix run: execute a graph text and print what status-bar part 0 would show.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace vx::cli {

namespace {

const char kRunHelp[] =
    "usage: veltrix run [--time T] [--release current|2000] [FILE|-]\n"
    "\n"
    "Executes a graph file (ASCII or binary) as the program does when it opens it,\n"
    "and prints on one line what the status bar shows: the graph command's first\n"
    "line, \"Syntax error\", or the value of a last-line expression. With no FILE the\n"
    "built-in opening graph runs; '-' reads standard input.\n"
    "\n"
    "  --time T       start the clock that 'time' reads at T seconds (default 0)\n"
    "  --release R    the language and file rules of release R: 'current' (default)\n"
    "                 or '2000', whose language lacks binary files, parametric\n"
    "                 graphs, colour expressions, ceiling, floor, near,\n"
    "                 read3dtextfile, the vector options, exponents and commands\n"
    "                 over several lines, and whose lines hold 1,535 characters\n"
    "  --help         show this help\n";

}  // namespace

int commandRun(int argc, char** argv) {
  double startTime = 0;
  const char* path = nullptr;
  const ReleaseProfile* release = &kCurrentRelease;
  int exitStatus = kExitDone;
  ArgumentScanner scan(argc, argv);
  while (scan.next()) {
    if (!scan.isOption()) {
      if (path) return usageError("run", "only one graph file can be run");
      path = scan.operand();
    } else if (scan.name() == "--help" || scan.name() == "-h") {
      std::fputs(kRunHelp, stdout);
      return kExitDone;
    } else if (scan.name() == "--time") {
      const char* v = scan.value();
      if (!v || !parseDoubleArgument(v, startTime)) return usageError("run", "--time needs a number of seconds");
    } else if (scan.name() == "--release") {
      if (!parseReleaseArgument("run", scan.value(), release, exitStatus)) return exitStatus;
    } else {
      return usageError("run", "unknown option '" + scan.name() + "'");
    }
  }

  PosixHost host;
  host.setClock(startTime, true);
  Allocator allocator;
  Document document(allocator, host);
  document.setRelease(*release);
  if (!readGraphText(host, document, path)) return kExitRefused;
  // Standard output is checked once the command ends (main).
  std::printf("%s\n", document.execute().status.c_str());
  return kExitDone;
}

}  // namespace vx::cli
