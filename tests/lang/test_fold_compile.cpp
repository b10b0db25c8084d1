#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "lang/axistables.h"
#include "lang/code.h"
#include "lang/keywords.h"
#include "lang/mathlib.h"
#include "lang_fixture.h"

namespace vx::testing {
namespace {

using real = long double;

// Equal to the last bit, or both undefined.
bool same(real a, real b) {
  if (a != a || b != b) return a != a && b != b;
  return a == b && std::signbit(a) == std::signbit(b);
}

::testing::AssertionResult agree(real compiled, real direct) {
  if (same(compiled, direct)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "compiled " << static_cast<double>(compiled) << " direct "
                                       << static_cast<double>(direct);
}

class CompileTest : public LangTest {
 protected:
  // x is the inner sweep variable (read through the point pointer); y and z vary.
  void flagAxes() {
    state.cells[kX].flags = kInnerSweep;
    state.cells[kY].flags = kVarying;
    state.cells[kZ].flags = kVarying;
  }
  void setPoint(double x, double y, double z) {
    cell(kX) = point = x;
    cell(kY) = y;
    cell(kZ) = z;
  }

  // The value form with each axis' subexpressions read from axis tables gives
  // the bits of the plain value form wherever every coordinate is one of its
  // axis' grid coordinates or mid-points. False when nothing was tabulated.
  bool crossingCodeAgrees(const ExprNode* tree, const AxisSweep axes[3], std::mt19937& random) {
    flagAxes();
    AxisTables* tables = tabulateAxisSubexpressions(state, tree, axes);
    if (!tables) return false;
    ExprNode* plainTree = foldExpression(state, tree, Form::Value);
    ExprNode* tableTree = foldExpression(state, tree, Form::Value, axisFoldTables(*tables));
    CompiledCode* plain = compileExpression(state, plainTree, Form::Value);
    CompiledCode* table = compileExpression(state, tableTree, Form::Value);
    std::uniform_int_distribution<std::uint32_t> pick(0, axes[0].count - 1);
    for (int trial = 0; trial < 64; ++trial) {
      double coord[3];
      for (int role = 0; role < 3; ++role) {
        const std::uint32_t k = pick(random);
        const bool atMid = (random() & 1) != 0;
        coord[role] = (atMid ? axes[role].mid : axes[role].grid)[k];
        selectAxisEntry(*tables, role, atMid, k);
      }
      setPoint(coord[0], coord[1], coord[2]);
      const real a = runValue(plain, &point), b = runValue(table, axisPoint(*tables, coord[0]));
      EXPECT_EQ(std::memcmp(&a, &b, 10), 0) << " at " << coord[0] << ", " << coord[1] << ", " << coord[2];
    }
    releaseCode(state, plain);
    releaseCode(state, table);
    release(state, plainTree);
    release(state, tableTree);
    releaseAxisTables(state, tables);
    return true;
  }

  ExprNode* parseExpression(std::string_view text) {
    ExprNode* tree = parse(text);
    EXPECT_NE(tree, &kErrorNode) << text;
    return tree;
  }

  // Folds and compiles `text`, runs it at the current point, and evaluates the
  // parse tree directly.
  struct Both {
    real compiled, direct;
  };
  Both valueOf(std::string_view text) {
    ExprNode* tree = parseExpression(text);
    ExprNode* folded = foldExpression(state, tree, Form::Value);
    CompiledCode* code = compileExpression(state, folded, Form::Value);
    Both both{runValue(code, &point), evaluate(state, tree)};
    releaseCode(state, code);
    release(state, folded);
    release(state, tree);
    return both;
  }

  std::uint16_t conditionOf(std::string_view text) {
    ExprNode* tree = parseExpression(text);
    ExprNode* folded = foldExpression(state, tree, Form::Condition);
    CompiledCode* code = compileExpression(state, folded, Form::Condition);
    std::uint16_t status = runCondition(code, &point);
    releaseCode(state, code);
    release(state, folded);
    release(state, tree);
    return status;
  }

  std::vector<std::uint32_t> opcodesOf(std::string_view text, Form form = Form::Value) {
    ExprNode* tree = parseExpression(text);
    ExprNode* folded = foldExpression(state, tree, form);
    CompiledCode* code = compileExpression(state, folded, form);
    std::vector<std::uint32_t> ops;
    for (std::uint32_t i = 0; i < code->count; ++i) ops.push_back(code->instructions()[i].opcode);
    releaseCode(state, code);
    release(state, folded);
    release(state, tree);
    return ops;
  }

  void TearDown() override {
    releaseGraphItems(state);
    EXPECT_EQ(state.liveBlocks, 0u);
  }

  double point = 0;
};

// Every function of the library, every operator and derived variable.
const char* const kLibrary[] = {
    "x+y", "x-y", "x*y", "x/y", "y-x*z", "(x+y)*(y-z)/(z+x)", "x^y", "y^x", "x^2", "x^0.5", "x^3", "2^x",
    "-x", "x!", "x%", "|x|", "abs(y)", "sqr(x)", "sqrt(x)", "ln(x)", "log(x)", "gamma(x)", "ceiling(x)",
    "floor(y)", "sign(x)", "one(x)", "nonneg(x)", "sin(x)", "cos(x)", "tan(x)", "csc(x)", "sec(x)",
    "cot(x)", "sinh(x)", "cosh(x)", "tanh(x)", "csch(x)", "sech(x)", "coth(x)", "asinh(x)", "acosh(x)",
    "atanh(x)", "acsch(x)", "asech(x)", "acoth(x)", "asin(x)", "acos(x)", "atan(x)", "acsc(x)", "asec(x)",
    "acot(x)", "beta(x, y)", "angle(x, y)", "r", "theta", "rho", "phi", "r*theta-rho/phi", "(x<y)",
    "(x<=y)+(y=z)", "(x<1 & y<2)", "((x<y) & (z<=x)) & (y<z)", "vector(x)+1", "x*rectangular(1,2,3)",
    "sin(x)*cos(y)+z", "x^2+y^2+z^2-9", "1-x", "2/x", "x/2", "x-2", "2-x", "y+x", "z*x", "x*x*x",
};

std::vector<double> specialValues() {
  return {0, -0.0, 1, -1, 0.5, -0.5, 2, 3, -2.5, 1e-300, 1e300, -1e300, 7.25, 1e20,
          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()};
}

TEST_F(CompileTest, CompiledAndDirectAgreeBitForBitOverTheLibrary) {
  flagAxes();
  std::mt19937 random(12345);
  std::vector<double> values = specialValues();
  std::uniform_real_distribution<double> uniform(-4, 4);
  for (int i = 0; i < 20; ++i) values.push_back(uniform(random));
  std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
  for (const char* text : kLibrary) {
    for (int trial = 0; trial < 60; ++trial) {
      setPoint(values[pick(random)], values[pick(random)], values[pick(random)]);
      Both both = valueOf(text);
      EXPECT_TRUE(agree(both.compiled, both.direct))
          << text << " at " << cell(kX) << ", " << cell(kY) << ", " << cell(kZ);
    }
  }
}

// Random expression texts over x, y, z: with all three flagged nothing is folded
// into a rounded constant, so compiled code and direct evaluation agree exactly.
class ExpressionGenerator {
 public:
  // `innerHeavy`: leaves are mostly the inner variable x and constants, so that
  // many subtrees depend on x alone.
  explicit ExpressionGenerator(unsigned seed, bool innerHeavy = false) : random_(seed), innerHeavy_(innerHeavy) {}

  std::string expression(int depth) {
    if (depth == 0) return leaf();
    switch (choose(8)) {
      case 0: return leaf();
      case 1: return std::string(kUnaryFunctions[choose(std::size(kUnaryFunctions))]) + "(" + expression(depth - 1) + ")";
      case 2: return "(" + expression(depth - 1) + kOperators[choose(std::size(kOperators))] + expression(depth - 1) + ")";
      case 3: return "(" + expression(depth - 1) + ")" + kPostfix[choose(std::size(kPostfix))];
      case 4: return std::string(choose(2) ? "beta(" : "angle(") + expression(depth - 1) + "," + expression(depth - 1) + ")";
      case 5: return "((" + expression(depth - 1) + ")" + kRelations[choose(std::size(kRelations))] + "(" + expression(depth - 1) + "))";
      case 6: return "(" + expression(depth - 1) + ")^(" + expression(depth - 1) + ")";
      default: return "|" + expression(depth - 1) + "|";
    }
  }

 private:
  std::size_t choose(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
  std::string leaf() {
    if (innerHeavy_) return kInnerHeavyLeaves[choose(std::size(kInnerHeavyLeaves))];
    return kLeaves[choose(std::size(kLeaves))];
  }

  static constexpr const char* kLeaves[] = {"x", "y", "z", "r", "theta", "rho", "phi"};
  static constexpr const char* kInnerHeavyLeaves[] = {"x", "x", "x", "a", "2.5", "time", "y", "z", "r"};
  static constexpr const char* kOperators[] = {"+", "-", "*", "/"};
  static constexpr const char* kPostfix[] = {"!", "%", "^2", "^0.5"};
  static constexpr const char* kRelations[] = {"<", "<=", "=", ">", ">="};
  static constexpr const char* kUnaryFunctions[] = {
      "-", "abs", "sqr", "sqrt", "ln", "log", "gamma", "ceiling", "floor", "sign", "one", "nonneg",
      "sin", "cos", "tan", "csc", "sec", "cot", "sinh", "cosh", "tanh", "csch", "sech", "coth",
      "asinh", "acosh", "atanh", "acsch", "asech", "acoth", "asin", "acos", "atan", "acsc", "asec", "acot"};
  std::mt19937 random_;
  bool innerHeavy_;
};

TEST_F(CompileTest, RandomExpressionsAgreeBitForBit) {
  flagAxes();
  ExpressionGenerator generator(2024);
  std::mt19937 random(77);
  std::vector<double> values = specialValues();
  std::uniform_int_distribution<std::size_t> pick(0, values.size() - 1);
  std::uniform_real_distribution<double> uniform(-3, 3);
  for (int i = 0; i < 1500; ++i) {
    std::string text = generator.expression(1 + i % 5);
    for (int trial = 0; trial < 8; ++trial) {
      if (trial % 2)
        setPoint(values[pick(random)], values[pick(random)], values[pick(random)]);
      else
        setPoint(uniform(random), uniform(random), uniform(random));
      Both both = valueOf(text);
      ASSERT_TRUE(agree(both.compiled, both.direct))
          << text << " at " << cell(kX) << ", " << cell(kY) << ", " << cell(kZ);
    }
  }
}

// A redraw computes what depends on the inner variable alone once per inner grid
// coordinate; each row's code then reads those tables. Row code with and without
// tables gives the same bits at every coordinate, as values and as conditions,
// including under additions whose constants folding merges ((x*x+1)+y+2). The
// code of crossing points reads every axis' subexpressions from tables of grid
// coordinates and mid-points, and row code reads what the middle and outer
// coordinates' subexpressions fold into at each row, with the same bits.
TEST_F(CompileTest, TabulatedSubexpressionsGiveTheSameBits) {
  std::vector<double> sweep = specialValues();
  for (int k = 0; k <= 20; ++k) sweep.push_back(-3 + 0.3 * k);
  const auto count = static_cast<std::uint32_t>(sweep.size());
  cell(kA) = 0.7;
  cell(kTime) = 1.25;
  // The last row keeps y and z varying, as the code of crossing points does.
  const double rows[][2] = {{0.5, -1.25}, {-2, 3}, {0, __builtin_nan("")}, {1, 2}};
  ExpressionGenerator generator(99, true);
  std::vector<std::string> texts = {"sin(x)*cos(y)+sin(y)*cos(z)+sin(z)*cos(x) = 0", "(x*x+1)+y+2",
                                    "(1-sin(x))+y", "y+(sin(x)-2)", "vector(sin(x), y*cos(x)+1, near(y,z,sin(x)))"};
  for (int i = 0; i < 400; ++i) texts.push_back(generator.expression(2 + i % 4) + "+(" + generator.expression(2) + ")");
  int tabulated = 0, crossed = 0;
  // Crossing code sees every axis at grid coordinates and mid-points alone.
  std::vector<double> mid(sweep.size());
  for (std::size_t k = 0; k < sweep.size(); ++k) mid[k] = k ? (sweep[k - 1] + sweep[k]) / 2 : sweep[0];
  const AxisSweep axes[3] = {{kX, sweep.data(), mid.data(), count},
                             {kY, sweep.data(), mid.data(), count},
                             {kZ, mid.data(), sweep.data(), count}};
  std::mt19937 random(13);
  // Code folded with the tables gives the bits of plain code at every point of the sweep.
  auto expectSameAsPlain = [&](const ExprNode* tree, const InnerTables* tables, const std::string& where) {
    for (Form form : {Form::Value, Form::Condition}) {
      ExprNode* plainTree = foldExpression(state, tree, form);
      ExprNode* tableTree = foldExpression(state, tree, form, tables);
      CompiledCode* plain = compileExpression(state, plainTree, form);
      CompiledCode* table = compileExpression(state, tableTree, form);
      for (const double& point : sweep) {
        const real a = runValue(plain, &point), b = runValue(table, &point);
        ASSERT_EQ(std::memcmp(&a, &b, 10), 0) << where << " at x = " << point;
        ASSERT_EQ(runCondition(plain, &point), runCondition(table, &point)) << where << " at x = " << point;
      }
      releaseCode(state, plain);
      releaseCode(state, table);
      release(state, plainTree);
      release(state, tableTree);
    }
  };
  for (const std::string& text : texts) {
    ExprNode* tree = parseExpression(text);
    flagAxes();
    InnerTables* tables = tabulateInnerSubexpressions(state, tree, sweep.data(), count);
    tabulated += tables != nullptr;
    for (const auto& row : rows) {
      setPoint(0, row[0], row[1]);
      if (&row != &rows[3]) state.cells[kY].flags = state.cells[kZ].flags = 0;
      expectSameAsPlain(tree, tables, text);
      flagAxes();
    }
    // Row code with the middle and outer subexpressions folded once per coordinate.
    tables = tabulateRowConstants(state, tables, tree, axes);
    for (int trial = 0; trial < 3 && tables; ++trial) {
      const std::uint32_t ky = random() % count, kz = random() % count;
      selectRowConstants(*tables, 1, ky);
      selectRowConstants(*tables, 2, kz);
      setPoint(0, axes[1].grid[ky], axes[2].grid[kz]);
      state.cells[kY].flags = state.cells[kZ].flags = 0;
      expectSameAsPlain(tree, tables, text + " in row " + std::to_string(ky) + ", " + std::to_string(kz));
      flagAxes();
    }
    releaseInnerTables(state, tables);
    crossed += crossingCodeAgrees(tree, axes, random) ? 1 : 0;
    release(state, tree);
  }
  EXPECT_GT(tabulated, 200);
  EXPECT_GT(crossed, 300);
}

// theta lies in 0..2 pi and starts at exactly 0 on the positive x axis, in
// compiled code, folded into a constant and evaluated directly, so that
// sqrt(theta) is defined all along that axis.
TEST_F(CompileTest, ThetaStartsAtZeroOnThePositiveXAxis) {
  const double pi = 3.141592653589793;
  struct Case {
    double x, y, theta;
  } cases[] = {{1, 0, 0}, {7.5, -0.0, 0}, {0, 1, pi / 2}, {-2, 0, pi}, {0, -1, 1.5 * pi}, {1, -1e-300, 2 * pi}};
  for (bool folded : {false, true}) {
    if (folded) {
      state.cells[kX].flags = state.cells[kY].flags = state.cells[kZ].flags = 0;
    } else {
      flagAxes();
    }
    for (const Case& c : cases) {
      setPoint(c.x, c.y, 0);
      const Both theta = valueOf("theta");
      // Folding rounds the value to a double once.
      if (!folded) {
        EXPECT_TRUE(agree(theta.compiled, theta.direct)) << c.x << ", " << c.y;
      }
      for (real t : {theta.compiled, theta.direct}) {
        if (c.theta == 0) {
          EXPECT_TRUE(same(t, 0)) << c.x << ", " << c.y << ": " << static_cast<double>(t);
        } else {
          EXPECT_NEAR(static_cast<double>(t), c.theta, 1e-15) << c.x << ", " << c.y;
        }
      }
    }
    setPoint(1, 0, 0);
    const Both root = valueOf("sqrt(theta)");
    EXPECT_EQ(static_cast<double>(root.compiled), 0);
    EXPECT_EQ(static_cast<double>(root.direct), 0);
  }
}

// With the options and outer variables folded, constants are rounded to doubles
// once; the results then agree to within that rounding.
TEST_F(CompileTest, FoldedConstantsAgreeWithinTheirRounding) {
  state.cells[kX].flags = kInnerSweep;
  cell(kA) = 0.3;
  cell(kB) = 1.7;
  cell(kC) = -2.2;
  cell(kTime) = 12.345;
  const char* texts[] = {"sin(a*x)+cos(b)*y", "a*x^2+b*y^2+sin(c*time)-d*z^2", "gamma(b)*x+ln(b)",
                         "r+theta+rho+phi", "x/(b+c)-sqrt(b)", "angle(y, z)*x+beta(a, b)", "pi*e*x"};
  std::mt19937 random(5);
  std::uniform_real_distribution<double> uniform(-3, 3);
  for (const char* text : texts) {
    for (int trial = 0; trial < 50; ++trial) {
      setPoint(uniform(random), uniform(random), uniform(random));
      Both both = valueOf(text);
      real scale = std::fabs(both.direct) + 1;
      EXPECT_NEAR(static_cast<double>(both.compiled), static_cast<double>(both.direct),
                  static_cast<double>(scale * 1e-14))
          << text;
    }
  }
}

TEST_F(CompileTest, ConditionsGiveTheStatusOfRightAgainstLeft) {
  flagAxes();
  struct Case {
    double x, y;
    std::uint16_t lessThan, equal;  // statuses of x < y and x = y
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {1, 2, 0, 0}, {2, 1, kStatusLess, kStatusLess}, {1, 1, kStatusEqual, kStatusEqual},
      {nan, 1, 0x4500, 0x4500}, {1, nan, 0x4500, 0x4500},
  };
  for (const Case& c : cases) {
    setPoint(c.x, c.y, 0);
    EXPECT_EQ(conditionOf("x < y"), c.lessThan) << c.x << " " << c.y;
    EXPECT_EQ(conditionOf("y > x"), c.lessThan);
    EXPECT_EQ(conditionOf("x = y"), c.equal);
    EXPECT_EQ(conditionOf("x+0*z < y+0*z"), c.lessThan);  // the stack form of the comparison
    EXPECT_EQ(conditionOf("x < 1 & y < 1"), std::uint16_t(compareStatus(1, c.x) | compareStatus(1, c.y)));
  }
  setPoint(0, 0, 0);
  EXPECT_EQ(conditionOf("1 < 2 & x < 1"), 0);
  EXPECT_EQ(conditionOf("2 < 1 & x < 1"), kStatusLess);
  EXPECT_EQ(conditionOf("2 < 1 & 1 <= 1"), kStatusLess | kStatusEqual);
  EXPECT_EQ(conditionOf("x"), 0x4000);  // a plain value against 0
}

TEST_F(CompileTest, IntersectionValueOfConstantRelationsIsTheirSign) {
  flagAxes();
  setPoint(0.5, 0, 0);
  // Direct evaluation uses the difference 4, compiled code the sign +1.
  Both both = valueOf("(1 < 5) & (x < 1)");
  EXPECT_TRUE(agree(both.compiled, math::intersect(1, 0.5L)));
  EXPECT_TRUE(agree(both.direct, math::intersect(4, 0.5L)));
  EXPECT_TRUE(same(valueOf("(1 < 5) & (2 < 1)").compiled, math::intersect(1, -1)));
  EXPECT_EQ(valueOf("(2 < 1) & (1 < 2)").direct, math::intersect(-1, 1));
}

TEST_F(CompileTest, FoldingShapesTheCode) {
  state.cells[kZ].flags = kInnerSweep;
  cell(kX) = 1;
  cell(kY) = 2;
  const std::uint32_t ret = kOpReturn, imm = kOpLoadImm;
  EXPECT_EQ(opcodesOf("2*3+4"), (std::vector<std::uint32_t>{imm, ret}));
  EXPECT_EQ(opcodesOf("x^2+y^2+z^2-9"),
            (std::vector<std::uint32_t>{kOpLoadSquaredPoint, binaryOpcode(kOpAdd, kFormImmRight),
                                        binaryOpcode(kOpSubtract, kFormImmRight), ret}));
  EXPECT_EQ(opcodesOf("x^2+y^2+z^2=9", Form::Condition),
            (std::vector<std::uint32_t>{kOpLoadSquaredPoint, binaryOpcode(kOpAdd, kFormImmRight),
                                        binaryOpcode(kOpCompare, kFormImmRight), ret}));
  EXPECT_EQ(opcodesOf("9-z"), (std::vector<std::uint32_t>{imm, binaryOpcode(kOpSubtract, kFormPointRight), ret}));
  EXPECT_EQ(opcodesOf("9-sqr(z)"),
            (std::vector<std::uint32_t>{kOpLoadSquaredPoint, binaryOpcode(kOpSubtract, kFormImmLeft), ret}));
  EXPECT_EQ(opcodesOf("sin(x)+cos(y)*z"),
            (std::vector<std::uint32_t>{imm, binaryOpcode(kOpMultiply, kFormPointRight),
                                        binaryOpcode(kOpAdd, kFormImmRight), ret}));
  // Constants move right and merge: (z + 1) + 2 is z + 3, (1 - z) + 2 is 3 - z.
  setPoint(0, 0, 0);
  point = 10;
  EXPECT_EQ(valueOf("(z+1)+2").compiled, 13);
  EXPECT_EQ(opcodesOf("(z+1)+2"), (std::vector<std::uint32_t>{kOpLoadPoint, binaryOpcode(kOpAdd, kFormImmRight), ret}));
  EXPECT_EQ(valueOf("(1-z)+2").compiled, -7);
  EXPECT_EQ(opcodesOf("(1-z)+2"), (std::vector<std::uint32_t>{imm, binaryOpcode(kOpSubtract, kFormPointRight), ret}));
  EXPECT_EQ(opcodesOf("1+(2+z)").size(), 3u);
}

TEST_F(CompileTest, GraphCallsLeaveThreeValues) {
  flagAxes();
  setPoint(2, 3, 4);
  auto triple = [&](std::string_view text, real out[3]) {
    ExprNode* tree = parseExpression(text);
    ExprNode* folded = foldExpression(state, tree, Form::Value);
    CompiledCode* code = compileExpression(state, folded, Form::Value);
    runTriple(code, &point, out);
    releaseCode(state, code);
    release(state, folded);
    release(state, tree);
  };
  real out[3];
  triple("vector(x, 2*y)", out);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 6);
  EXPECT_EQ(out[2], 0);
  triple("rectangular(1, 2, 3, 4)", out);
  EXPECT_EQ(out[2], 3);
  real expected[3];
  triple("cylindrical(x, y, z)", out);
  math::cylindrical(2, 3, 4, expected);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(out[i], expected[i]));
  triple("spherical(x, y, z)", out);
  math::spherical(2, 3, 4, expected);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(out[i], expected[i]));
}

TEST_F(CompileTest, NearAtResolutionThreeBounds) {
  // Resolution 3 over -3..3: grid -3, 0, 3, half step 1.5; the current point is
  // (x through the pointer, y = 0, z = 3).
  flagAxes();
  state.sampling.innerHalfStep = 1.5;
  state.sampling.nearLow[kY - kX] = -1.5;
  state.sampling.nearHigh[kY - kX] = 1.5;
  state.sampling.nearLow[kZ - kX] = 1.5;
  state.sampling.nearHigh[kZ - kX] = 4.5;
  setPoint(0, 0, 3);
  EXPECT_EQ(valueOf("near(0, 0, 3)").compiled, 1);
  EXPECT_EQ(valueOf("near(-1.5, -1.5, 1.5)").compiled, 1);
  EXPECT_TRUE(std::isnan(valueOf("near(1.5, 0, 3)").compiled));
  EXPECT_TRUE(std::isnan(valueOf("near(0, 1.5, 3)").compiled));
  EXPECT_TRUE(std::isnan(valueOf("near(0, 0, 0)").compiled));
  EXPECT_TRUE(std::isnan(valueOf("near(0, 0, 3)").direct));
  EXPECT_EQ(valueOf("x*near(0, 0, 3)+1").compiled, 1);
  point = 3;  // the next point along the row
  EXPECT_EQ(valueOf("near(3, 0, 3)").compiled, 1);
  EXPECT_TRUE(std::isnan(valueOf("near(0, 0, 3, 7)").compiled));
}

TEST_F(CompileTest, DataArrayLookup) {
  // 3 x 2 x 2 values over the default box: x samples -3, 0, 3; y and z -3, 3.
  files["d"] = "3 2 2  0 1 2  10 11 12  100 101 102  110 111 112";
  flagAxes();
  auto at = [&](double x, double y, double z) {
    setPoint(x, y, z);
    return valueOf("read3dtextfile(\"d\")").compiled;
  };
  EXPECT_EQ(at(-3, -3, -3), 0);
  EXPECT_EQ(at(0, -3, -3), 1);
  EXPECT_EQ(at(3, 3, 3), 112);
  EXPECT_EQ(at(3, -3, 3), 102);
  EXPECT_EQ(at(-1.5, -3, -3), 0.5);   // mid-point along x
  EXPECT_EQ(at(3, 0, -3), 7);         // mid-point along y
  EXPECT_EQ(at(-1.5, 0, 0), 0.5);     // x is the first odd axis; y and z round down
  EXPECT_EQ(at(3.2, 3, 3), 112);      // rounds onto the last element
  EXPECT_TRUE(std::isnan(at(4.5, 3, 3)));
  EXPECT_TRUE(std::isnan(at(-4.5, 3, 3)));
  EXPECT_TRUE(std::isnan(at(0, std::numeric_limits<double>::quiet_NaN(), 3)));
  setPoint(0, 0, 0);
  EXPECT_TRUE(std::isnan(valueOf("read3dtextfile(\"d\")").direct));
  state.sampling.rangeMinimum[0] = state.sampling.rangeMaximum[0] = 1;
  EXPECT_TRUE(std::isnan(at(1, 3, 3)));
}

TEST_F(CompileTest, FoldingSharesTheArray) {
  files["d"] = "2 2 2 1 2 3 4 5 6 7 8";
  ExprNode* tree = parseExpression("read3dtextfile(\"d\")");
  ExprNode* folded = foldExpression(state, tree, Form::Value);
  EXPECT_EQ(folded, tree);
  EXPECT_EQ(static_cast<DataGrid*>(tree)->references, 2u);
  release(state, folded);
  release(state, tree);
}

TEST_F(CompileTest, ListsAndStringsFoldToUndefined) {
  flagAxes();
  EXPECT_TRUE(std::isnan(valueOf("x+(1,2)").compiled));
  EXPECT_TRUE(std::isnan(valueOf("x+(1,2)").direct));
}

TEST_F(CompileTest, LongAndDeepCodeGrowsItsBlockAndStack) {
  flagAxes();
  setPoint(1.25, 0, 0);
  std::string wide = "x";
  for (int i = 0; i < 300; ++i) wide += "+x*y";
  EXPECT_TRUE(agree(valueOf(wide).compiled, 1.25));
  std::string deep = "x";
  for (int i = 0; i < 200; ++i) deep = "(y*z)+(" + deep + ")";
  Both both = valueOf(deep);
  EXPECT_TRUE(agree(both.compiled, both.direct));
  std::string nested = "0";
  for (int i = 0; i < 300; ++i) nested = "near(y, z, " + nested + ")";
  EXPECT_TRUE(std::isnan(valueOf(nested).compiled));
}

}  // namespace
}  // namespace vx::testing
