#pragma once
// Direct (interpretive) evaluation, per node kind: the evaluate operations of the
// kind tables. Assignments and the last-line calculator use it; it calls the same
// routines as compiled code, so a formula gives the same value either way.
#include "lang/nodes.h"

namespace vx {

real evaluateNumber(LangState& state, const ExprNode* n);
real evaluateConstant(LangState& state, const ExprNode* n);
real evaluateCell(LangState& state, const ExprNode* n);
real evaluateR(LangState& state, const ExprNode* n);
real evaluateTheta(LangState& state, const ExprNode* n);
real evaluateRho(LangState& state, const ExprNode* n);
real evaluatePhi(LangState& state, const ExprNode* n);
real evaluateUndefined(LangState& state, const ExprNode* n);
real evaluateZero(LangState& state, const ExprNode* n);
real evaluateUnary(LangState& state, const ExprNode* n);
real evaluateBinary(LangState& state, const ExprNode* n);
real evaluateRelation(LangState& state, const ExprNode* n);
real evaluateAssignment(LangState& state, const ExprNode* n);
real evaluateFlags(LangState& state, const ExprNode* n);

// Stores `value` in the assignment's cell with the colour-option rules; the
// assignment gives up its expression when a colour option keeps it.
void performAssignment(LangState& state, AssignmentNode* assignment, real value);

}  // namespace vx
