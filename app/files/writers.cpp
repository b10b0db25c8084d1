#include "files/writers.h"

namespace vx {

Status writeAscii(ByteSink& sink, const LineList& lines) {
  static constexpr char kLineEnd[] = {'\r', '\n'};
  for (const SourceLine* line = lines.first(); line; line = line->next) {
    if (Status status = sink.write(line->text(), line->length); failed(status)) return status;
    if (Status status = sink.write(kLineEnd, sizeof(kLineEnd)); failed(status)) return status;
  }
  return kOk;
}

}  // namespace vx
