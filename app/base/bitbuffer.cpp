#include "base/bitbuffer.h"

namespace vx {

bool BitWriter::padToByte() {
  if (count_ % 8 == 0) return false;
  put(0, 8 - count_ % 8);
  return true;
}

}  // namespace vx
