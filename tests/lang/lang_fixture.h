#pragma once
// Shared set-up of the language tests: a fresh state over its own allocator, and
// texts given with LF line ends.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/memoryhost.h"
#include "lang/lang.h"
#include "lang/nodes.h"
#include "lang/parser.h"

namespace vx::testing {

class LangTest : public ::testing::Test {
 protected:
  Allocator allocator;
  LangState state{allocator};
  MemoryHost host;
  std::map<std::string, std::string>& files = host.files;

  LangTest() { state.host = &host; }

  ExecResult run(std::string_view text, double clock = 0) {
    LineList lines = LineList::fromText(text);
    host.clock = clock;
    return executeGraphText(state, lines);
  }

  // Parses one single-line command; the caller releases the result.
  ExprNode* parse(std::string_view text) {
    LineList lines = LineList::fromText(text);
    return parseCommand(state, lines.first(), nullptr);
  }

  bool parses(std::string_view text) {
    ExprNode* node = parse(text);
    bool ok = node != &kErrorNode;
    release(state, node);
    return ok;
  }

  double& cell(CellId id) { return state.cells[id].value; }
};

}  // namespace vx::testing
