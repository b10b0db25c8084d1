#include "base/bytestream.h"

namespace vx {

Status MemorySource::read(std::uint8_t& byte) {
  if (next_ == end_) return kEndOfData;
  byte = static_cast<std::uint8_t>(*next_++);
  return kOk;
}

Status StringSink::write(const void* data, std::size_t size) {
  bytes_.append(static_cast<const char*>(data), size);
  return kOk;
}

}  // namespace vx
