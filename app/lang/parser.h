#pragma once
// The parser: turns the tokens of one command into a tree. It builds nodes
// through the node constructors and never writes instructions itself.
#include <cstdint>

#include "base/limits.h"  // kMaxNesting, kMaxTreeHeight
#include "lang/nodes.h"

namespace vx {

// Parses one command starting at `line` and returns an assignment, a graph
// command, a bare expression or the error node. `nextLine` receives the first
// line after the command (lines it continued onto are consumed).
ExprNode* parseCommand(LangState& state, const SourceLine* line, const SourceLine** nextLine);

// The graph command check: validates the argument and replaces the state's
// graph items. On success it takes the argument over (sets it to null).
bool checkGraphCommand(LangState& state, ExprNode*& argument);

}  // namespace vx
