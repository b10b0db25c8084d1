#pragma once
// The host of the Windows programs: files through the wrapper layer, the clock
// from the system tick, and the out-of-memory exit with a message box.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/host.h"

namespace vx {

class WinHost : public Host {
 public:
  // While a host lives, the core's exhaustion of memory ends through it;
  // `programName` is the title of that message box.
  explicit WinHost(const char* programName = "Veltrix");
  ~WinHost() override;
  WinHost(const WinHost&) = delete;
  WinHost& operator=(const WinHost&) = delete;

  // Regular files only: a folder or device name is refused before it is opened,
  // and the open file again (the name may have been replaced in between).
  Status readFile(const std::string& path, std::size_t maxBytes, std::string& contents) override;
  // Writes a temporary file beside `path` and moves it over the name, so that
  // the name holds the old contents or the new, never a part. A name that exists
  // and is not a regular file is refused and left alone.
  Status writeFile(const std::string& path, std::string_view data) override;
  // Seconds since the host was made, counted in whole milliseconds of the tick.
  double clockSeconds() override;
  [[noreturn]] void outOfMemory() override;

 private:
  const char* programName_;
  std::uint32_t startTick_;
};

}  // namespace vx
