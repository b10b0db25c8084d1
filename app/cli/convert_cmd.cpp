// veltrix convert: rewrite a graph file in the ASCII or the binary form.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

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
  ArgumentScanner scan(argc, argv);
  while (scan.next()) {
    const std::string& option = scan.name();
    if (!scan.isOption()) {
      if (pathCount == 2) return usageError("convert", "too many files (give IN and OUT)");
      paths[pathCount++] = scan.operand();
    } else if (option == "--help" || option == "-h") {
      std::fputs(kConvertHelp, stdout);
      return kExitDone;
    } else if (option == "--to") {
      form = scan.value();
      if (!form) return usageError("convert", "--to needs 'binary' or 'ascii'");
      if (std::strcmp(form, "binary") && std::strcmp(form, "ascii"))
        return usageError("convert", std::string("unknown form '") + form + "' (use binary or ascii)");
    } else if (option == "--seed") {
      const char* v = scan.value();
      double number = -1;
      if (!v || !parseDoubleArgument(v, number) || number < 0 || number > 255 || number != static_cast<int>(number))
        return usageError("convert", "--seed needs a whole number from 0 to 255");
      seed = static_cast<int>(number);
    } else {
      return usageError("convert", "unknown option '" + option + "'");
    }
  }
  if (!form) return usageError("convert", "--to binary or --to ascii is required");
  if (pathCount != 2) return usageError("convert", "give the input and the output file");
  if (seed >= 0 && !std::strcmp(form, "ascii")) return usageError("convert", "--seed applies to the binary form only");

  PosixHost host;
  Allocator allocator;
  Document document(allocator, host);
  if (!readGraphText(host, document, paths[0])) return kExitRefused;
  std::string bytes;
  const GraphFileForm to = !std::strcmp(form, "binary") ? GraphFileForm::Binary : GraphFileForm::Ascii;
  const Status status = document.encode(to, seed >= 0 ? static_cast<std::uint8_t>(seed) : clockSeed(), bytes);
  if (failed(status)) return refuse(paths[1], describeStatus(status));
  return writeOutput(host, paths[1], bytes);
}

}  // namespace vx::cli
