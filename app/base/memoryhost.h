#pragma once
// A host without a system: files in a map and a clock that reads what it is told.
// For tests, fuzzers and benchmarks, so that a graph text can read data files and
// `time` without touching the disk.
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "base/host.h"

namespace vx {

class MemoryHost final : public Host {
 public:
  std::map<std::string, std::string> files;  // by path, as resolved by the core
  std::optional<std::string> anyOtherFile;   // what every other path reads (fuzzers)
  double clock = 0;       // what clockSeconds returns
  double clockStep = 0;   // added to the clock after every reading
  int clockReadings = 0;
  bool stopRedraws = false;  // what progress answers: false goes on, true stops
  int progressCalls = 0;

  Status readFile(const std::string& path, std::size_t maxBytes, std::string& contents) override {
    auto found = files.find(path);
    const std::string* file = found != files.end() ? &found->second : anyOtherFile ? &*anyOtherFile : nullptr;
    if (!file) return kCannotOpen;
    if (file->size() > maxBytes) return kTooLarge;
    contents = *file;
    return kOk;
  }
  Status writeFile(const std::string& path, std::string_view data) override {
    files[path] = std::string(data);
    return kOk;
  }
  double clockSeconds() override {
    ++clockReadings;
    const double now = clock;
    clock += clockStep;
    return now;
  }
  bool progress(std::uint32_t done, std::uint32_t total) override {
    ++progressCalls;
    return !stopRedraws;
  }
  [[noreturn]] void outOfMemory() override { std::abort(); }
};

}  // namespace vx
