// The older release's language: every feature it lacks is a syntax error there
// and works in the current release; everything else reads the same in both.
#include <cmath>
#include <string>

#include "lang/defaults.h"
#include "lang/format.h"
#include "lang/keywords.h"
#include "lang_fixture.h"

namespace vx::testing {
namespace {

class ReleaseTest : public LangTest {
 protected:
  ExecResult runIn(const ReleaseProfile& release, std::string_view text) {
    state.releaseProfile = &release;
    return run(text);
  }
};

// Each text works in the current release (a graph or a value, never the error)
// and is refused by Veltrix 2000. The feature stands in the last command, since
// a refused earlier command is skipped silently.
const char* const kOnlyCurrent[] = {
    /*  0 */ "graph3d(rectangular(u,v,u*v))",
    /*  1 */ "graph3d(cylindrical(u,v,1))",
    /*  2 */ "graph3d(spherical(2,u,v))",
    /*  3 */ "ceiling(2.5)",
    /*  4 */ "FLOOR(2.5)",
    /*  5 */ "graph3d(vector(near(0,0,0),0,0))",
    /*  6 */ "graph3d(z=read3dtextfile(\"grid.txt\"))",
    /*  7 */ "graph3d.vectoralign := center",
    /*  8 */ "graph3d.vectorarrowhead := true",
    /*  9 */ "graph3d.color := x+y",
    /* 10 */ "graph3d.color := 7",
    /* 11 */ "graph3d.vectorcolor := sin(x)",
    /* 12 */ "1e3",
    /* 13 */ "2.5E-1",
    /* 14 */ "graph3d((z=x,\nz=y))",
    /* 15 */ "graph3d(x^2+y^2 ; a comment inside\n=z)",
};

// Texts both releases run alike.
const char* const kBothReleases[] = {
    /*  0 */ "graph3d.color := red\ngraph3d(z=x)",
    /*  1 */ "graph3d.vectorcolor := bysteepness\ngraph3d(vector(y,-x,0))",
    /*  2 */ "graph3d(x^2+y^2+z^2<9 & z>0)",
    /*  3 */ "graph3d((z=|x|, z=sin(time)*y))",
    /*  4 */ "a := 2.5\nu := a*2\nu",
    /*  5 */ "graph3d.stepsu := 10 ; comments are fine\ngraph3d(z=x)",
    /*  6 */ "e^1",
};

TEST_F(ReleaseTest, FeaturesOfTheCurrentReleaseAreSyntaxErrorsIn2000) {
  files["grid.txt"] = "2 2 2 1 2 3 4 5 6 7 8";
  for (std::size_t i = 0; i < std::size(kOnlyCurrent); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + kOnlyCurrent[i]);
    const ExecResult current = runIn(kCurrentRelease, kOnlyCurrent[i]);
    EXPECT_NE(current.outcome, ExecOutcome::SyntaxError) << current.status;
    EXPECT_EQ(runIn(kRelease2000, kOnlyCurrent[i]).status, "Syntax error");
  }
  for (std::size_t i = 0; i < std::size(kBothReleases); ++i) {
    SCOPED_TRACE("both " + std::to_string(i) + ": " + kBothReleases[i]);
    const ExecResult current = runIn(kCurrentRelease, kBothReleases[i]);
    EXPECT_NE(current.outcome, ExecOutcome::SyntaxError);
    EXPECT_EQ(runIn(kRelease2000, kBothReleases[i]).status, current.status);
  }
}

// A refused colour expression is a refused command: the option keeps the value
// it had, and an earlier named colour still counts.
TEST_F(ReleaseTest, RefusedColourExpressionLeavesTheOptionAlone) {
  EXPECT_EQ(runIn(kRelease2000, "graph3d.color := blue\ngraph3d.color := 2*x\ngraph3d(z=x)").outcome,
            ExecOutcome::Graph);
  EXPECT_EQ(cell(kColor), kBlue);
  EXPECT_TRUE(isColorConstant(state.surfaceColorExpression));
}

// Defaults.vlx: every option the release knows, once, set to its default, and a
// graph command last.
TEST_F(ReleaseTest, DefaultsFileSetsEveryOptionOfItsReleaseToItsDefault) {
  for (const ReleaseProfile* release : {&kCurrentRelease, &kRelease2000}) {
    SCOPED_TRACE(std::string(release->name));
    const std::string text = defaultsText(*release);
    EXPECT_EQ(runIn(*release, text).outcome, ExecOutcome::Graph);
    int assignments = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = text.substr(start, end - start);
      const std::size_t assign = line.find(" := ");
      if (assign == std::string::npos) continue;
      ++assignments;
      const KeywordEntry* keyword = lookupKeyword(line.substr(0, assign));
      ASSERT_TRUE(keyword && keyword->kind == kTokenCell) << line;
      // The line alone, as a last command, shows the value it assigns.
      const ExecResult alone = runIn(*release, line);
      EXPECT_EQ(alone.value, optionDefault(keyword->datum.cell)) << line;
    }
    int named = 0;
    for (const KeywordEntry& entry : kKeywords)
      named += entry.kind == kTokenCell && keywordInRelease(entry, *release) && entry.datum.cell != kTime &&
               entry.datum.cell != kX && entry.datum.cell != kY && entry.datum.cell != kZ;
    EXPECT_EQ(assignments, named);
  }
}

}  // namespace
}  // namespace vx::testing
