// Reads arbitrary bytes as a graph file; whatever is accepted must survive being
// written in both forms and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/linereader.h"
#include "files/writers.h"

namespace {

bool sameLines(const vx::LineList& a, const vx::LineList& b) {
  if (a.size() != b.size()) return false;
  for (const vx::SourceLine *p = a.first(), *q = b.first(); p; p = p->next, q = q->next)
    if (p->view() != q->view()) return false;
  return true;
}

void checkRoundTrip(const vx::LineList& lines, vx::Status written, const std::string& file) {
  if (vx::failed(written)) __builtin_trap();
  vx::LineList again;
  vx::MemorySource source(file);
  if (vx::readLines(source, again) != vx::kOk || !sameLines(lines, again)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  vx::LineList lines;
  vx::MemorySource source(input);
  if (vx::failed(vx::readLines(source, lines))) return 0;
  if (source.consumed() > size) __builtin_trap();

  vx::StringSink ascii;
  checkRoundTrip(lines, vx::writeAscii(ascii, lines), ascii.bytes());
  vx::StringSink binary;
  std::uint8_t seed = size ? data[0] : 0;
  checkRoundTrip(lines, vx::writeBinary(binary, lines, seed), binary.bytes());
  return 0;
}
