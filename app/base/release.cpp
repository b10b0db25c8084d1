#include "base/release.h"

#include <initializer_list>

#include "base/limits.h"

namespace vx {

static_assert(kCurrentRelease.maxLineLength == kMaxLineLength, "the current release uses the whole line buffer");
static_assert(kRelease2000.maxLineLength < kMaxLineLength, "an older release's lines fit the line buffer");

const ReleaseProfile* findRelease(std::string_view name) {
  for (const ReleaseProfile* release : {&kCurrentRelease, &kRelease2000})
    if (release->name == name) return release;
  return nullptr;
}

}  // namespace vx
