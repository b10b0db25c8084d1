#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/executablememory.h"
#include "lang/code.h"
#include "lang/native.h"
#include "lang_fixture.h"

namespace vx::testing {
namespace {

using real = long double;

// Random texts of every instruction kind: fused leaves of each form, deep
// operand stacks, routine calls of one, two and three values, relations and
// intersections, near, the data array, and the parametric forms.
class CodeTextGenerator {
 public:
  explicit CodeTextGenerator(unsigned seed) : random_(seed) {}

  std::string value(int depth) {
    if (depth == 0) return leaf();
    switch (choose(12)) {
      case 0: return leaf();
      case 1: return std::string(kUnary[choose(std::size(kUnary))]) + "(" + value(depth - 1) + ")";
      case 2:
      case 3: return "(" + value(depth - 1) + kOperators[choose(std::size(kOperators))] + value(depth - 1) + ")";
      case 4: return "(" + value(depth - 1) + ")" + kPostfix[choose(std::size(kPostfix))];
      case 5: return std::string(choose(2) ? "beta(" : "angle(") + value(depth - 1) + "," + value(depth - 1) + ")";
      case 6: return "(" + relation(depth - 1) + ")";
      case 7: return "near(" + value(depth - 1) + "," + value(depth - 1) + "," + value(depth - 1) + ")";
      case 8: return "(-" + value(depth - 1) + ")";
      case 9: return "abs(" + value(depth - 1) + ")";
      case 10: return deepSum(2 + static_cast<int>(choose(40)));
      default: return "(" + leaf() + kOperators[choose(std::size(kOperators))] + value(depth - 1) + ")";
    }
  }

  std::string relation(int depth, std::size_t kinds = std::size(kRelations)) {
    return value(depth) + kRelations[choose(kinds)] + value(depth);
  }
  // An intersection joins inequalities only (the first four relations).
  std::string condition(int depth) {
    if (choose(3)) return relation(depth);
    std::string c = "(" + relation(depth, 4) + ")";
    do c = "(" + c + ") & (" + relation(depth, 4) + ")";
    while (choose(2));
    return c;
  }

  std::string triple(int depth) {
    return std::string(kTriples[choose(std::size(kTriples))]) + "(" + value(depth) + "," + value(depth) + "," +
           value(depth) + ")";
  }

 private:
  std::size_t choose(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
  std::string leaf() { return kLeaves[choose(std::size(kLeaves))]; }
  // Operands that are not leaves all stay on the stack: more than the x87
  // registers hold, and beyond the interpreter's own fixed stack.
  std::string deepSum(int n) {
    std::string text, close;
    for (int i = 0; i < n; ++i) {
      text += "((-" + leaf() + ")" + kOperators[choose(std::size(kOperators))];
      close += ")";
    }
    return text + "sin(" + leaf() + ")" + close;
  }

  static constexpr const char* kLeaves[] = {"x", "x", "y", "z", "a", "2.5", "0", "time", "1e300",
                                            "read3dtextfile(\"d\")"};
  static constexpr const char* kOperators[] = {"+", "-", "*", "/"};
  static constexpr const char* kPostfix[] = {"!", "%", "^2", "^0.5"};
  static constexpr const char* kRelations[] = {"<", "<=", ">", ">=", "="};
  static constexpr const char* kUnary[] = {"sqrt", "ln", "log", "sin", "cos", "atan", "gamma", "sqr", "floor", "sign"};
  static constexpr const char* kTriples[] = {"vector", "rectangular", "cylindrical", "spherical"};
  std::mt19937 random_;
};

// The code without its native function, as the interpreter runs it.
struct Interpreted {
  CompiledCode* code;
  std::uint16_t native;
  explicit Interpreted(CompiledCode* c) : code(c), native(c->native) { c->native = 0; }
  ~Interpreted() { code->native = native; }
};

bool sameBits(real a, real b) { return std::memcmp(&a, &b, 10) == 0; }

class NativeTest : public LangTest {
 protected:
  void SetUp() override {
    files["d"] = "3 2 2  0 1 2  10 11 12  100 101 102  110 111 112";
    cell(kA) = 0.7;
    cell(kTime) = 1.25;
    state.sampling.innerHalfStep = 0.25;
    for (int axis = 0; axis < 3; ++axis) {
      state.sampling.nearLow[axis] = -1;
      state.sampling.nearHigh[axis] = 1;
    }
  }
  void TearDown() override {
    releaseGraphItems(state);
    EXPECT_EQ(state.liveBlocks, 0u);
  }

  // Runs `code` natively and in the interpreter at every point of `points` and
  // counts the points where the two differ in any bit of any result.
  int differences(CompiledCode* code, const std::vector<double>& points) {
    int differ = 0;
    for (const double& p : points) {
      real value, triple[3], expected[3];
      std::uint16_t status;
      value = runValue(code, &p);
      status = runCondition(code, &p);
      runTriple(code, &p, triple);
      Interpreted interpreted(code);
      runTriple(code, &p, expected);
      differ += !sameBits(value, runValue(code, &p)) || status != runCondition(code, &p) ||
                !sameBits(triple[0], expected[0]) || !sameBits(triple[1], expected[1]) ||
                !sameBits(triple[2], expected[2]);
    }
    // The whole row in one run gives each point's status.
    std::vector<std::uint16_t> row(points.size() + 1, 0xBEEF);
    runConditionRow(code, points.data(), static_cast<std::uint32_t>(points.size()), row.data());
    for (std::size_t i = 0; i < points.size(); ++i) differ += row[i] != runCondition(code, &points[i]);
    differ += row.back() != 0xBEEF;
    return differ;
  }

  struct Tally {
    int codes = 0, native = 0, differing = 0;
  };
  // Compiles `text` in `form` with y and z folded to (y, z) or varying, with and
  // without tables of the inner variable x, and compares at every point.
  void compare(const std::string& text, Form form, const std::vector<double>& points, Tally& tally) {
    ExprNode* tree = parse(text);
    ASSERT_NE(tree, &kErrorNode) << text;
    state.cells[kX].flags = kInnerSweep;
    for (bool folded : {true, false}) {
      state.cells[kY].flags = state.cells[kZ].flags = folded ? 0 : kVarying;
      InnerTables* tables = tabulateInnerSubexpressions(state, tree, points.data(), static_cast<std::uint32_t>(points.size()));
      for (const InnerTables* t : {static_cast<const InnerTables*>(nullptr), static_cast<const InnerTables*>(tables)}) {
        ExprNode* foldedTree = foldExpression(state, tree, form, t);
        CompiledCode* code = compileExpression(state, foldedTree, form);
        ++tally.codes;
        tally.native += nativeFunction(code->native) != nullptr;
        const int differ = differences(code, points);
        tally.differing += differ;
        EXPECT_EQ(differ, 0) << text << (t ? " with tables" : "") << (folded ? " folded" : "");
        releaseCode(state, code);
        release(state, foldedTree);
      }
      releaseInnerTables(state, tables);
    }
    for (CellId id : {kX, kY, kZ}) state.cells[id].flags = 0;
    release(state, tree);
  }

  void compareMany(unsigned seed, int count, Tally& tally) {
    CodeTextGenerator generator(seed);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-3, 3);
    for (int i = 0; i < count; ++i) {
      cell(kY) = uniform(random);
      cell(kZ) = i % 7 ? uniform(random) : std::numeric_limits<double>::quiet_NaN();
      const int depth = 1 + i % 4;
      compare(generator.value(depth), Form::Value, points_, tally);
      compare(generator.condition(depth), Form::Condition, points_, tally);
      compare(generator.triple(depth - 1), Form::Value, points_, tally);
    }
  }

  std::vector<double> points_ = {0, -0.0, 1, -1, 0.5, 2.5, -3, 3, 1e-300, 1e300, 1e20,
                                 std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::quiet_NaN(), 0.3, -1.7};
};

// Native code gives the interpreter's bits for every result kind on every kind
// of code, serves each shape from one block (a second pass over the same texts
// makes no machine code and changes no page protection), and where the system
// refuses to make pages executable everything runs in the interpreter with the
// same results.
TEST_F(NativeTest, AgreesWithTheInterpreterBitForBit) {
  if (!nativeCodeAvailable()) GTEST_SKIP() << "no native code on this processor";
  useExecutableMemory(&systemExecutableMemory());  // an empty cache
  Tally first;
  compareMany(2026, 120, first);
  EXPECT_EQ(first.differing, 0);
  EXPECT_EQ(first.native, first.codes);
  const NativeCacheStats made = nativeCacheStats();
  EXPECT_GT(made.shapes, 500u);

  Tally again;
  compareMany(2026, 120, again);
  EXPECT_EQ(again.native, again.codes);
  EXPECT_EQ(nativeCacheStats().shapes, made.shapes);
  EXPECT_EQ(nativeCacheStats().protectionChanges, made.protectionChanges);

  // The debugging switch leaves new code to the interpreter.
  setNativeCode(false);
  Tally off;
  compareMany(7, 20, off);
  setNativeCode(true);
  EXPECT_EQ(off.native, 0);

  struct RefusingMemory final : ExecutableMemory {
    std::size_t pageSize() const override { return systemExecutableMemory().pageSize(); }
    void* reserve(std::size_t size) override { return systemExecutableMemory().reserve(size); }
    bool makeWritable(void* p, std::size_t size) override { return systemExecutableMemory().makeWritable(p, size); }
    bool makeExecutable(void*, std::size_t) override { return false; }
    void release(void* block, std::size_t size) override { systemExecutableMemory().release(block, size); }
  } refusing;
  useExecutableMemory(&refusing);
  Tally refused;
  compareMany(8, 20, refused);
  useExecutableMemory(&systemExecutableMemory());
  EXPECT_EQ(refused.native, 0);
  EXPECT_EQ(refused.differing, 0);
  EXPECT_TRUE(nativeCodeAvailable());
}

}  // namespace
}  // namespace vx::testing
