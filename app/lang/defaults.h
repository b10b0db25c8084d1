#pragma once
// Defaults.vlx: the graph file that lists every variable and option a release
// knows with the value it has before a graph file runs, one line each with what
// it means, and ends with a graph command. It is made from the option table, so
// it cannot drift from what the reset does.
#include <string>

#include "base/release.h"

namespace vx {

// The whole text, lines ended by line feeds.
std::string defaultsText(const ReleaseProfile& release);

}  // namespace vx
