#pragma once
// Folding, per node kind: the fold operations of the kind tables. A fold returns
// a new tree (static leaves and data grids are shared) and leaves its input alone.
#include "lang/nodes.h"

namespace vx {

ExprNode* foldNumber(LangState& state, const ExprNode* n);
ExprNode* foldConstant(LangState& state, const ExprNode* n);
ExprNode* foldCell(LangState& state, const ExprNode* n);
ExprNode* foldDerived(LangState& state, const ExprNode* n);
ExprNode* foldToUndefined(LangState& state, const ExprNode* n);
ExprNode* foldUnary(LangState& state, const ExprNode* n);
ExprNode* foldBinary(LangState& state, const ExprNode* n);
ExprNode* foldAdd(LangState& state, const ExprNode* n);
ExprNode* foldRelationCondition(LangState& state, const ExprNode* n);
ExprNode* foldRelationValue(LangState& state, const ExprNode* n);
ExprNode* foldIntersectCondition(LangState& state, const ExprNode* n);
ExprNode* foldIntersectValue(LangState& state, const ExprNode* n);
ExprNode* foldGraphCall(LangState& state, const ExprNode* n);
ExprNode* foldDataGrid(LangState& state, const ExprNode* n);
ExprNode* foldFlags(LangState& state, const ExprNode* n);
ExprNode* foldTable(LangState& state, const ExprNode* n);

// The folded form of `n` that reads the tables, or null when `n` is not tabulated.
ExprNode* foldFromTables(LangState& state, const InnerTables& tables, const ExprNode* n);

// The parse tree a derived variable stands for, built from the cells x, y, z.
ExprNode* expandDerived(LangState& state, const ExprNode* n);

}  // namespace vx
