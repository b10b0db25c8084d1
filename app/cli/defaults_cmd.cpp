// veltrix defaults: print Defaults.vlx, every option with its default value.
#include <cstdio>

#include "cli/cli.h"
#include "lang/defaults.h"

namespace vx::cli {

namespace {

const char kDefaultsHelp[] =
    "usage: veltrix defaults [--release current|2000]\n"
    "\n"
    "Prints the graph file Defaults.vlx of a release: every variable and option\n"
    "that release knows, set to the value it has before a graph file runs, one\n"
    "line each with what it means, and a graph command at the end. The sample\n"
    "library's Defaults.vlx files are this output.\n"
    "\n"
    "  --release R   'current' (default) or '2000'\n"
    "  --help        show this help\n";

}  // namespace

int commandDefaults(int argc, char** argv) {
  const ReleaseProfile* release = &kCurrentRelease;
  ArgumentScanner scan(argc, argv);
  while (scan.next()) {
    if (!scan.isOption()) return usageError("defaults", "no file is read: give no operands");
    if (scan.name() == "--help" || scan.name() == "-h") {
      std::fputs(kDefaultsHelp, stdout);
      return kExitDone;
    }
    if (scan.name() != "--release") return usageError("defaults", "unknown option '" + scan.name() + "'");
    int exitStatus = kExitDone;
    if (!parseReleaseArgument("defaults", scan.value(), release, exitStatus)) return exitStatus;
  }
  // Standard output is checked once the command ends (main).
  std::fputs(defaultsText(*release).c_str(), stdout);
  return kExitDone;
}

}  // namespace vx::cli
