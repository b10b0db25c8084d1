#include "lang/keywords.h"

#include <limits>

namespace vx {

namespace {

// Positions of the named constants in the list, for the links back from their nodes.
constexpr int kFirstConstantKeyword = 28;
constexpr int kFirstColorKeyword = kFirstConstantKeyword + 12;
constexpr int kNamedConstantCount = 12;

extern ConstantNode namedConstants[kNamedConstantCount];

constexpr KeywordEntry cell(std::string_view name, CellId id) { return {name, kTokenCell, id}; }
constexpr KeywordEntry derived(std::string_view name, DerivedKind kind) {
  return {name, kTokenDerived, static_cast<ExprNode*>(&kDerivedNodes[kind])};
}
constexpr KeywordEntry constant(std::string_view name, int index) {
  return {name, kTokenConstant, static_cast<ExprNode*>(&namedConstants[index])};
}
// Colour block index: byheight 0, bysteepness 1, (unnamed 2), black 3 ... magenta 12.
constexpr KeywordEntry color(std::string_view name, ColorCode code) {
  return {name, kTokenConstant, static_cast<ExprNode*>(&kColorConstants[code])};
}
constexpr KeywordEntry unary(std::string_view name, UnaryKind kind) {
  return {name, kTokenFunction1, &kUnaryKinds[kind]};
}
constexpr KeywordEntry binary(std::string_view name, BinaryKind kind) {
  return {name, kTokenFunction2, &kBinaryKinds[kind]};
}
constexpr KeywordEntry graphFunction(std::string_view name, GraphCallKind kind) {
  return {name, kTokenGraphFunction, &kGraphCallKinds[kind]};
}

}  // namespace

// constinit: the list is data in the program image. Left to itself the 32-bit
// compiler built it at start-up, with 7 KB of code.
constinit const KeywordEntry kKeywords[kKeywordCount] = {
    // Variables and options, first part.
    cell("time", kTime), cell("a", kA), cell("b", kB), cell("c", kC), cell("d", kD), cell("u", kU), cell("v", kV),
    cell("a.minimum", kAMinimum), cell("a.maximum", kAMaximum), cell("b.minimum", kBMinimum),
    cell("b.maximum", kBMaximum), cell("c.minimum", kCMinimum), cell("c.maximum", kCMaximum),
    cell("d.minimum", kDMinimum), cell("d.maximum", kDMaximum), cell("graph3d.minimumu", kMinimumU),
    cell("graph3d.maximumu", kMaximumU), cell("graph3d.stepsu", kStepsU), cell("graph3d.minimumv", kMinimumV),
    cell("graph3d.maximumv", kMaximumV), cell("graph3d.stepsv", kStepsV), cell("x", kX), cell("y", kY),
    cell("z", kZ),
    // Derived variables.
    derived("r", kDerivedR), derived("theta", kDerivedTheta), derived("rho", kDerivedRho),
    derived("phi", kDerivedPhi),
    // Named constants (index kFirstConstantKeyword).
    constant("e", 0), constant("pi", 1), constant("true", 2), constant("false", 3), constant("standard", 4),
    constant("top", 5), constant("front", 6), constant("side", 7), constant("textbook", 8), constant("tail", 9),
    constant("center", 10), constant("tip", 11),
    // Colours (index kFirstColorKeyword).
    color("byheight", kByHeight), color("bysteepness", kBySteepness), color("black", kBlack),
    color("gray", kGray), color("white", kWhite), color("brown", kBrown), color("red", kRed),
    color("yellow", kYellow), color("green", kGreen), color("cyan", kCyan), color("blue", kBlue),
    color("magenta", kMagenta),
    // Functions.
    unary("gamma", kGamma), binary("beta", kBeta), graphFunction("vector", kVector),
    graphFunction("rectangular", kRectangular), graphFunction("cylindrical", kCylindrical),
    graphFunction("spherical", kSpherical), unary("ceiling", kCeiling), unary("floor", kFloor),
    {"read3dtextfile", kTokenFunction1, &kDataGridOps}, graphFunction("near", kNear), binary("angle", kAngle),
    unary("abs", kAbs), unary("sign", kSign), unary("one", kOne), unary("nonneg", kNonneg), unary("sqr", kSqr),
    unary("sqrt", kSqrt), unary("ln", kLn), unary("log", kLog), unary("sin", kSin), unary("cos", kCos),
    unary("tan", kTan), unary("csc", kCsc), unary("sec", kSec), unary("cot", kCot), unary("sinh", kSinh),
    unary("cosh", kCosh), unary("tanh", kTanh), unary("csch", kCsch), unary("sech", kSech), unary("coth", kCoth),
    unary("asinh", kAsinh), unary("acosh", kAcosh), unary("atanh", kAtanh), unary("acsch", kAcsch),
    unary("asech", kAsech), unary("acoth", kAcoth), unary("asin", kAsin), unary("acos", kAcos),
    unary("atan", kAtan), unary("acsc", kAcsc), unary("asec", kAsec), unary("acot", kAcot),
    // The graph command.
    {"graph3d", kTokenGraph3d, &kGraphCommandRecord},
    // Variables and options, second part.
    cell("graph3d.box", kBox), cell("graph3d.mesh", kMesh), cell("graph3d.view", kView),
    cell("graph3d.color", kColor), cell("graph3d.vectoralign", kVectorAlign),
    cell("graph3d.vectorarrowhead", kVectorArrowhead), cell("graph3d.vectorcolor", kVectorColor),
    cell("graph3d.background", kBackground), cell("graph3d.perspective", kPerspective),
    cell("graph3d.resolution", kResolution), cell("graph3d.transparency", kTransparency),
    cell("graph3d.shading", kShading), cell("graph3d.vectorshading", kVectorShading),
    cell("graph3d.highlight", kHighlight), cell("graph3d.vectorhighlight", kVectorHighlight),
    cell("graph3d.contrast", kContrast), cell("graph3d.minimumx", kMinimumX), cell("graph3d.minimumy", kMinimumY),
    cell("graph3d.minimumz", kMinimumZ), cell("graph3d.maximumx", kMaximumX), cell("graph3d.maximumy", kMaximumY),
    cell("graph3d.maximumz", kMaximumZ),
};
static_assert(sizeof(kKeywords) / sizeof(kKeywords[0]) == 118, "the keyword list has 118 entries");

namespace {

ConstantNode namedConstants[kNamedConstantCount] = {
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 0], 2.718281828459045},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 1], 3.141592653589793},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 2], 1},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 3], 0},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 4], kStandardView},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 5], kTopView},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 6], kFrontView},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 7], kSideView},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 8], kTextbookView},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 9], -1},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 10], 0},
    {{&kConstantOps}, &kKeywords[kFirstConstantKeyword + 11], 1},
};

constexpr ConstantNode colorConstant(ColorCode code) {
  if (code == kByExpression) return {{&kConstantOps}, nullptr, kByExpression};
  int keyword = kFirstColorKeyword + (code < kByExpression ? code : code - 1);
  return {{&kConstantOps}, &kKeywords[keyword], static_cast<double>(code)};
}

}  // namespace

ConstantNode kColorConstants[kColorConstantCount] = {
    colorConstant(kByHeight), colorConstant(kBySteepness), colorConstant(kByExpression), colorConstant(kBlack),
    colorConstant(kGray),     colorConstant(kWhite),       colorConstant(kBrown),        colorConstant(kRed),
    colorConstant(kYellow),   colorConstant(kGreen),       colorConstant(kCyan),         colorConstant(kBlue),
    colorConstant(kMagenta),
};

ConstantNode kUndefinedConstant = {{&kConstantOps}, nullptr, std::numeric_limits<double>::quiet_NaN()};

DerivedNode kDerivedNodes[kDerivedKindCount] = {
    {{&kDerivedKinds[kDerivedR]}, &kKeywords[24]},
    {{&kDerivedKinds[kDerivedTheta]}, &kKeywords[25]},
    {{&kDerivedKinds[kDerivedRho]}, &kKeywords[26]},
    {{&kDerivedKinds[kDerivedPhi]}, &kKeywords[27]},
};

bool isColorConstant(const ExprNode* node) {
  const ExprNode* first = &kColorConstants[0];
  const ExprNode* last = &kColorConstants[kColorConstantCount - 1];
  return std::greater_equal<const ExprNode*>()(node, first) && std::less_equal<const ExprNode*>()(node, last);
}

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view entry, std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i)
    if (entry[i] != lower(name[i])) return false;
  return true;
}

}  // namespace

namespace {

// The keywords that come with a feature of the release table.
struct FeatureKeyword {
  std::string_view name;
  bool ReleaseProfile::*feature;
};
constexpr FeatureKeyword kFeatureKeywords[] = {
    {"rectangular", &ReleaseProfile::parametricGraphs},
    {"cylindrical", &ReleaseProfile::parametricGraphs},
    {"spherical", &ReleaseProfile::parametricGraphs},
    {"ceiling", &ReleaseProfile::gridFunctions},
    {"floor", &ReleaseProfile::gridFunctions},
    {"near", &ReleaseProfile::gridFunctions},
    {"read3dtextfile", &ReleaseProfile::gridFunctions},
    {"graph3d.vectoralign", &ReleaseProfile::vectorOptions},
    {"graph3d.vectorarrowhead", &ReleaseProfile::vectorOptions},
};

}  // namespace

bool keywordInRelease(const KeywordEntry& entry, const ReleaseProfile& release) {
  for (const FeatureKeyword& keyword : kFeatureKeywords)
    if (keyword.name == entry.name) return release.*keyword.feature;
  return true;
}

const KeywordEntry* lookupKeyword(std::string_view name) {
  for (const KeywordEntry& entry : kKeywords)
    if (entry.name.size() == name.size() && sameName(entry.name, name)) return &entry;
  return nullptr;
}

}  // namespace vx
