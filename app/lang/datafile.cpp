#include "lang/datafile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/paths.h"
#include "lang/mathlib.h"

namespace vx {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isSeparator(char c) { return isBlank(c) || c == ','; }

// Reads the numbers of a data file one by one. Numbers have the literal syntax
// of the language with an optional leading '-', and are separated by blanks,
// line ends or commas; nothing but blanks may stand before the first one.
class NumberReader {
 public:
  explicit NumberReader(std::string_view text) : text_(text) {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
  }

  bool next(double& value) {
    std::size_t start = pos_;
    while (pos_ < text_.size() && !isSeparator(text_[pos_])) ++pos_;
    std::string_view token = text_.substr(start, pos_ - start);
    while (pos_ < text_.size() && isSeparator(text_[pos_])) ++pos_;
    bool negative = !token.empty() && token.front() == '-';
    if (negative) token.remove_prefix(1);
    if (token.empty() || token.size() > kMaxDataNumberLength) return false;
    if (parseNumberLiteral(token.data(), token.size(), &value) != token.size()) return false;
    if (negative) value = -value;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// A dimension: rounded to an integer, at least 2; false when it has no sensible size.
bool readDimension(NumberReader& reader, std::int32_t& dimension) {
  double value = 0;
  if (!reader.next(value) || !std::isfinite(value)) return false;
  double rounded = std::nearbyint(value);
  if (rounded > kMaxDataValues) return false;
  dimension = rounded < 2 ? 2 : static_cast<std::int32_t>(rounded);
  return true;
}

}  // namespace

DataGrid* parseDataGrid(LangState& state, std::string_view text, std::uint64_t maxValues) {
  NumberReader reader(text);
  std::int32_t n[3];
  for (std::int32_t& dimension : n)
    if (!readDimension(reader, dimension)) return nullptr;
  const std::uint64_t count = saturatingProduct(n[0], n[1], n[2]);
  if (count > kMaxDataValues || count > maxValues) return nullptr;
  // Values are gathered before the grid is made, so a file that claims more
  // values than it holds never makes us allocate for them.
  std::vector<float> values;
  for (std::uint64_t i = 0; i < count; ++i) {
    double value = 0;
    if (!reader.next(value)) return nullptr;
    values.push_back(static_cast<float>(value));
  }
  DataGrid* grid = makeDataGrid(state, n);
  std::copy(values.begin(), values.end(), grid->values());
  return grid;
}

DataGrid* readDataGrid(LangState& state, std::string_view name) {
  if (!state.host || name.empty()) return nullptr;
  std::string contents;
  const std::string path = resolveAgainstFolder(state.folder, name);
  if (failed(state.host->readFile(path, kMaxDataFileBytes, contents))) return nullptr;
  // Every array read counts, kept or not: the bound is on what one text can make
  // the program read and hold.
  const std::uint64_t budget = kMaxDataValuesPerExecution - std::min(state.dataValuesRead, kMaxDataValuesPerExecution);
  DataGrid* grid = parseDataGrid(state, contents, budget);
  if (!grid) return nullptr;
  state.dataValuesRead += saturatingProduct(grid->n[0], grid->n[1], grid->n[2]);
  if (state.gridFixed) {
    for (int axis = 0; axis < 3; ++axis) {
      if (grid->n[axis] != state.gridDimensions[axis]) {
        release(state, grid);
        return nullptr;
      }
    }
    return grid;
  }
  state.gridFixed = true;
  for (int axis = 0; axis < 3; ++axis) state.gridDimensions[axis] = grid->n[axis];
  return grid;
}

}  // namespace vx
