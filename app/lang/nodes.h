#pragma once
// Expression nodes and their kinds. Every node starts with a link to its kind's
// operation table (NodeOps); kinds are told apart by the identity of that table,
// so a node's kind test is one pointer comparison. Nodes come from the state's
// Allocator and go back to it on release; static leaves (cells, named constants,
// derived variables, the error node) are never released.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "lang/lang.h"
#include "lang/mathlib.h"

namespace vx {

using real = math::real;
class CodeBuilder;
struct KeywordEntry;

using UnaryRoutine = real (*)(real);
using BinaryRoutine = real (*)(real, real);
using TripleRoutine = void (*)(real, real, real, real out[3]);

// The routine that computes a function kind on values already evaluated: `unary`
// for the unary kinds, `binary` for the binary kinds and relations, `triple` for
// the graph calls; the member of the kind's shape is the one set.
union Routine {
  UnaryRoutine unary;
  BinaryRoutine binary;
  TripleRoutine triple;
  constexpr Routine() : unary(nullptr) {}
  constexpr Routine(UnaryRoutine f) : unary(f) {}
  constexpr Routine(BinaryRoutine f) : binary(f) {}
  constexpr Routine(TripleRoutine f) : triple(f) {}
};

struct NodeOps {
  void (*release)(LangState& state, ExprNode* node);
  real (*evaluate)(LangState& state, const ExprNode* node);
  ExprNode* (*foldCondition)(LangState& state, const ExprNode* node);
  ExprNode* (*foldValue)(LangState& state, const ExprNode* node);
  void (*emitCondition)(CodeBuilder& builder, const ExprNode* node);
  void (*emitValue)(CodeBuilder& builder, const ExprNode* node);
  Routine routine;
};

struct NumberNode : ExprNode {
  double value;
};

struct ConstantNode : ExprNode {
  const KeywordEntry* keyword;  // null for the unnamed "by expression" colour
  double value;
};

struct DerivedNode : ExprNode {
  const KeywordEntry* keyword;
};

// Followed by `length` characters and a zero byte.
struct StringNode : ExprNode {
  std::uint32_t length;
  const char* text() const { return reinterpret_cast<const char*>(this + 1); }
  char* text() { return reinterpret_cast<char*>(this + 1); }
};

struct UnaryNode : ExprNode {
  ExprNode* operand;
};

// Binary operators, two-argument functions, & and the relations.
struct BinaryNode : ExprNode {
  ExprNode* left;
  ExprNode* right;
};

// Followed by `count` argument links.
struct GraphCallNode : ExprNode {
  std::uint32_t count;
  ExprNode* const* args() const { return reinterpret_cast<ExprNode* const*>(this + 1); }
  ExprNode** args() { return reinterpret_cast<ExprNode**>(this + 1); }
};

struct ListNode : ExprNode {
  ListNode* next;
  ExprNode* item;
};

struct AssignmentNode : ExprNode {
  ValueCell* cell;
  ExprNode* expression;
};

// What the keyword `graph3d` stands for: the check that validates the argument
// and builds the graph items. On success the check takes the argument over.
struct GraphCommandRecord {
  bool (*check)(LangState& state, ExprNode*& argument);
  std::uint32_t count;
};

struct GraphCommandNode : ExprNode {
  const GraphCommandRecord* record;
  ExprNode* argument;
};

// The array read by read3dtextfile, shared by reference count between the parse
// tree and the folded trees made from it. Followed by n[0]*n[1]*n[2] floats,
// x fastest, then y, then z.
struct DataGrid : ExprNode {
  std::uint32_t references;
  std::int32_t n[3];
  std::int32_t last[3];  // n - 1
  std::uint32_t count() const {
    return static_cast<std::uint32_t>(n[0]) * static_cast<std::uint32_t>(n[1]) * static_cast<std::uint32_t>(n[2]);
  }
  const float* values() const { return reinterpret_cast<const float*>(this + 1); }
  float* values() { return reinterpret_cast<float*>(this + 1); }
};

// A relation between constants after condition-form folding: its status word.
struct FlagsNode : ExprNode {
  std::uint16_t status;
};

// A subexpression of the inner sweep variable alone, read from the table that
// holds its value at every inner grid point (filled once per redraw).
struct TableNode : ExprNode {
  const real* values;   // one entry per inner grid point
  const double* sweep;  // the inner coordinates the entries follow
};

// ---- The kinds ----------------------------------------------------------------

enum UnaryKind : int {
  kNegate, kFactorial, kPercent, kAbs, kSqr, kSqrt, kLn, kLog,
  kGamma, kCeiling, kFloor, kSign, kOne, kNonneg,
  kSin, kCos, kTan, kCsc, kSec, kCot,
  kSinh, kCosh, kTanh, kCsch, kSech, kCoth,
  kAsinh, kAcosh, kAtanh, kAcsch, kAsech, kAcoth,
  kAsin, kAcos, kAtan, kAcsc, kAsec, kAcot,
  kUnaryKindCount
};

enum BinaryKind : int {
  kAdd, kSubtract, kMultiply, kDivide, kReverseSubtract, kPower, kBeta, kAngle, kIntersect,
  kPolarAngle,  // theta's expansion; no keyword
  kBinaryKindCount
};

enum RelationKind : int { kLess, kLessEqual, kEqual, kRelationKindCount };

enum GraphCallKind : int {
  kVector, kRectangular, kCylindrical, kSpherical, kNear, kNearCompiled,
  kGraphCallKindCount
};

enum DerivedKind : int { kDerivedR, kDerivedTheta, kDerivedRho, kDerivedPhi, kDerivedKindCount };

extern const NodeOps kUnaryKinds[kUnaryKindCount];
extern const NodeOps kBinaryKinds[kBinaryKindCount];
extern const NodeOps kRelationKinds[kRelationKindCount];
extern const NodeOps kGraphCallKinds[kGraphCallKindCount];
extern const NodeOps kDerivedKinds[kDerivedKindCount];
extern const NodeOps kNumberOps;
extern const NodeOps kConstantOps;
extern const NodeOps kCellOps;
extern const NodeOps kStringOps;
extern const NodeOps kListOps;
extern const NodeOps kAssignmentOps;
extern const NodeOps kGraphCommandOps;
extern const NodeOps kErrorOps;
extern const NodeOps kDataGridOps;
extern const NodeOps kFlagsOps;
extern const NodeOps kTableOps;

// The single error node every parse failure returns.
extern ExprNode kErrorNode;
// The static leaves of the derived variables r, theta, rho, phi.
extern DerivedNode kDerivedNodes[kDerivedKindCount];

template <std::size_t N>
inline bool isKindOf(const NodeOps* ops, const NodeOps (&kinds)[N]) {
  return std::greater_equal<const NodeOps*>()(ops, kinds) && std::less<const NodeOps*>()(ops, kinds + N);
}
inline bool isUnary(const ExprNode* n) { return isKindOf(n->ops, kUnaryKinds); }
inline bool isBinary(const ExprNode* n) { return isKindOf(n->ops, kBinaryKinds); }
inline bool isRelation(const ExprNode* n) { return isKindOf(n->ops, kRelationKinds); }
inline bool isGraphCall(const ExprNode* n) { return isKindOf(n->ops, kGraphCallKinds); }
inline bool isDerived(const ExprNode* n) { return isKindOf(n->ops, kDerivedKinds); }
inline bool is(const ExprNode* n, const NodeOps& ops) { return n->ops == &ops; }
inline bool isBinaryKind(const ExprNode* n, BinaryKind k) { return n->ops == &kBinaryKinds[k]; }
inline bool isRelationKind(const ExprNode* n, RelationKind k) { return n->ops == &kRelationKinds[k]; }
inline bool isGraphCallKind(const ExprNode* n, GraphCallKind k) { return n->ops == &kGraphCallKinds[k]; }
inline bool isInequality(const ExprNode* n) { return isRelationKind(n, kLess) || isRelationKind(n, kLessEqual); }
// vector, rectangular, cylindrical, spherical: the calls that leave three values.
inline bool isTripleCall(const ExprNode* n) {
  return isGraphCall(n) && !isGraphCallKind(n, kNear) && !isGraphCallKind(n, kNearCompiled);
}
inline bool isParametricCall(const ExprNode* n) {
  return isGraphCallKind(n, kRectangular) || isGraphCallKind(n, kCylindrical) || isGraphCallKind(n, kSpherical);
}

// The cell a kCellOps leaf is.
inline const ValueCell* asCell(const ExprNode* n) { return static_cast<const ValueCell*>(n); }
inline ValueCell* asCell(ExprNode* n) { return static_cast<ValueCell*>(n); }

// ---- Building and releasing ---------------------------------------------------

void* allocateNode(LangState& state, std::size_t size);
void releaseBlock(LangState& state, void* block, std::size_t size);

NumberNode* makeNumber(LangState& state, double value);
StringNode* makeString(LangState& state, const char* text, std::size_t length);
UnaryNode* makeUnary(LangState& state, const NodeOps* kind, ExprNode* operand);
BinaryNode* makeBinary(LangState& state, const NodeOps* kind, ExprNode* left, ExprNode* right);
GraphCallNode* makeGraphCall(LangState& state, const NodeOps* kind, std::uint32_t count);
ListNode* makeList(LangState& state, ExprNode* item);
AssignmentNode* makeAssignment(LangState& state, ValueCell* cell, ExprNode* expression);
GraphCommandNode* makeGraphCommand(LangState& state, const GraphCommandRecord* record, ExprNode* argument);
FlagsNode* makeFlags(LangState& state, std::uint16_t status);
TableNode* makeTable(LangState& state, const real* values, const double* sweep);
// A data grid of the given dimensions, reference count 1, values uninitialised.
DataGrid* makeDataGrid(LangState& state, const std::int32_t n[3]);
std::size_t dataGridSize(std::uint32_t count);

// Releases a tree (null is allowed); static leaves stay.
inline void release(LangState& state, ExprNode* node) {
  if (node) node->ops->release(state, node);
}

// Releases what the state holds: graph items and the colour expressions.
void releaseGraphItems(LangState& state);

// The value of a constant leaf (number, named constant) or comparison flags.
bool isConstantLeaf(const ExprNode* node);
real constantValue(const ExprNode* node);

// The comparison status word of `right` against `left`.
inline std::uint16_t compareStatus(real right, real left) {
  if (right < left) return kStatusLess;
  if (right == left) return kStatusEqual;
  if (right > left) return 0;
  return kStatusLess | kStatusEqual | kStatusUnordered;
}
// What comparison flags stand for as a value: +1, 0, -1 or undefined.
real statusSign(std::uint16_t status);

}  // namespace vx
