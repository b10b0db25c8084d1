#pragma once
// The data files of read3dtextfile: three dimensions, then the values, x fastest.
#include <cstdint>
#include <string_view>

#include "base/limits.h"  // kMaxDataValues, kMaxDataNumberLength, kMaxDataFileBytes
#include "lang/nodes.h"

namespace vx {

// Reads the data file `name` (resolved against the state's folder) through the
// state's host and makes a grid of it; null when there is no host or the read
// fails, a number is malformed, values are missing, the size is beyond the
// bounds, or the dimensions differ from those fixed by an earlier array of the
// same execution. The first array fixes them. The values of all arrays one
// execution reads count together against kMaxDataValuesPerExecution; an array
// past that bound fails like a missing file.
DataGrid* readDataGrid(LangState& state, std::string_view name);

// The grid that `text` describes, without touching the state's fixed dimensions;
// null on any fault listed above, or when it has more than `maxValues` values
// (refused before any value is read).
DataGrid* parseDataGrid(LangState& state, std::string_view text, std::uint64_t maxValues = kMaxDataValues);

}  // namespace vx
