// Runs a fuzz target as an ordinary program: every file in the folders (or the
// files) named on the command line is passed to the target once, in name order.
// The tests replay the kept corpora this way in every build, the 32-bit one
// under Wine included, so that each kept input meets each build.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
#ifdef VELTRIX_FUZZ_INITIALIZE
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
#endif

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsUnder(const fs::path& place) {
  std::vector<fs::path> inputs;
  std::error_code error;
  if (fs::is_directory(place, error)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(place, error))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  } else if (fs::is_regular_file(place, error)) {
    inputs.push_back(place);
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

bool replay(const fs::path& input) {
  std::ifstream file(input, std::ios::binary);
  if (!file) return false;
  std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::printf("%s (%zu bytes)\n", input.filename().string().c_str(), bytes.size());
  std::fflush(stdout);  // so that a crash names the input it died on
  // A copy exactly the input's size, as the fuzzer gives, so that a read past
  // its end is caught.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  static const std::uint8_t kNothing = 0;
  LLVMFuzzerTestOneInput(data.empty() ? &kNothing : data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef VELTRIX_FUZZ_INITIALIZE
  LLVMFuzzerInitialize(&argc, &argv);
#endif
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER|FILE...\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::vector<fs::path> inputs = inputsUnder(argv[i]);
    if (inputs.empty()) {
      std::fprintf(stderr, "%s: no inputs\n", argv[i]);
      return 1;
    }
    for (const fs::path& input : inputs) {
      if (!replay(input)) {
        std::fprintf(stderr, "%s: cannot read\n", input.string().c_str());
        return 1;
      }
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return 0;
}
