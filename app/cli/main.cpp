// veltrix: runs, renders and converts graph files without a window.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/executablememory.h"
#include "base/fpu.h"
#include "cli/cli.h"
#include "lang/native.h"

namespace {

const char kUsage[] =
    "usage: veltrix COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Runs, renders and converts Veltrix graph files.\n"
    "\n"
    "commands:\n"
    "  run     [--time T] [FILE|-]                     execute a graph text and print\n"
    "                                                  what the status bar would show\n"
    "  render  [FILE|-] -o OUT.png [options]           draw the picture the program shows\n"
    "                                                  or, with --frames N, an animated\n"
    "                                                  GIF or PNG\n"
    "  export  [FILE|-] -o OUT.stl|.obj|.ply [options] write the surfaces as a triangle\n"
    "                                                  mesh (a solid for an inequality)\n"
    "  convert --to binary|ascii [--seed N] IN OUT     rewrite a graph file in either form\n"
    "  defaults [--release current|2000]               print Defaults.vlx: every option\n"
    "                                                  with its default value\n"
    "\n"
    "With no FILE, run, render and export use the built-in opening graph. '-' reads\n"
    "standard input. 'veltrix COMMAND --help' describes a command.\n"
    "\n"
    "exit status: 0 done; 1 input refused, nothing to draw or output not written;\n"
    "2 usage error; 130 interrupted (Ctrl-C).\n";

struct Command {
  const char* name;
  int (*run)(int, char**);
};

constexpr Command kCommands[] = {
    {"run", vx::cli::commandRun},
    {"render", vx::cli::commandRender},
    {"export", vx::cli::commandExport},
    {"convert", vx::cli::commandConvert},
    {"defaults", vx::cli::commandDefaults},
};

// Whatever a command printed must have reached standard output (a full disk, a
// closed pipe): a command that succeeded otherwise says why and fails.
int checkedStandardOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  if (status != vx::cli::kExitDone) return status;
  const int error = errno;
  return vx::cli::refuse("standard output",
                         std::string(vx::describeStatus(vx::kWriteFailed)) + " (" + std::strerror(error) + ")");
}

int dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return vx::cli::kExitUsage;
  }
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
    std::fputs(kUsage, stdout);
    return vx::cli::kExitDone;
  }
  for (const Command& c : kCommands) {
    if (!std::strcmp(argv[1], c.name)) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "veltrix: unknown command '%s'\n", argv[1]);
  std::fputs(kUsage, stderr);
  return vx::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  vx::setProgramFloatingPointMode();
  vx::useExecutableMemory(&vx::systemExecutableMemory());
  return checkedStandardOutput(dispatch(argc, argv));
}
