#include <cmath>
#include <cstring>
#include <string>

#include "lang/keywords.h"
#include "lang_fixture.h"

namespace vx::testing {
namespace {

class ExecuteTest : public LangTest {
 protected:
  std::string status(std::string_view text) { return run(text).status; }
  int itemCount() {
    int n = 0;
    for (GraphItem* item = state.graphItems; item; item = item->next) ++n;
    return n;
  }
};

struct CalculatorCase {
  const char* text;
  const char* shown;
};

TEST_F(ExecuteTest, LastLineWorksAsACalculator) {
  const CalculatorCase cases[] = {
      {"1/3", ".333333333333333333"},
      {"2^10", "1024"},
      {"graph3d.contrast := 1/4", ".25"},
      {"5!", "120"},
      {"50%", ".5"},
      {"0^-1", "0"},
      {"(-8)^(1/3)", "-2"},
      {"x := 3\nx < 1", "-2"},
      {"a := 3\nb := 3\n(a > 1) & (b > 1)", "1"},
      {"a := 3\nb := -1\n(a > 1) & (b > 1)", "-1"},
      {"a := b\nb := 5\na", "1"},
      {"b := 5\na := b\nb := 7\na*10+b", "57"},
      {"vector(1, 2, 3)", "0"},
      {"graph3d.minimumx", "-3"},
      {"graph3d.stepsv + graph3d.resolution", "61"},
      {"graph3d.view := tip\ngraph3d.view", "1"},
      {"GRAPH3D.View := TOP", "1"},
  };
  for (const CalculatorCase& c : cases) {
    ExecResult result = run(c.text);
    EXPECT_EQ(result.outcome, ExecOutcome::Value) << c.text;
    EXPECT_EQ(result.status, c.shown) << c.text;
  }
  EXPECT_EQ(status("sqrt(-1)"), status("0^0"));
  EXPECT_EQ(status("sign(0)"), status("x"));  // undefined shows the same text
  EXPECT_EQ(status("2*E"), status("5.436563656918090"));
}

TEST_F(ExecuteTest, LastCommandDecides) {
  EXPECT_EQ(run("graph3d(x=1)\n; a comment").status, "Syntax error");
  EXPECT_EQ(run("graph3d(x=1)\n   ").status, "Syntax error");
  ExecResult result = run("graph3d(x=1)\ngraph3d((y=1, z=1))");
  EXPECT_EQ(result.outcome, ExecOutcome::Graph);
  EXPECT_EQ(result.status, "graph3d((y=1, z=1))");
  EXPECT_EQ(itemCount(), 2);
  // A failing text leaves the previous graph items; so does a calculator line.
  EXPECT_EQ(run("graph3d(x=1").status, "Syntax error");
  EXPECT_EQ(itemCount(), 2);
  EXPECT_EQ(run("graph3d.contrast := 1/4").status, ".25");
  EXPECT_EQ(itemCount(), 2);
  EXPECT_EQ(run("graph3d(x^2+y^2)").status, "Syntax error");
  EXPECT_EQ(itemCount(), 2);
}

TEST_F(ExecuteTest, CommandsContinueWhileParenthesesAreOpen) {
  ExecResult result = run("graph3d( (x^2+y^2+z^2=9,\nsin(x)+sin(y)=sin(z)) )");
  EXPECT_EQ(result.outcome, ExecOutcome::Graph);
  EXPECT_EQ(result.status, "graph3d( (x^2+y^2+z^2=9,");
  EXPECT_EQ(itemCount(), 2);
  EXPECT_EQ(run("a := (1 +  ; open\n 2)\na").status, "3");
  EXPECT_EQ(run("a := (1 +\n").status, "Syntax error");
}

TEST_F(ExecuteTest, EveryExecutionStartsFromTheDefaults) {
  run("graph3d.resolution := 30\ngraph3d.color := red\ngraph3d(x=1)");
  EXPECT_EQ(cell(kResolution), 30);
  EXPECT_EQ(cell(kColor), kRed);
  run("graph3d(x=1)");
  EXPECT_EQ(cell(kResolution), 21);
  EXPECT_EQ(cell(kColor), kByHeight);
  EXPECT_EQ(state.surfaceColorExpression, &kColorConstants[kByHeight]);
  EXPECT_EQ(state.vectorColorExpression, &kColorConstants[kBlack]);
  EXPECT_EQ(cell(kBackground), kWhite);
  EXPECT_EQ(cell(kVectorAlign), -1);
  EXPECT_TRUE(std::isnan(cell(kX)));
  run("graph3d.box := x\ngraph3d.view := 7\ngraph3d.stepsu := -5\ngraph3d(x=1)");
  EXPECT_TRUE(std::isnan(cell(kBox)));
  EXPECT_EQ(cell(kView), 7);
  EXPECT_EQ(cell(kStepsU), -5);
}

TEST_F(ExecuteTest, ColourOptionsKeepTheirExpression) {
  run("graph3d.color := red\ngraph3d(x=1)");
  EXPECT_EQ(cell(kColor), kRed);
  EXPECT_EQ(state.surfaceColorExpression, &kColorConstants[kRed]);
  run("graph3d.color := 7\ngraph3d.vectorcolor := sin(x*time)+1\ngraph3d(x=1)");
  EXPECT_EQ(cell(kColor), kByExpression);
  ASSERT_TRUE(is(state.surfaceColorExpression, kNumberOps));
  EXPECT_EQ(static_cast<NumberNode*>(state.surfaceColorExpression)->value, 7);
  EXPECT_EQ(cell(kVectorColor), kByExpression);
  EXPECT_TRUE(is(state.vectorColorExpression, kBinaryKinds[kAdd]));
  EXPECT_TRUE(state.graphUsesTime);
  run("graph3d.color := (blue)\ngraph3d.background := red\ngraph3d(x=1)");
  EXPECT_EQ(cell(kColor), kBlue);
  EXPECT_EQ(cell(kBackground), kRed);
  EXPECT_EQ(state.surfaceColorExpression, &kColorConstants[kBlue]);
  // A second assignment replaces (and releases) the first expression.
  run("graph3d.color := x+1\ngraph3d.color := y*2\ngraph3d.color");
  EXPECT_TRUE(is(state.surfaceColorExpression, kBinaryKinds[kMultiply]));
}

TEST_F(ExecuteTest, TimeIsSetBeforeEveryCommand) {
  host.clock = 0.5;
  host.clockStep = 0.5;
  LineList lines = LineList::fromText("a := time\nb := time\ngraph3d(x=1)");
  executeGraphText(state, lines);
  EXPECT_EQ(host.clockReadings, 3);
  EXPECT_EQ(cell(kA), 0.5);
  EXPECT_EQ(cell(kB), 1.0);
  EXPECT_TRUE(state.graphUsesTime);
  run("graph3d(x=1)");
  EXPECT_FALSE(state.graphUsesTime);
  // A command that fails forgets only its own use of time.
  run("graph3d.color := sin(time)\n; comment\ngraph3d(x=1)");
  EXPECT_TRUE(state.graphUsesTime);
  run("q := time\ngraph3d(x=1)");
  EXPECT_FALSE(state.graphUsesTime);
}

TEST_F(ExecuteTest, StatusTextIsCutTo127Characters) {
  std::string command = "graph3d(x=" + std::string(200, '1') + ")";
  ExecResult result = run(command);
  EXPECT_EQ(result.outcome, ExecOutcome::Graph);
  EXPECT_EQ(result.status, command.substr(0, 127));
}

TEST_F(ExecuteTest, EmptyTextClearsTheStatus) {
  ExecResult result = run("");
  EXPECT_EQ(result.outcome, ExecOutcome::Empty);
  EXPECT_EQ(result.status, "");
}

TEST_F(ExecuteTest, OpeningGraph) {
  EXPECT_EQ(std::strlen(kOpeningGraphText), 594u);
  ExecResult result = run(kOpeningGraphText);
  EXPECT_EQ(result.outcome, ExecOutcome::Graph);
  EXPECT_EQ(result.status, "graph3d(a*x^2+b*y^2+sin(c*time)=d*z^2)");
  EXPECT_TRUE(state.graphUsesTime);
  EXPECT_EQ(cell(kBackground), kBlack);
  EXPECT_EQ(cell(kBox), 0);
  EXPECT_EQ(cell(kContrast), 0.5);
  EXPECT_EQ(itemCount(), 1);
  EXPECT_EQ(state.graphItems->relation, kRelationEquation);
}

TEST_F(ExecuteTest, NothingIsLeftBehind) {
  files["d"] = "2 2 2 1 2 3 4 5 6 7 8";
  run("a := (1, \"s\", read3dtextfile(\"d\"))\nb := sin(x) + |y|\ngraph3d(x=1)\n1 +");
  run("graph3d.color := x\ngraph3d((x=read3dtextfile(\"d\"), y<1 & z<1, vector(1)))");
  releaseGraphItems(state);
  resetOptions(state);
  EXPECT_EQ(state.liveBlocks, 0u);
}

}  // namespace
TEST_F(ExecuteTest, AGraphTheFrontEndCannotDrawIsASyntaxErrorAndKeepsThePreviousGraph) {
  ASSERT_EQ(run("graph3d((x=1, y=1))").outcome, ExecOutcome::Graph);
  struct FineGridsRefused final : GraphCommandCheck {
    GraphItem* previous = nullptr;
    int offered = 0;
    bool acceptGraphCommand(LangState& s) override {
      ++offered;
      EXPECT_NE(s.graphItems, previous);  // the new items are in place while asked
      return s.value(kResolution) <= 100;
    }
  } check;
  GraphItem* previous = check.previous = state.graphItems;
  state.graphCommandCheck = &check;
  ExecResult refused = run("graph3d.resolution := 5000\ngraph3d(z=1)");
  EXPECT_EQ(refused.outcome, ExecOutcome::SyntaxError);
  EXPECT_EQ(refused.status, "Syntax error");
  EXPECT_EQ(state.graphItems, previous);
  EXPECT_EQ(itemCount(), 2);
  EXPECT_EQ(run("graph3d.resolution := 50\ngraph3d(z=1)").outcome, ExecOutcome::Graph);
  EXPECT_EQ(itemCount(), 1);
  EXPECT_EQ(check.offered, 2);
}

}  // namespace vx::testing
