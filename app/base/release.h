#pragma once
// The two releases built from these sources: the current one and "Veltrix 2000".
// The older release's language and files are a subset of the current ones, so a
// release is a small table of what it allows, consulted where the language, the
// line reader and the window titles differ. Every caller that names no release
// gets the current one.
#include <cstddef>
#include <string_view>

namespace vx {

struct ReleaseProfile {
  std::string_view name;        // as `--release` spells it
  std::string_view title;       // what the programs' titles read
  std::string_view version;     // as the opening title shows it
  bool binaryFiles;             // a first byte 0x1A selects the binary form
  bool parametricGraphs;        // rectangular, cylindrical, spherical
  bool colorExpressions;        // a colour option := anything but a named colour
  bool gridFunctions;           // ceiling, floor, near, read3dtextfile
  bool vectorOptions;           // graph3d.vectoralign, graph3d.vectorarrowhead
  bool exponentNotation;        // 1.5e3
  bool continuedCommands;       // a command goes on while parentheses are open
  std::size_t maxLineLength;    // characters; one more refuses the text
};

inline constexpr ReleaseProfile kCurrentRelease = {
    "current", "Veltrix", "2001.11.09", true, true, true, true, true, true, true, 36863,
};
inline constexpr ReleaseProfile kRelease2000 = {
    "2000", "Veltrix 2000", "2000.03.13", false, false, false, false, false, false, false, 1535,
};

// The release a name picks ("current" or "2000"), or null.
const ReleaseProfile* findRelease(std::string_view name);

}  // namespace vx
