#include <vector>

#include "lang/keywords.h"
#include "lang/lexer.h"
#include "lang_fixture.h"

namespace vx::testing {
namespace {

class LexerTest : public LangTest {
 protected:
  // The token kinds of the command starting at the first line, up to and
  // including the end or the first invalid token.
  std::vector<TokenKind> kinds(std::string_view text, const SourceLine** next = nullptr) {
    lines_ = LineList::fromText(text);
    Lexer lexer(state, lines_.first());
    std::vector<TokenKind> out;
    for (int guard = 0; guard < 100; ++guard) {
      Token t = lexer.next();
      out.push_back(t.kind);
      if (t.kind == kTokenNumber || t.kind == kTokenString) release(state, t.node);
      if (t.kind == kTokenEnd || t.kind == kTokenInvalid) break;
    }
    if (next) *next = lexer.nextLine();
    return out;
  }

  double number(std::string_view text) {
    lines_ = LineList::fromText(text);
    Lexer lexer(state, lines_.first());
    Token t = lexer.next();
    EXPECT_EQ(t.kind, kTokenNumber) << text;
    double value = t.kind == kTokenNumber ? static_cast<NumberNode*>(t.node)->value : -1;
    if (t.kind == kTokenNumber) release(state, t.node);
    EXPECT_EQ(lexer.next().kind, kTokenEnd) << text;
    return value;
  }

  LineList lines_;
};

using K = std::vector<TokenKind>;

struct LexCase {
  const char* text;
  K expected;
};

TEST_F(LexerTest, TokenSequences) {
  const LexCase cases[] = {
      {"GRAPH3D(Z=X)", {kTokenGraph3d, kTokenOpen, kTokenCell, kTokenEqual, kTokenCell, kTokenClose, kTokenEnd}},
      {"graph3d.view:=top", {kTokenCell, kTokenAssign, kTokenConstant, kTokenEnd}},
      {"graph3d.view : = top", {kTokenCell, kTokenInvalid}},
      {"a :", {kTokenCell, kTokenInvalid}},
      {"\tx", {kTokenInvalid}},
      {"x\x01", {kTokenCell, kTokenInvalid}},
      {"z^2 > =x^2", {kTokenCell, kTokenPower, kTokenNumber, kTokenGreater, kTokenEqual, kTokenCell, kTokenPower,
                      kTokenNumber, kTokenEnd}},
      {"a<=b>=c<d>e", {kTokenCell, kTokenLessEqual, kTokenCell, kTokenGreaterEqual, kTokenCell, kTokenLess,
                       kTokenCell, kTokenGreater, kTokenConstant, kTokenEnd}},
      {"+-*/^!%|&,", {kTokenPlus, kTokenMinus, kTokenTimes, kTokenDivide, kTokenPower, kTokenFactorial,
                      kTokenPercent, kTokenBar, kTokenAnd, kTokenComma, kTokenEnd}},
      {"3x", {kTokenNumber, kTokenCell, kTokenEnd}},
      {"2e", {kTokenInvalid}},
      {"2e+", {kTokenInvalid}},
      {"2ex", {kTokenInvalid}},
      {". 5", {kTokenInvalid}},
      {"x ; comment ( with anything $", {kTokenCell, kTokenEnd}},
      {"\"file.txt\" x", {kTokenString, kTokenCell, kTokenEnd}},
      {"\"unterminated", {kTokenInvalid}},
      {"x.minimum", {kTokenInvalid}},
      {"r theta rho phi", {kTokenDerived, kTokenDerived, kTokenDerived, kTokenDerived, kTokenEnd}},
      {"sin beta near read3dtextfile",
       {kTokenFunction1, kTokenFunction2, kTokenGraphFunction, kTokenFunction1, kTokenEnd}},
      {"#", {kTokenInvalid}},
      {"_x", {kTokenInvalid}},
      {"\xC3\xA9", {kTokenInvalid}},
      {"(x", {kTokenOpen, kTokenCell, kTokenInvalid}},  // open parenthesis and no further line
  };
  for (const LexCase& c : cases) EXPECT_EQ(kinds(c.text), c.expected) << c.text;
}

TEST_F(LexerTest, NamesUpTo32Characters) {
  // 32 characters is looked up (and is not a keyword); 33 is refused before lookup.
  std::string name32 = "graph3d.vectorarrowhead" + std::string(9, 'x');
  ASSERT_EQ(name32.size(), 32u);
  EXPECT_EQ(kinds(name32), (K{kTokenInvalid}));
  EXPECT_EQ(kinds("GRAPH3D.VectorArrowHead"), (K{kTokenCell, kTokenEnd}));
}

TEST_F(LexerTest, NumberLiterals) {
  EXPECT_EQ(number(".5"), 0.5);
  EXPECT_EQ(number("5."), 5);
  EXPECT_EQ(number("1.856E3"), 1856);
  EXPECT_EQ(number("1.e5"), 100000);
  EXPECT_EQ(number("1e400"), std::numeric_limits<double>::infinity());
}

TEST_F(LexerTest, OpenParenthesesContinueOnTheNextLine) {
  const SourceLine* next = nullptr;
  EXPECT_EQ(kinds("(x ; a comment\n)\ny", &next), (K{kTokenOpen, kTokenCell, kTokenClose, kTokenEnd}));
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->view(), "y");
  EXPECT_EQ(kinds("(x\n)", &next), (K{kTokenOpen, kTokenCell, kTokenClose, kTokenEnd}));
  EXPECT_EQ(next, nullptr);
}

TEST_F(LexerTest, TimeMarksTheCommand) {
  kinds("x+1");
  EXPECT_FALSE(state.usesTime);
  kinds("TIME+1");
  EXPECT_TRUE(state.usesTime);
}

TEST(Keywords, ListShape) {
  EXPECT_EQ(lookupKeyword("e")->kind, kTokenConstant);
  EXPECT_EQ(lookupKeyword("Graph3D.Color"), lookupKeyword("graph3d.color"));
  EXPECT_EQ(lookupKeyword("graph3d.colo"), nullptr);
  EXPECT_EQ(static_cast<ConstantNode*>(lookupKeyword("e")->datum.node)->keyword, lookupKeyword("e"));
  EXPECT_EQ(static_cast<ConstantNode*>(lookupKeyword("tip")->datum.node)->value, 1);
  EXPECT_EQ(static_cast<ConstantNode*>(lookupKeyword("top")->datum.node)->value, 1);
  EXPECT_EQ(static_cast<ConstantNode*>(lookupKeyword("tail")->datum.node)->value, -1);
  int counts[29] = {};
  for (const KeywordEntry& entry : kKeywords) {
    ++counts[entry.kind];
    EXPECT_EQ(lookupKeyword(entry.name), &entry) << entry.name;  // no name occurs twice
    if (entry.kind == kTokenConstant) {
      auto* node = static_cast<ConstantNode*>(entry.datum.node);
      EXPECT_EQ(node->keyword, &entry) << entry.name;
      const std::string_view colours = " byheight bysteepness black gray white brown red yellow green cyan blue magenta ";
      const bool colour = colours.find(" " + std::string(entry.name) + " ") != std::string_view::npos;
      EXPECT_EQ(isColorConstant(node), colour) << entry.name;
    }
  }
  EXPECT_EQ(counts[kTokenCell], 46);
  EXPECT_EQ(counts[kTokenDerived], 4);
  EXPECT_EQ(counts[kTokenConstant], 24);
  EXPECT_EQ(counts[kTokenFunction1] + counts[kTokenFunction2] + counts[kTokenGraphFunction], 43);
  EXPECT_EQ(counts[kTokenGraph3d], 1);
  for (int code = 0; code < kColorConstantCount; ++code) EXPECT_EQ(kColorConstants[code].value, code);
}

}  // namespace
}  // namespace vx::testing
