#include "lang/parser.h"

#include <algorithm>
#include <vector>

#include "lang/datafile.h"
#include "lang/keywords.h"
#include "lang/lexer.h"

namespace vx {

namespace {

// A parsed subtree and its height; a null node means the command failed (and
// everything built for it has been released).
struct Parsed {
  ExprNode* node = nullptr;
  int height = 0;
  explicit operator bool() const { return node != nullptr; }
};

// The relational operators: their kinds, and whether the sides are turned round
// (a > b is stored as b < a, a >= b as b <= a).
struct RelationalOperator {
  TokenKind token;
  RelationKind kind;
  bool swapped;
};
constexpr RelationalOperator kRelationalOperators[] = {
    {kTokenLess, kLess, false},
    {kTokenLessEqual, kLessEqual, false},
    {kTokenEqual, kEqual, false},
    {kTokenGreater, kLess, true},
    {kTokenGreaterEqual, kLessEqual, true},
};

// The left-associative binary operators of sums and terms.
struct ChainOperator {
  TokenKind token;
  BinaryKind kind;
};
constexpr ChainOperator kSumOperators[] = {{kTokenPlus, kAdd}, {kTokenMinus, kSubtract}};
constexpr ChainOperator kTermOperators[] = {{kTokenTimes, kMultiply}, {kTokenDivide, kDivide}};

// Postfix operators of a factor (the power is handled apart: it ends the factor).
struct PostfixOperator {
  TokenKind token;
  UnaryKind kind;
};
constexpr PostfixOperator kPostfixOperators[] = {{kTokenFactorial, kFactorial}, {kTokenPercent, kPercent}};

template <class Table>
const auto* findOperator(const Table& table, TokenKind token) {
  for (const auto& entry : table)
    if (entry.token == token) return &entry;
  return static_cast<decltype(&table[0])>(nullptr);
}

class Parser {
 public:
  Parser(LangState& state, const SourceLine* line) : state_(state), lexer_(state, line) { advance(); }
  ~Parser() { discardToken(); }

  ExprNode* command();
  const SourceLine* nextLine() const { return lexer_.nextLine(); }

 private:
  Parsed region();
  Parsed relation();
  Parsed chain(const ChainOperator* begin, const ChainOperator* end, Parsed (Parser::*operand)());
  Parsed sum();
  Parsed term();
  Parsed factor();
  Parsed postfix(Parsed operand);
  Parsed power(Parsed base);
  Parsed primary();
  Parsed functionCall1(const NodeOps* kind);
  Parsed functionCall2(const NodeOps* kind);
  Parsed graphFunctionCall(const NodeOps* kind);
  Parsed parenthesised();
  Parsed bars();
  Parsed dataArray();

  // A release without colour expressions takes only a named colour for a colour option.
  bool colorAssignmentInRelease(const ValueCell* cell, const ExprNode* value) const {
    const bool colorOption = cell == &state_.cells[kColor] || cell == &state_.cells[kVectorColor];
    return state_.releaseProfile->colorExpressions || !colorOption || isColorConstant(value);
  }

  void advance() { token_ = lexer_.next(); }
  bool accept(TokenKind kind) {
    if (token_.kind != kind) return false;
    advance();
    return true;
  }
  // Number and string tokens carry a node that is ours until a tree takes it.
  ExprNode* takeNode() {
    ExprNode* node = token_.node;
    token_.node = nullptr;
    advance();
    return node;
  }
  void discardToken() {
    if (token_.kind == kTokenNumber || token_.kind == kTokenString) release(state_, token_.node);
    token_.node = nullptr;
  }
  Parsed fail(std::initializer_list<ExprNode*> built = {}) {
    for (ExprNode* node : built) release(state_, node);
    return {};
  }
  ExprNode* refuse(std::initializer_list<ExprNode*> built) {
    fail(built);
    return &kErrorNode;
  }
  // A new node of height 1 + the tallest operand, unless that is too tall.
  Parsed node(ExprNode* made, int operandHeight) {
    if (operandHeight + 1 > kMaxTreeHeight) return fail({made});
    return {made, operandHeight + 1};
  }
  Parsed unary(const NodeOps* kind, Parsed operand) {
    return node(makeUnary(state_, kind, operand.node), operand.height);
  }
  Parsed binary(const NodeOps* kind, Parsed left, Parsed right) {
    return node(makeBinary(state_, kind, left.node, right.node), std::max(left.height, right.height));
  }

  // Counts one level of nesting for as long as it lives.
  class Nesting {
   public:
    explicit Nesting(Parser& parser) : parser_(parser) { ++parser_.nesting_; }
    ~Nesting() { --parser_.nesting_; }
    bool tooDeep() const { return parser_.nesting_ > kMaxNesting; }

   private:
    Parser& parser_;
  };

  LangState& state_;
  Lexer lexer_;
  Token token_;
  int nesting_ = 0;
};

// command: 'graph3d' '(' region ')' END
//        | region ':=' region END      (the left region a single cell)
//        | region END
ExprNode* Parser::command() {
  if (token_.kind == kTokenGraph3d) {
    const GraphCommandRecord* record = token_.record;
    advance();
    if (!accept(kTokenOpen)) return &kErrorNode;
    Parsed argument = region();
    if (!argument) return &kErrorNode;
    if (!accept(kTokenClose) || token_.kind != kTokenEnd) return refuse({argument.node});
    return makeGraphCommand(state_, record, argument.node);
  }
  Parsed left = region();
  if (!left) return &kErrorNode;
  if (accept(kTokenAssign)) {
    if (!is(left.node, kCellOps)) return refuse({left.node});
    Parsed right = region();
    if (!right) return &kErrorNode;
    if (token_.kind != kTokenEnd) return refuse({right.node});
    if (!colorAssignmentInRelease(asCell(left.node), right.node)) return refuse({right.node});
    return makeAssignment(state_, asCell(left.node), right.node);
  }
  if (token_.kind != kTokenEnd) return refuse({left.node});
  return left.node;
}

// region: relation { '&' relation }
// Both operands of & are inequalities; the left one may also be an earlier &.
Parsed Parser::region() {
  Parsed left = relation();
  while (left && token_.kind == kTokenAnd) {
    if (!isInequality(left.node) && !isBinaryKind(left.node, kIntersect)) return fail({left.node});
    advance();
    Parsed right = relation();
    if (!right) return fail({left.node});
    if (!isInequality(right.node)) return fail({left.node, right.node});
    left = binary(&kBinaryKinds[kIntersect], left, right);
  }
  return left;
}

// relation: sum [ ('<' | '<=' | '=' | '>' | '>=') sum ]
Parsed Parser::relation() {
  Parsed left = sum();
  if (!left) return left;
  const RelationalOperator* op = findOperator(kRelationalOperators, token_.kind);
  if (!op) return left;
  advance();
  Parsed right = sum();
  if (!right) return fail({left.node});
  if (op->swapped) std::swap(left, right);
  return binary(&kRelationKinds[op->kind], left, right);
}

// Left-associative chains: operand { op operand }.
Parsed Parser::chain(const ChainOperator* begin, const ChainOperator* end, Parsed (Parser::*operand)()) {
  Parsed left = (this->*operand)();
  while (left) {
    const ChainOperator* op = std::find_if(begin, end, [&](const ChainOperator& o) { return o.token == token_.kind; });
    if (op == end) break;
    advance();
    Parsed right = (this->*operand)();
    if (!right) return fail({left.node});
    left = binary(&kBinaryKinds[op->kind], left, right);
  }
  return left;
}

// sum: term { ('+' | '-') term }
Parsed Parser::sum() {
  Nesting nesting(*this);
  if (nesting.tooDeep()) return fail();
  return chain(std::begin(kSumOperators), std::end(kSumOperators), &Parser::term);
}

// term: factor { ('*' | '/') factor }
Parsed Parser::term() { return chain(std::begin(kTermOperators), std::end(kTermOperators), &Parser::factor); }

// factor: '+' factor | '-' factor | primary { '!' | '%' } [ '^' factor ]
Parsed Parser::factor() {
  Nesting nesting(*this);
  if (nesting.tooDeep()) return fail();
  if (accept(kTokenPlus)) return factor();
  if (accept(kTokenMinus)) {
    Parsed operand = factor();
    if (!operand) return operand;
    return unary(&kUnaryKinds[kNegate], operand);
  }
  Parsed base = primary();
  if (!base) return base;
  return postfix(base);
}

// postfix: { '!' | '%' } [ '^' factor ]   (after a primary)
Parsed Parser::postfix(Parsed operand) {
  while (operand) {
    if (const PostfixOperator* op = findOperator(kPostfixOperators, token_.kind)) {
      advance();
      operand = unary(&kUnaryKinds[op->kind], operand);
      continue;
    }
    if (token_.kind == kTokenPower) return power(operand);
    break;
  }
  return operand;
}

// power: '^' factor
// The exponent is a whole factor; nothing follows a power. A literal exponent 2
// makes a sqr node and 0.5 a sqrt node.
Parsed Parser::power(Parsed base) {
  advance();
  Parsed exponent = factor();
  if (!exponent) return fail({base.node});
  if (is(exponent.node, kNumberOps)) {
    double e = static_cast<NumberNode*>(exponent.node)->value;
    if (e == 2 || e == 0.5) {
      release(state_, exponent.node);
      return unary(&kUnaryKinds[e == 2 ? kSqr : kSqrt], base);
    }
  }
  return binary(&kBinaryKinds[kPower], base, exponent);
}

// primary: NUMBER | CELL | CONSTANT | DERIVED | STRING
//        | FUNCTION1 '(' sum ')' | FUNCTION2 '(' sum ',' sum ')'
//        | GRAPHFUNCTION '(' sum { ',' sum } ')'
//        | '(' region { ',' region } ')' | '|' sum '|'
Parsed Parser::primary() {
  switch (token_.kind) {
    case kTokenNumber:
    case kTokenString: return {takeNode(), 1};
    case kTokenConstant:
    case kTokenDerived: return {takeNode(), 1};
    case kTokenCell: {
      ExprNode* cell = token_.cell;
      advance();
      return {cell, 1};
    }
    case kTokenFunction1: {
      const NodeOps* kind = token_.ops;
      advance();
      return kind == &kDataGridOps ? dataArray() : functionCall1(kind);
    }
    case kTokenFunction2: {
      const NodeOps* kind = token_.ops;
      advance();
      return functionCall2(kind);
    }
    case kTokenGraphFunction: {
      const NodeOps* kind = token_.ops;
      advance();
      return graphFunctionCall(kind);
    }
    case kTokenOpen: advance(); return parenthesised();
    case kTokenBar: advance(); return bars();
    default: return fail();
  }
}

// FUNCTION1 '(' sum ')'
Parsed Parser::functionCall1(const NodeOps* kind) {
  if (!accept(kTokenOpen)) return fail();
  Parsed argument = sum();
  if (!argument) return argument;
  if (!accept(kTokenClose)) return fail({argument.node});
  return unary(kind, argument);
}

// FUNCTION2 '(' sum ',' sum ')'
Parsed Parser::functionCall2(const NodeOps* kind) {
  if (!accept(kTokenOpen)) return fail();
  Parsed left = sum();
  if (!left) return left;
  if (!accept(kTokenComma)) return fail({left.node});
  Parsed right = sum();
  if (!right) return fail({left.node});
  if (!accept(kTokenClose)) return fail({left.node, right.node});
  return binary(kind, left, right);
}

// GRAPHFUNCTION '(' sum { ',' sum } ')'
Parsed Parser::graphFunctionCall(const NodeOps* kind) {
  if (!accept(kTokenOpen)) return fail();
  std::vector<ExprNode*> args;
  int height = 0;
  auto failAll = [&] {
    for (ExprNode* arg : args) release(state_, arg);
    return fail();
  };
  do {
    Parsed arg = sum();
    if (!arg) return failAll();
    args.push_back(arg.node);
    height = std::max(height, arg.height);
  } while (accept(kTokenComma));
  if (!accept(kTokenClose)) return failAll();
  GraphCallNode* call = makeGraphCall(state_, kind, static_cast<std::uint32_t>(args.size()));
  std::copy(args.begin(), args.end(), call->args());
  return node(call, height);
}

// After '(': region ')' is the region itself; region ',' region { ',' region } ')' a list.
Parsed Parser::parenthesised() {
  Parsed first = region();
  if (!first) return first;
  if (accept(kTokenClose)) return first;
  if (token_.kind != kTokenComma) return fail({first.node});
  ListNode* head = makeList(state_, first.node);
  ListNode* tail = head;
  int height = first.height;
  while (accept(kTokenComma)) {
    Parsed item = region();
    if (!item) return fail({head});
    tail = tail->next = makeList(state_, item.node);
    height = std::max(height, item.height);
  }
  if (!accept(kTokenClose)) return fail({head});
  return node(head, height);
}

// After '|': sum '|'
Parsed Parser::bars() {
  Parsed operand = sum();
  if (!operand) return operand;
  if (!accept(kTokenBar)) return fail({operand.node});
  return unary(&kUnaryKinds[kAbs], operand);
}

// 'read3dtextfile' '(' STRING ')': the file is read now, while parsing.
Parsed Parser::dataArray() {
  if (!accept(kTokenOpen)) return fail();
  Parsed argument = sum();
  if (!argument) return argument;
  if (!accept(kTokenClose) || !is(argument.node, kStringOps)) return fail({argument.node});
  auto* name = static_cast<StringNode*>(argument.node);
  DataGrid* grid = readDataGrid(state_, {name->text(), name->length});
  release(state_, argument.node);
  if (!grid) return fail();
  return {grid, 1};
}

// ---- The graph command check ----------------------------------------------------

bool isSingleGraph(const ExprNode* n) {
  return isRelation(n) || isBinaryKind(n, kIntersect) || isGraphCallKind(n, kVector) || isParametricCall(n);
}

std::uint8_t relationByte(const ExprNode* n, bool inList) {
  if (isRelationKind(n, kLessEqual)) return kRelationNonStrict;
  if (isRelationKind(n, kLess)) return kRelationStrict;
  if (inList && isParametricCall(n)) return kRelationStrict;
  return kRelationEquation;
}

GraphItem* makeItem(LangState& state, ExprNode* tree, bool inList, GraphItem* next) {
  auto* item = static_cast<GraphItem*>(allocateNode(state, sizeof(GraphItem)));
  *item = GraphItem{};
  item->next = next;
  item->tree = tree;
  item->relation = relationByte(tree, inList);
  item->vector = isGraphCallKind(tree, kVector) ? 0xFF : 0;
  item->parametric = isParametricCall(tree) ? 0xFF : 0;
  return item;
}

bool listIsGraphable(const ListNode* list) {
  bool parametric = isParametricCall(list->item);
  for (const ListNode* link = list; link; link = link->next) {
    const ExprNode* item = link->item;
    bool ok = parametric ? isParametricCall(item) : (isSingleGraph(item) && !isParametricCall(item));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

ExprNode* parseCommand(LangState& state, const SourceLine* line, const SourceLine** nextLine) {
  Parser parser(state, line);
  ExprNode* result = parser.command();
  if (nextLine) *nextLine = parser.nextLine();
  return result;
}

bool checkGraphCommand(LangState& state, ExprNode*& argument) {
  GraphItem* items = nullptr;
  if (is(argument, kListOps)) {
    auto* list = static_cast<ListNode*>(argument);
    if (!listIsGraphable(list)) return false;
    // The items chain in reverse: the last element written comes first.
    for (ListNode* link = list; link;) {
      ListNode* next = link->next;
      items = makeItem(state, link->item, true, items);
      releaseBlock(state, link, sizeof(ListNode));
      link = next;
    }
  } else {
    if (!isSingleGraph(argument)) return false;
    items = makeItem(state, argument, false, nullptr);
  }
  argument = nullptr;
  GraphItem* previous = state.graphItems;
  const bool previousUsesTime = state.graphUsesTime;
  state.graphItems = items;
  state.graphUsesTime = state.usesTime;
  const bool accepted = !state.graphCommandCheck || state.graphCommandCheck->acceptGraphCommand(state);
  // Release whichever chain lost: the refused new one, or the replaced old one.
  if (accepted) {
    state.graphItems = previous;
  } else {
    state.graphUsesTime = previousUsesTime;
  }
  releaseGraphItems(state);
  state.graphItems = accepted ? items : previous;
  return accepted;
}

const GraphCommandRecord kGraphCommandRecord = {checkGraphCommand, 1};

}  // namespace vx
