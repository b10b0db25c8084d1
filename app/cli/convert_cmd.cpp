// veltrix convert: rewrite a graph file in the ASCII or the binary form.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "files/writers.h"

namespace vx::cli {

namespace {

const char kConvertHelp[] =
    "usage: veltrix convert --to binary|ascii [--seed N] IN OUT\n"
    "\n"
    "Reads the graph file IN (either form; '-' is standard input) and writes its\n"
    "lines to OUT in the chosen form ('-' is standard output). Blank lines are not\n"
    "kept. OUT is replaced only when the whole file has been written.\n"
    "\n"
    "  --to binary|ascii   the form to write\n"
    "  --seed N            seed byte of the binary form, 0..255, for reproducible\n"
    "                      output (default: the low byte of the millisecond clock)\n"
    "  --help              show this help\n";

std::uint8_t clockSeed() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint8_t>(ms.count() & 0xFF);
}

}  // namespace

int commandConvert(int argc, char** argv) {
  const char* form = nullptr;
  int seed = -1;
  const char* paths[2] = {nullptr, nullptr};
  int pathCount = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      std::fputs(kConvertHelp, stdout);
      return kExitDone;
    }
    if (!std::strcmp(arg, "--to")) {
      if (i + 1 >= argc) return usageError("convert", "--to needs 'binary' or 'ascii'");
      form = argv[++i];
      if (std::strcmp(form, "binary") && std::strcmp(form, "ascii"))
        return usageError("convert", std::string("unknown form '") + form + "' (use binary or ascii)");
    } else if (!std::strcmp(arg, "--seed")) {
      double v = -1;
      if (i + 1 >= argc || !parseDoubleArgument(argv[i + 1], v) || v < 0 || v > 255 || v != static_cast<int>(v))
        return usageError("convert", "--seed needs a whole number from 0 to 255");
      seed = static_cast<int>(v);
      ++i;
    } else if (arg[0] == '-' && arg[1] != 0) {
      return usageError("convert", std::string("unknown option '") + arg + "'");
    } else if (pathCount == 2) {
      return usageError("convert", "too many files (give IN and OUT)");
    } else {
      paths[pathCount++] = arg;
    }
  }
  if (!form) return usageError("convert", "--to binary or --to ascii is required");
  if (pathCount != 2) return usageError("convert", "give the input and the output file");
  if (seed >= 0 && !std::strcmp(form, "ascii")) return usageError("convert", "--seed applies to the binary form only");

  LoadedText text;
  if (!loadGraphText(paths[0], text)) return kExitRefused;

  StringSink sink;
  Status status = !std::strcmp(form, "binary")
                      ? writeBinary(sink, text.lines, seed >= 0 ? static_cast<std::uint8_t>(seed) : clockSeed())
                      : writeAscii(sink, text.lines);
  if (failed(status)) return refuse(paths[1], describeStatus(status));
  std::string problem = writeFileAtomically(paths[1], sink.bytes());
  if (!problem.empty()) return refuse(paths[1], problem);
  return kExitDone;
}

}  // namespace vx::cli
