#pragma once
// Lines to graph files. Both writers stop at the first failure of the sink and
// return its status; what was written until then stays written.
#include "base/bytestream.h"
#include "base/lines.h"
#include "base/status.h"
#include "files/binaryform.h"  // writeBinary

namespace vx {

// Each line, then CR LF; nothing else (no end-of-file mark).
Status writeAscii(ByteSink& sink, const LineList& lines);

}  // namespace vx
