// A Windows program built for size has no exception support: every way a
// standard container or operator new can run out of memory must end in the
// host's out-of-memory exit, never in a throw (which would abort without a
// word). Each case is one run, since the exit ends the process.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/memory.h"

namespace {

class ExitingHost final : public vx::Host {
 public:
  vx::Status readFile(const std::string&, std::size_t, std::string&) override { return vx::kCannotOpen; }
  vx::Status writeFile(const std::string&, std::string_view) override { return vx::kCannotOpen; }
  double clockSeconds() override { return 0; }
  [[noreturn]] void outOfMemory() override {
    std::puts("out of memory reported through the host");
    std::fflush(stdout);
    std::_Exit(3);
  }
};

// More than the address space can hold, hidden from the optimiser.
volatile std::size_t quarterOfAddressSpace = std::size_t(1) << (sizeof(void*) * 8 - 2);

}  // namespace

int main(int argc, char** argv) {
  static ExitingHost host;
  vx::setOutOfMemoryHost(&host);
  const char* which = argc > 1 ? argv[1] : "";
  if (std::strcmp(which, "new") == 0) {
    char* block = new char[quarterOfAddressSpace];
    std::printf("got %p\n", static_cast<void*>(block));  // used, so that the request is not elided
  } else if (std::strcmp(which, "string") == 0) {
    std::string text;
    text.reserve(quarterOfAddressSpace * 3);  // beyond the largest string: a length error
  } else if (std::strcmp(which, "vector") == 0) {
    std::vector<double> values;
    values.resize(quarterOfAddressSpace);  // beyond what the allocator can count
  }
  std::puts("still running");
  return 0;
}
