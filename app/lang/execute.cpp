// Running a graph text: reset the options, run the commands in line order, and
// let the last command decide what the status bar shows and what is drawn.
#include <string>

#include "base/fpu.h"
#include "base/host.h"
#include "lang/format.h"
#include "lang/nodes.h"
#include "lang/parser.h"

namespace vx {

namespace {

constexpr std::size_t kStatusTextLimit = 127;
constexpr const char* kSyntaxError = "Syntax error";

// What a parse must not leave behind when it fails: a failed command forgets its
// own use of `time` and the grid dimensions of any array it read.
struct ParseEffects {
  bool usesTime;
  bool gridFixed;
  std::int32_t gridDimensions[3];

  explicit ParseEffects(const LangState& state)
      : usesTime(state.usesTime),
        gridFixed(state.gridFixed),
        gridDimensions{state.gridDimensions[0], state.gridDimensions[1], state.gridDimensions[2]} {}
  void restore(LangState& state) const {
    state.usesTime = usesTime;
    state.gridFixed = gridFixed;
    for (int axis = 0; axis < 3; ++axis) state.gridDimensions[axis] = gridDimensions[axis];
  }
};

void clearGrid(LangState& state) {
  state.gridFixed = false;
  for (std::int32_t& dimension : state.gridDimensions) dimension = 0;
  state.dataValuesRead = 0;
}

// A command that is not the last: errors and graph commands pass silently,
// assignments and bare expressions run now.
void runEarlierCommand(LangState& state, ExprNode* command) {
  if (command == &kErrorNode || is(command, kGraphCommandOps)) return;
  evaluate(state, command);
}

ExecResult syntaxError() { return {ExecOutcome::SyntaxError, kSyntaxError, 0}; }

ExecResult runGraphCommand(LangState& state, GraphCommandNode* command, const SourceLine* firstLine) {
  if (!command->record->check(state, command->argument)) return syntaxError();
  std::string text(firstLine->view().substr(0, kStatusTextLimit));
  return {ExecOutcome::Graph, text, 0};
}

ExecResult runLastCommand(LangState& state, ExprNode* command, const SourceLine* firstLine) {
  if (command == &kErrorNode) return syntaxError();
  if (is(command, kGraphCommandOps)) return runGraphCommand(state, static_cast<GraphCommandNode*>(command), firstLine);
  long double value = evaluate(state, command);
  return {ExecOutcome::Value, FormatNumber(value), value};
}

}  // namespace

ExecResult executeGraphText(LangState& state, const LineList& lines) {
  reassertFloatingPointMode();
  if (lines.empty()) return {};
  clearGrid(state);
  resetOptions(state);
  state.usesTime = false;
  for (const SourceLine* line = lines.first(); line;) {
    if (state.host) state.cells[kTime].value = state.host->clockSeconds();
    ParseEffects before(state);
    const SourceLine* next = nullptr;
    ExprNode* command = parseCommand(state, line, &next);
    if (command == &kErrorNode) before.restore(state);
    if (!next) {
      ExecResult result = runLastCommand(state, command, line);
      release(state, command);
      return result;
    }
    runEarlierCommand(state, command);
    release(state, command);
    line = next;
  }
  return {};
}

const char kOpeningGraphText[] =
    "a := 1\n"
    "a.minimum := -2\n"
    "a.maximum := 2\n"
    "b := 1\n"
    "b.minimum := -2\n"
    "b.maximum := 2\n"
    "c := 1\n"
    "c.minimum := -2\n"
    "c.maximum := 2\n"
    "d := 1\n"
    "d.minimum := -2\n"
    "d.maximum := 2\n"
    "graph3d.box := false\n"
    "graph3d.mesh := true\n"
    "graph3d.view := standard\n"
    "graph3d.background := black\n"
    "graph3d.perspective := true\n"
    "graph3d.resolution := 21\n"
    "graph3d.highlight := 0\n"
    "graph3d.shading := 0\n"
    "graph3d.contrast := 1/2\n"
    "graph3d.transparency := 0\n"
    "graph3d.color := byheight\n"
    "graph3d.minimumx := -3\n"
    "graph3d.maximumx := 3\n"
    "graph3d.minimumy := -3\n"
    "graph3d.maximumy := 3\n"
    "graph3d.minimumz := -3\n"
    "graph3d.maximumz := 3\n"
    "graph3d(a*x^2+b*y^2+sin(c*time)=d*z^2)\n";
static_assert(sizeof(kOpeningGraphText) - 1 == 594, "the opening graph text is 594 bytes");

}  // namespace vx
