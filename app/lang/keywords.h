#pragma once
// The keyword list: every name of the language, built in. A keyword's kind is the
// token kind the lexer hands to the parser.
#include <cstdint>
#include <string_view>

#include "lang/nodes.h"

namespace vx {

enum TokenKind : std::int32_t {
  kTokenPlus = 0,
  kTokenMinus = 1,
  kTokenEnd = 2,
  kTokenOpen = 3,
  kTokenClose = 4,
  kTokenTimes = 5,
  kTokenDivide = 6,
  kTokenPower = 7,
  kTokenNumber = 8,
  kTokenInvalid = 9,
  kTokenFactorial = 10,
  kTokenPercent = 11,
  kTokenBar = 12,
  kTokenCell = 13,
  kTokenConstant = 14,
  kTokenGraph3d = 15,
  kTokenAssign = 16,
  kTokenComma = 17,
  kTokenEqual = 18,
  kTokenDerived = 19,
  kTokenFunction1 = 20,
  kTokenFunction2 = 21,
  kTokenLess = 22,
  kTokenGreater = 23,
  kTokenGreaterEqual = 24,
  kTokenLessEqual = 25,
  kTokenAnd = 26,
  kTokenGraphFunction = 27,
  kTokenString = 28,
};

union KeywordDatum {
  CellId cell;                       // kTokenCell
  ExprNode* node;                    // kTokenConstant, kTokenDerived
  const NodeOps* ops;                // kTokenFunction1, kTokenFunction2, kTokenGraphFunction
  const GraphCommandRecord* record;  // kTokenGraph3d
  constexpr KeywordDatum(CellId c) : cell(c) {}
  constexpr KeywordDatum(ExprNode* n) : node(n) {}
  constexpr KeywordDatum(const NodeOps* o) : ops(o) {}
  constexpr KeywordDatum(const GraphCommandRecord* r) : record(r) {}
};

struct KeywordEntry {
  std::string_view name;  // lower case
  TokenKind kind;
  KeywordDatum datum;
};

inline constexpr int kKeywordCount = 118;
extern const KeywordEntry kKeywords[kKeywordCount];

// Whether `release` knows the keyword: an older release lacks some functions and
// options, and its lexer takes their names for unknown ones.
bool keywordInRelease(const KeywordEntry& entry, const ReleaseProfile& release);

// The entry whose name equals `name` in any case (the first match in list
// order; no name occurs twice), or null.
const KeywordEntry* lookupKeyword(std::string_view name);

// The colour constants byheight, bysteepness, the unnamed "by expression" 2,
// black ... magenta, side by side in that order, so that the colour assignment
// recognises a colour constant by its node lying in this block.
inline constexpr int kColorConstantCount = 13;
extern ConstantNode kColorConstants[kColorConstantCount];
bool isColorConstant(const ExprNode* node);

// The language's undefined constant as a static leaf.
extern ConstantNode kUndefinedConstant;

// The graph command record (defined with the graph command check).
extern const GraphCommandRecord kGraphCommandRecord;

}  // namespace vx
