#pragma once
// The public face of the graph language, as the renderer and the front ends use
// it: the value cells (variables and options), executing a graph text, the graph
// items that a valid graph command leaves, and folding, compiling and running the
// expressions of those items at grid points.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/lines.h"
#include "base/memory.h"
#include "base/release.h"

namespace vx {

struct NodeOps;
struct CompiledCode;   // stack-machine code of one folded expression
struct InnerTables;    // subexpressions of the inner sweep variable, tabulated

// Every variable and option, in the order in which they lie in the state.
enum CellId : int {
  kTime,
  kA, kAMinimum, kAMaximum,
  kB, kBMinimum, kBMaximum,
  kC, kCMinimum, kCMaximum,
  kD, kDMinimum, kDMaximum,
  kX, kY, kZ,
  kU, kMinimumU, kMaximumU, kStepsU,
  kV, kMinimumV, kMaximumV, kStepsV,
  kResolution,
  kTransparency, kTransparencyMinimum, kTransparencyMaximum,
  kShading, kShadingMinimum, kShadingMaximum,
  kHighlight, kHighlightMinimum, kHighlightMaximum,
  kContrast, kContrastMinimum, kContrastMaximum,
  kMesh, kBox, kPerspective, kView, kColor, kBackground,
  kMinimumX, kMinimumY, kMinimumZ,
  kMaximumX, kMaximumY, kMaximumZ,
  kVectorShading, kVectorShadingMinimum, kVectorShadingMaximum,
  kVectorHighlight, kVectorHighlightMinimum, kVectorHighlightMaximum,
  kVectorColor, kVectorAlign, kVectorArrowhead,
  kCellCount
};
static_assert(kCellCount == 58);

// Flag bits of a cell, set by the generators before they fold and compile.
inline constexpr std::uint8_t kInnerSweep = 0x01;  // read through the point pointer
inline constexpr std::uint8_t kVarying = 0x02;     // changes during sampling: never folded

// Values of the named constants that the options hold.
enum ViewPreset : int { kStandardView = 0, kTopView = 1, kFrontView = 2, kSideView = 3, kTextbookView = 4 };
enum ColorCode : int {
  kByHeight = 0, kBySteepness = 1, kByExpression = 2, kBlack = 3, kGray = 4, kWhite = 5,
  kBrown = 6, kRed = 7, kYellow = 8, kGreen = 9, kCyan = 10, kBlue = 11, kMagenta = 12
};

// The head of every expression tree node: its kind's operation table. The node
// kinds (nodes.h) derive from it; so do the value cells, which are leaves.
struct ExprNode {
  const NodeOps* ops;
};

// One variable or option: a static expression leaf of kind kCellOps.
struct ValueCell : ExprNode {
  ValueCell() : ExprNode{nullptr} {}
  double value = 0;
  std::uint8_t flags = 0;
};

// Relation byte of a graph item.
inline constexpr std::uint8_t kRelationEquation = 0x00;  // =, &, vector, parametric alone
inline constexpr std::uint8_t kRelationNonStrict = 0xFF; // <=, >=
inline constexpr std::uint8_t kRelationStrict = 0x7F;    // <, >, parametric inside a list

// What a valid graph command leaves: one item per graph, chained in the reverse
// of the written order (the last graph written comes first).
struct GraphItem {
  GraphItem* next = nullptr;
  ExprNode* tree = nullptr;   // the element's parse tree (owned by the LangState)
  std::uint8_t relation = 0;
  std::uint8_t vector = 0;      // 0xFF for a vector field
  std::uint8_t parametric = 0;  // 0xFF for rectangular, cylindrical, spherical
};

// What compiled code of `near` and of the data array read while a generator runs.
// Axis order is x, y, z. The generator publishes, before it runs a row, the bounds
// of the current cell along the two outer axes and the half step of the inner
// axis; the inner axis is the one whose cell carries kInnerSweep, and its
// coordinate comes through the point pointer.
struct SamplingContext {
  double nearLow[3] = {0, 0, 0};
  double nearHigh[3] = {0, 0, 0};
  double innerHalfStep = 0;
  double rangeMinimum[3] = {-3, -3, -3};  // sampling ranges, for the data-array lookup
  double rangeMaximum[3] = {3, 3, 3};
};

class Host;
class LangState;

// Asked by the graph command check once the new items are in graphItems: the
// front end (the Document) builds its render job here and refuses a graph it
// cannot draw (a grid too fine for memory), which then counts as an invalid
// graph command and leaves the previous items in place.
class GraphCommandCheck {
 public:
  virtual ~GraphCommandCheck() = default;
  virtual bool acceptGraphCommand(LangState& state) = 0;
};

class LangState {
 public:
  explicit LangState(Allocator& allocator);
  ~LangState();
  LangState(const LangState&) = delete;
  LangState& operator=(const LangState&) = delete;

  Allocator& allocator;
  ValueCell cells[kCellCount];
  double& value(CellId id) { return cells[id].value; }
  double value(CellId id) const { return cells[id].value; }

  // The remembered colour expressions (a named colour constant, or any expression).
  ExprNode* surfaceColorExpression = nullptr;
  ExprNode* vectorColorExpression = nullptr;

  // The graph items of the last valid graph command; replaced by the next one.
  GraphItem* graphItems = nullptr;
  bool graphUsesTime = false;  // usesTime as it stood when that command was accepted

  // Per-execution state.
  bool usesTime = false;
  bool gridFixed = false;       // a data array fixed the grid dimensions
  std::int32_t gridDimensions[3] = {0, 0, 0};
  std::uint64_t dataValuesRead = 0;  // by read3dtextfile, against kMaxDataValuesPerExecution

  SamplingContext sampling;
  // While folding: the tabulated subexpressions to read instead of computing them.
  const InnerTables* foldTables = nullptr;

  // What the text asks of the system: data files (read3dtextfile) and the clock
  // (time). None: every read3dtextfile fails and `time` keeps its value.
  Host* host = nullptr;
  // The graph file's folder, against which data-file names are resolved ("" is
  // the current folder).
  std::string folder;
  // None: every graph is accepted.
  GraphCommandCheck* graphCommandCheck = nullptr;
  // The language of this release: what it lacks is refused as a syntax error.
  const ReleaseProfile* releaseProfile = &kCurrentRelease;

  // Blocks (nodes, graph items, code) this state has taken from the allocator
  // and not yet given back: 0 once everything it made has been released.
  std::size_t liveBlocks = 0;
};

enum class ExecOutcome { Empty, SyntaxError, Graph, Value };

struct ExecResult {
  ExecOutcome outcome = ExecOutcome::Empty;
  std::string status;   // what status-bar part 0 shows (at most 127 characters)
  long double value = 0;  // for ExecOutcome::Value
};

// Resets the options, runs every command in line order and handles the last one.
// The host's clock is read before every command to set `time`.
ExecResult executeGraphText(LangState& state, const LineList& lines);

// Resets every cell but `time` to its default and the colour expressions to
// byheight and black.
void resetOptions(LangState& state);

// The value a cell takes at every reset (undefined for x, y, z; 0 for `time`,
// which the reset leaves alone).
double optionDefault(CellId id);

enum class Form : std::uint8_t { Condition, Value };

// Direct (interpretive) evaluation from the current cell values.
long double evaluate(LangState& state, const ExprNode* tree);

// A new tree in which every constant subtree is a number (value form) or a
// comparison-flags node (condition form); the input tree is unchanged.
ExprNode* foldExpression(LangState& state, const ExprNode* tree, Form form);
void releaseExpression(LangState& state, ExprNode* tree);

// A grid coordinate takes only a few distinct values per redraw. With the cells
// flagged as for folding (the inner sweep variable kInnerSweep, the other varying
// axes kVarying), this computes every subexpression of `tree` that depends on the
// inner variable alone (with constants and unflagged cells) once per coordinate
// of `sweep`, in extended precision, exactly as compiled code would. Null when
// nothing is worth a table. The tables live until released.
InnerTables* tabulateInnerSubexpressions(LangState& state, const ExprNode* tree, const double* sweep,
                                         std::uint32_t count);
void releaseInnerTables(LangState& state, InnerTables* tables);
// Folds as foldExpression does, reading tabulated subexpressions from `tables`
// (may be null). Code compiled from the result runs only with a point into the
// tables' sweep, and gives bit for bit what the untabulated code gives there.
ExprNode* foldExpression(LangState& state, const ExprNode* tree, Form form, const InnerTables* tables);

CompiledCode* compileExpression(LangState& state, const ExprNode* folded, Form form);
void releaseCode(LangState& state, CompiledCode* code);

// Running compiled code. `point` is the innermost sweep variable's value.
long double runValue(const CompiledCode* code, const double* point);
// The condition status word: 0x0100 right < left or unordered, 0x4000 equal or
// unordered, 0x0400 unordered; OR-ed over the operands of &.
std::uint16_t runCondition(const CompiledCode* code, const double* point);
// runCondition at each of `count` consecutive points from `points`, into
// `statuses`: in one native call where the code's shape has a row function.
void runConditionRow(const CompiledCode* code, const double* points, std::uint32_t count, std::uint16_t* statuses);
// Graph calls (vector, rectangular, cylindrical, spherical) leave three values.
void runTriple(const CompiledCode* code, const double* point, long double out[3]);

inline constexpr std::uint16_t kStatusLess = 0x0100;
inline constexpr std::uint16_t kStatusUnordered = 0x0400;
inline constexpr std::uint16_t kStatusEqual = 0x4000;

// The condition bit of a grid sample: set where the relation is false or undefined.
inline bool conditionBit(std::uint16_t status, std::uint8_t relation) {
  return relation == kRelationStrict ? (status & (kStatusLess | kStatusEqual)) != 0
                                     : (status & kStatusLess) != 0;
}

// The built-in opening graph text (its lines separated by line feeds).
extern const char kOpeningGraphText[];

}  // namespace vx
