#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "lang/keywords.h"
#include "lang_fixture.h"

namespace vx::testing {
namespace {

const char* const kUnaryNames[kUnaryKindCount] = {
    "neg",  "fact",  "pct",   "abs",   "sqr",   "sqrt",  "ln",   "log",  "gamma", "ceiling",
    "floor", "sign", "one",   "nonneg", "sin",  "cos",   "tan",  "csc",  "sec",   "cot",
    "sinh", "cosh",  "tanh",  "csch",  "sech",  "coth",  "asinh", "acosh", "atanh", "acsch",
    "asech", "acoth", "asin", "acos",  "atan",  "acsc",  "asec", "acot"};
const char* const kBinaryNames[kBinaryKindCount] = {"+", "-", "*", "/", "rsub", "^", "beta", "angle", "&",
                                                    "theta"};
const char* const kRelationNames[kRelationKindCount] = {"<", "<=", "="};
const char* const kCallNames[kGraphCallKindCount] = {"vector", "rectangular", "cylindrical", "spherical", "near",
                                                     "near*"};

// A tree as a compact prefix text, e.g. (+ x 1).
std::string describe(const LangState& state, const ExprNode* n) {
  std::ostringstream out;
  if (is(n, kNumberOps)) {
    out << static_cast<const NumberNode*>(n)->value;
  } else if (is(n, kConstantOps)) {
    auto* c = static_cast<const ConstantNode*>(n);
    out << (c->keyword ? std::string(c->keyword->name) : "#" + std::to_string(c->value));
  } else if (is(n, kCellOps)) {
    for (const KeywordEntry& k : kKeywords)
      if (k.kind == kTokenCell && &state.cells[k.datum.cell] == asCell(n)) out << k.name;
  } else if (isDerived(n)) {
    out << static_cast<const DerivedNode*>(n)->keyword->name;
  } else if (is(n, kStringOps)) {
    out << '"' << static_cast<const StringNode*>(n)->text() << '"';
  } else if (isUnary(n)) {
    out << '(' << kUnaryNames[n->ops - kUnaryKinds] << ' '
        << describe(state, static_cast<const UnaryNode*>(n)->operand) << ')';
  } else if (isBinary(n) || isRelation(n)) {
    auto* b = static_cast<const BinaryNode*>(n);
    const char* name = isBinary(n) ? kBinaryNames[n->ops - kBinaryKinds] : kRelationNames[n->ops - kRelationKinds];
    out << '(' << name << ' ' << describe(state, b->left) << ' ' << describe(state, b->right) << ')';
  } else if (isGraphCall(n)) {
    auto* call = static_cast<const GraphCallNode*>(n);
    out << '(' << kCallNames[n->ops - kGraphCallKinds];
    for (std::uint32_t i = 0; i < call->count; ++i) out << ' ' << describe(state, call->args()[i]);
    out << ')';
  } else if (is(n, kListOps)) {
    out << "(list";
    for (auto* l = static_cast<const ListNode*>(n); l; l = l->next) out << ' ' << describe(state, l->item);
    out << ')';
  } else if (is(n, kAssignmentOps)) {
    auto* a = static_cast<const AssignmentNode*>(n);
    out << "(:= " << describe(state, a->cell) << ' ' << describe(state, a->expression) << ')';
  } else if (is(n, kGraphCommandOps)) {
    out << "(graph3d " << describe(state, static_cast<const GraphCommandNode*>(n)->argument) << ')';
  } else if (is(n, kDataGridOps)) {
    auto* g = static_cast<const DataGrid*>(n);
    out << "(grid " << g->n[0] << ' ' << g->n[1] << ' ' << g->n[2] << ')';
  } else if (is(n, kFlagsOps)) {
    out << "(flags " << static_cast<const FlagsNode*>(n)->status << ')';
  } else if (n == &kErrorNode) {
    out << "error";
  }
  return out.str();
}

class ParserTest : public LangTest {
 protected:
  std::string tree(std::string_view text) {
    ExprNode* node = parse(text);
    std::string out = describe(state, node);
    release(state, node);
    return out;
  }
  void TearDown() override { EXPECT_EQ(state.liveBlocks, 0u + countItems()); }
  std::size_t countItems() {
    // The graph items of an accepted command stay; everything else is released.
    std::size_t blocks = 0;
    for (GraphItem* item = state.graphItems; item; item = item->next) blocks += 1 + countNodes(item->tree);
    return blocks + countNodes(state.surfaceColorExpression) + countNodes(state.vectorColorExpression);
  }
  static std::size_t countNodes(const ExprNode* n) {
    if (!n || is(n, kCellOps) || is(n, kConstantOps) || isDerived(n) || n == &kErrorNode) return 0;
    if (isUnary(n)) return 1 + countNodes(static_cast<const UnaryNode*>(n)->operand);
    if (isBinary(n) || isRelation(n)) {
      auto* b = static_cast<const BinaryNode*>(n);
      return 1 + countNodes(b->left) + countNodes(b->right);
    }
    if (isGraphCall(n)) {
      auto* call = static_cast<const GraphCallNode*>(n);
      std::size_t total = 1;
      for (std::uint32_t i = 0; i < call->count; ++i) total += countNodes(call->args()[i]);
      return total;
    }
    return 1;
  }
};

struct TreeCase {
  const char* text;
  const char* tree;
};

TEST_F(ParserTest, TreesOfTheGrammar) {
  const TreeCase cases[] = {
      {"1+2*3-4", "(- (+ 1 (* 2 3)) 4)"},
      {"8/4/2", "(/ (/ 8 4) 2)"},
      {"a > b", "(< b a)"},
      {"a >= b", "(<= b a)"},
      {"a = b", "(= a b)"},
      {"x^2^3", "(^ x (^ 2 3))"},
      {"x^2!", "(^ x (fact 2))"},
      {"-x^2", "(neg (sqr x))"},
      {"x!^2", "(sqr (fact x))"},
      {"2^-1", "(^ 2 (neg 1))"},
      {"+x", "x"},
      {"x^(2)", "(sqr x)"},
      {"x^+2", "(sqr x)"},
      {"x^0.5", "(sqrt x)"},
      {"x^(4/2)", "(^ x (/ 4 2))"},
      {"x%!", "(fact (pct x))"},
      {"|x|", "(abs x)"},
      {"abs(x)", "(abs x)"},
      {"angle(x, y)", "(angle x y)"},
      {"near(1,2)", "(near 1 2)"},
      {"(x<1 & y<=2) & z<3", "(& (& (< x 1) (<= y 2)) (< z 3))"},
      {"sin((x<1))", "(sin (< x 1))"},
      {"a := (1,2)", "(:= a (list 1 2))"},
      {"(a) := 2", "(:= a 2)"},
      {"graph3d((x=1,y=1))", "(graph3d (list (= x 1) (= y 1)))"},
      {"E*2", "(* e 2)"},
      {"r+theta", "(+ r theta)"},
  };
  for (const TreeCase& c : cases) EXPECT_EQ(tree(c.text), c.tree) << c.text;
}

TEST_F(ParserTest, RefusedCommands) {
  const char* refused[] = {
      "3x",          "x y",       "sin(x<1)",   "x < y < z", "x=1 & y=1", "x>1 & y=1", "x & y<1",
      "x<1 & (y<1 & z<1)",        "a+1 := 2",   "1 := 2",    "a := 1 := 2", "(1,2",  "()",
      "sin x",       "beta(1)",   "near()",     "|x",        "x^",        "x!!(",      "graph3d(x=1, y=1)",
      "graph3d x=1", "graph3d(x=1) y", "x)",    "",          "   ",       "; only a comment",
      "sin(x, y)",   "2 +",        "read3dtextfile(x)", "read3dtextfile(\"none\")",
  };
  for (const char* text : refused) EXPECT_FALSE(parses(text)) << text;
}

TEST_F(ParserTest, AcceptedCommands) {
  const char* accepted[] = {"x := 2", "graph3d(x>1 & y>=1)", "graph3d( (x=1, y=1) )", "a := (1,2)",
                            "2*3+4",  "graph3d(vector(1))",  "--x",                  "x^-2^-1"};
  for (const char* text : accepted) EXPECT_TRUE(parses(text)) << text;
}

struct GraphCase {
  const char* text;
  bool accepted;
  // Relation, vector and parametric bytes of the items in chain order.
  std::vector<std::vector<int>> items;
};

TEST_F(ParserTest, GraphCommandCheck) {
  const GraphCase cases[] = {
      {"graph3d(x=1)", true, {{0x00, 0, 0}}},
      {"graph3d(x<1)", true, {{0x7F, 0, 0}}},
      {"graph3d(x>1)", true, {{0x7F, 0, 0}}},
      {"graph3d(x>=1)", true, {{0xFF, 0, 0}}},
      {"graph3d(x>1 & y>=1)", true, {{0x00, 0, 0}}},
      {"graph3d(vector(1))", true, {{0x00, 0xFF, 0}}},
      {"graph3d(rectangular(u,v))", true, {{0x00, 0, 0xFF}}},
      {"graph3d((x=1, y<1, vector(1,2,3)))", true, {{0x00, 0xFF, 0}, {0x7F, 0, 0}, {0x00, 0, 0}}},
      {"graph3d((cylindrical(u,v,1), spherical(1,u,v)))", true, {{0x7F, 0, 0xFF}, {0x7F, 0, 0xFF}}},
      {"graph3d(x^2+y^2)", false, {}},
      {"graph3d(near(0,0,0))", false, {}},
      {"graph3d(3)", false, {}},
      {"graph3d((rectangular(u,v,0), z=1))", false, {}},
      {"graph3d((z=1, rectangular(u,v,0)))", false, {}},
      {"graph3d(((x=1, y=1), z=1))", false, {}},
  };
  for (const GraphCase& c : cases) {
    ExecResult result = run(c.text);
    EXPECT_EQ(result.outcome == ExecOutcome::Graph, c.accepted) << c.text;
    if (!c.accepted) {
      EXPECT_EQ(result.status, "Syntax error");
      continue;
    }
    std::vector<std::vector<int>> items;
    for (GraphItem* item = state.graphItems; item; item = item->next)
      items.push_back({item->relation, item->vector, item->parametric});
    EXPECT_EQ(items, c.items) << c.text;
  }
}

TEST_F(ParserTest, GraphItemsAreChainedInReverse) {
  run("graph3d((x=1, y=2, z=3))");
  std::vector<std::string> trees;
  for (GraphItem* item = state.graphItems; item; item = item->next) trees.push_back(describe(state, item->tree));
  EXPECT_EQ(trees, (std::vector<std::string>{"(= z 3)", "(= y 2)", "(= x 1)"}));
}

TEST_F(ParserTest, NestingIsBounded) {
  // Deep enough to overflow any stack if it were followed; refused as a syntax error.
  EXPECT_EQ(run(std::string(36000, '(')).status, "Syntax error");
  EXPECT_EQ(run(std::string(36000, '-') + "x").status, "Syntax error");
  EXPECT_EQ(run(std::string(20000, '|')).status, "Syntax error");
  EXPECT_EQ(run("x" + std::string(30000, '!')).status, "Syntax error");
  std::string longSum = "1";
  for (int i = 0; i < 5000; ++i) longSum += "+1";
  EXPECT_EQ(run(longSum).status, "Syntax error");
  std::string power = "x";
  for (int i = 0; i < 5000; ++i) power += "^x";
  EXPECT_EQ(run(power).status, "Syntax error");
  // Well below the bound everything works.
  std::string fine = "1";
  for (int i = 0; i < 500; ++i) fine += "+1";
  EXPECT_EQ(run(fine).status, "501");
  EXPECT_EQ(run(std::string(400, '(') + "7" + std::string(400, ')')).status, "7");
  // A long list is not deep: its items are released one by one.
  std::string list = "a := (0";
  for (int i = 0; i < 10000; ++i) list += ",0";
  EXPECT_EQ(run(list + ")").outcome, ExecOutcome::Value);
}

// The deepest text of each shape goes through every recursive routine (parse,
// direct evaluation, folding, compilation, the interpreter on its scratch stack)
// to its known value, and one level more is refused. Inside graph3d(... = 1) the
// operand's sum and factor take two levels of nesting and the relation one level
// of height; a parenthesis takes two levels, a sign or a power exponent one.
TEST_F(ParserTest, DeepestAcceptedTextsRunEverywhereAndOneMoreIsRefused) {
  auto repeat = [](int n, const std::string& piece) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
  };
  struct Shape {
    const char* name;
    int deepest;
    std::function<std::string(int)> text;
    long double value;  // at x = 0.5
  } shapes[] = {
      {"parentheses", kMaxNesting / 2 - 1, [&](int n) { return repeat(n, "(") + "x" + repeat(n, ")"); }, 0.5L},
      {"signs", kMaxNesting - 2, [&](int n) { return repeat(n, "-") + "x"; }, kMaxNesting % 2 ? -0.5L : 0.5L},
      {"power tower", kMaxNesting - 2, [&](int n) { return "x" + repeat(n, "^x"); },
       0.641185744504985984486L},  // y = 0.5^y
      {"right-nested sums", kMaxNesting / 2 - 1,
       [&](int n) { return repeat(n, "x*x+(") + "x" + repeat(n, ")"); }, 0.25L * (kMaxNesting / 2 - 1) + 0.5L},
      {"long sum", kMaxTreeHeight - 2, [&](int n) { return "x" + repeat(n, "+x"); }, 0.5L * (kMaxTreeHeight - 1)},
  };
  state.cells[kX].flags = kInnerSweep;
  cell(kX) = 0.5;
  double point = 0.5;
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    EXPECT_FALSE(parses("graph3d(" + shape.text(shape.deepest + 1) + " = 1)"));
    ExprNode* tree = parse("graph3d(" + shape.text(shape.deepest) + " = 1)");
    ASSERT_NE(tree, &kErrorNode);
    ExprNode* relation = static_cast<GraphCommandNode*>(tree)->argument;
    const ExprNode* operand = static_cast<const BinaryNode*>(relation)->left;
    EXPECT_NEAR(evaluate(state, operand), shape.value, 1e-15L);

    ExprNode* folded = foldExpression(state, operand, Form::Value);
    CompiledCode* code = compileExpression(state, folded, Form::Value);
    EXPECT_NEAR(runValue(code, &point), shape.value, 1e-15L);
    releaseCode(state, code);
    release(state, folded);

    folded = foldExpression(state, relation, Form::Condition);
    code = compileExpression(state, folded, Form::Condition);
    EXPECT_EQ(runCondition(code, &point), compareStatus(1, shape.value));
    releaseCode(state, code);
    release(state, folded);
    release(state, tree);
  }
}

class DataArrayTest : public ParserTest {};

TEST_F(DataArrayTest, ReadsAndFixesTheGrid) {
  files["g"] = "2 3 2\n1 2,3 4\t5 6\r\n7 8 9 10 -11 .5e1";
  ExprNode* node = parse("a := read3dtextfile(\"g\")");
  ASSERT_EQ(describe(state, node), "(:= a (grid 2 3 2))");
  auto* grid = static_cast<DataGrid*>(static_cast<AssignmentNode*>(node)->expression);
  EXPECT_EQ(grid->values()[0], 1);
  EXPECT_EQ(grid->values()[10], -11);
  EXPECT_EQ(grid->values()[11], 5);
  EXPECT_TRUE(state.gridFixed);
  EXPECT_EQ(state.gridDimensions[1], 3);
  release(state, node);
}

TEST_F(DataArrayTest, RoundsSmallDimensionsUpTo2) {
  files["g"] = "0.4 2.5 -7  1 2 3 4 5 6 7 8";
  EXPECT_TRUE(parses("read3dtextfile(\"g\")"));
  EXPECT_EQ(state.gridDimensions[0], 2);
  EXPECT_EQ(state.gridDimensions[1], 2);  // 2.5 rounds to even
  EXPECT_EQ(state.gridDimensions[2], 2);
}

TEST_F(DataArrayTest, RefusedFiles) {
  const char* bad[] = {
      "2 2 2 1 2 3 4 5 6 7",            // a value missing
      "2 2 2 1 2 3 4 5 6 7 x",          // malformed
      "2 2 2 1 2 3 4 5 6 7 8e",         // malformed exponent
      ",2 2 2 1 2 3 4 5 6 7 8",         // comma before the first number
      "1e400 2 2 1",                    // infinite dimension
      "100000 100000 100000 1",         // beyond 32 bits
      "4096 4096 2 1",                  // beyond the value bound
      "3000 3000 1000 1 2 3",           // claims far more than it holds
      "2 2 2 1 2 3 4 5 6 7 "
      "1234567890123456789012345678901234567890123456789012345678901234567890",  // over 64 characters
      "",
  };
  for (const char* text : bad) {
    files["g"] = text;
    EXPECT_FALSE(parses("read3dtextfile(\"g\")")) << text;
    EXPECT_FALSE(state.gridFixed) << text;
  }
  EXPECT_FALSE(parses("read3dtextfile(\"missing\")"));
  state.host = nullptr;
  files["g"] = "2 2 2 1 2 3 4 5 6 7 8";
  EXPECT_FALSE(parses("read3dtextfile(\"g\")"));
}

TEST_F(DataArrayTest, LaterArraysMustMatchTheFirst) {
  files["a"] = "2 2 2 1 2 3 4 5 6 7 8";
  files["b"] = "2 2 3 1 2 3 4 5 6 7 8 9 10 11 12";
  files["c"] = "2.2 2 2 0 0 0 0 0 0 0 0";
  EXPECT_EQ(run("q := read3dtextfile(\"a\")\na := read3dtextfile(\"a\")\nb := read3dtextfile(\"c\")\n"
                "c := read3dtextfile(\"b\")")
                .status,
            "Syntax error");
  EXPECT_EQ(state.gridDimensions[2], 2);
  // A failed command forgets the array it read: the next execution starts afresh too.
  EXPECT_EQ(run("read3dtextfile(\"b\") +\ngraph3d(x = read3dtextfile(\"a\"))").outcome, ExecOutcome::Graph);
  EXPECT_EQ(state.gridDimensions[2], 2);
}

// The arrays one execution reads share one bound, whether their commands are
// kept or not: an array that reaches it is read, one past it fails like a
// missing file, and the next execution counts afresh.
TEST_F(DataArrayTest, ArraysOfOneExecutionShareABound) {
  files["g"] = "2 2 2 1 2 3 4 5 6 7 8";
  EXPECT_EQ(run("read3dtextfile(\"g\") +\nread3dtextfile(\"g\")").outcome, ExecOutcome::Value);
  EXPECT_EQ(state.dataValuesRead, 16u);  // the failed command's array counts too

  state.dataValuesRead = kMaxDataValuesPerExecution - 8;  // as if many arrays came before
  EXPECT_TRUE(parses("read3dtextfile(\"g\")"));
  EXPECT_EQ(state.dataValuesRead, kMaxDataValuesPerExecution);
  EXPECT_FALSE(parses("read3dtextfile(\"g\")"));
  EXPECT_EQ(state.dataValuesRead, kMaxDataValuesPerExecution);

  EXPECT_EQ(run("read3dtextfile(\"g\")").outcome, ExecOutcome::Value);
  EXPECT_EQ(state.dataValuesRead, 8u);
}

}  // namespace
}  // namespace vx::testing
