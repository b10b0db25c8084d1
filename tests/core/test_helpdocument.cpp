// The Help document as a user reads it, checked against the language as built,
// and the dialogs' explanatory texts: their lengths and what they must tell.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "core/dialogtexts.h"
#include "core/helpdocument.h"
#include "lang/format.h"
#include "lang/keywords.h"
#include "lang/lang.h"
#include "lang/nodes.h"

namespace vx {
namespace {

constexpr std::string_view kTitles[] = {
    "COMMON ERRORS",  "INEQUALITIES", "DEFAULTS.VLX", "RESOLUTION", "COPYING A GRAPH TO THE CLIPBOARD",
    "COPYING A GRAPH INTO ANOTHER APPLICATION", "PRINTING A GRAPH", "FILE FORMAT", "UNINSTALLATION", "OPTIONS",
    "VALUES FOR OPTIONS", "CONSTANTS", "VARIABLES", "SYMBOLS", "ONE ARGUMENT FUNCTIONS", "TWO ARGUMENT FUNCTIONS",
    "THREE ARGUMENT FUNCTIONS", "KNOWN PROBLEMS", "HISTORY"};

// Every CR is followed by LF and every LF follows a CR.
bool onlyCrLf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// The body of a section: from its title line to the next title line.
std::string_view sectionOf(std::string_view document, std::string_view title) {
  const std::string heading = "\r\n" + std::string(title) + "\r\n";
  std::size_t start = document.find(heading);
  if (start == std::string_view::npos) return {};
  start += heading.size();
  std::size_t end = document.size();
  for (std::string_view other : kTitles) {
    std::size_t next = document.find("\r\n" + std::string(other) + "\r\n", start);
    if (next != std::string_view::npos) end = std::min(end, next);
  }
  return document.substr(start, end - start);
}

bool hasLineStarting(std::string_view section, std::string_view start) {
  return section.substr(0, start.size()) == start ||
         section.find("\r\n" + std::string(start)) != std::string_view::npos;
}

// What follows "name := " on the option's line, up to the blank before its note.
std::string shownDefault(std::string_view section, std::string_view name) {
  const std::string head = "\r\n" + std::string(name) + " := ";
  std::size_t at = section.find(head);
  if (at == std::string_view::npos) return "(missing)";
  at += head.size();
  return std::string(section.substr(at, section.find_first_of(" \r", at) - at));
}

bool showsDefault(const std::string& shown, CellId cell) {
  const double value = optionDefault(cell);
  if (shown == FormatNumber(value)) return true;
  const KeywordEntry* named = lookupKeyword(shown);
  return named && named->kind == kTokenConstant &&
         static_cast<const ConstantNode*>(named->datum.node)->value == value;
}

TEST(HelpDocument, ReadsInOrderAndDescribesTheLanguageAsBuilt) {
  const std::string document = helpDocument();
  EXPECT_GE(document.size(), 17243u);
  EXPECT_LE(document.size(), 19057u);
  EXPECT_TRUE(onlyCrLf(document));

  // Header with the version, then the sections in order, the history last.
  const std::size_t version = document.find("Version 2001.11.09");
  std::size_t previous = version;
  for (std::string_view title : kTitles) {
    std::size_t at = document.find("\r\n" + std::string(title) + "\r\n");
    ASSERT_NE(at, std::string::npos) << title;
    EXPECT_GT(at, previous) << title;
    previous = at;
  }
  const std::string_view history = sectionOf(document, "HISTORY");
  EXPECT_EQ(history.rfind("Version 2001.11.09"), history.rfind("Version "));
  EXPECT_NE(sectionOf(document, "INEQUALITIES").find("blue is true"), std::string_view::npos);
  const std::string_view resolution = sectionOf(document, "RESOLUTION");
  for (std::string_view fact :
       {"21 by 21 by 21", "40 by 40", "graph3d.resolution", "graph3d.stepsu", "graph3d.stepsv"})
    EXPECT_NE(resolution.find(fact), std::string_view::npos) << fact;

  // Every option with its default, named options by their names; every
  // variable, constant and function in its own section; every keyword described.
  const std::string_view options = sectionOf(document, "OPTIONS");
  const std::string_view variables = sectionOf(document, "VARIABLES");
  const std::string_view constants = sectionOf(document, "CONSTANTS");
  const std::string_view oneArgument = sectionOf(document, "ONE ARGUMENT FUNCTIONS");
  const std::string_view twoArguments = sectionOf(document, "TWO ARGUMENT FUNCTIONS");
  const std::string_view threeArguments = sectionOf(document, "THREE ARGUMENT FUNCTIONS");
  for (const KeywordEntry& entry : kKeywords) {
    const std::string name(entry.name);
    if (entry.kind != kTokenGraph3d) {
      EXPECT_FALSE(keywordDescription(name).empty()) << name;
    }
    bool listed = true;
    switch (entry.kind) {
      case kTokenCell:
        if (name.find('.') != std::string::npos) {
          listed = showsDefault(shownDefault(options, name), entry.datum.cell);
        } else {
          // time and x, y, z have no starting value to show.
          const bool valued = name != "time" && !std::isnan(optionDefault(entry.datum.cell));
          listed = hasLineStarting(variables, name + (valued ? " := " : "   "));
        }
        break;
      case kTokenDerived: listed = hasLineStarting(variables, name + "   "); break;
      case kTokenConstant: listed = hasLineStarting(constants, name + " = "); break;
      case kTokenFunction1: listed = hasLineStarting(oneArgument, name + "("); break;
      case kTokenFunction2: listed = hasLineStarting(twoArguments, name + "(a, b)"); break;
      case kTokenGraphFunction: listed = hasLineStarting(threeArguments, name + "("); break;
      default: break;
    }
    EXPECT_TRUE(listed) << name;
  }
  for (std::string_view line :
       {"graph3d.resolution := 21", "graph3d.background := white", "graph3d.view := standard",
        "graph3d.color := byheight", "graph3d.vectorcolor := black", "graph3d.vectoralign := tail",
        "graph3d.mesh := true", "graph3d.vectorarrowhead := false", "graph3d.contrast := .5", "d.maximum := 2",
        "graph3d.minimumu := -3"})
    EXPECT_TRUE(hasLineStarting(options, line)) << line;
  EXPECT_TRUE(hasLineStarting(constants, "pi = 3.141592653589793   "));
  EXPECT_TRUE(hasLineStarting(variables, "a := 1   "));
  const std::string_view values = sectionOf(document, "VALUES FOR OPTIONS");
  EXPECT_TRUE(hasLineStarting(values, "   textbook (4)"));
  EXPECT_TRUE(hasLineStarting(values, "   tail (-1)"));
  EXPECT_TRUE(hasLineStarting(threeArguments, "spherical(rho, theta, phi)"));
}

TEST(DialogTexts, LengthsAndWhatEachMustSay) {
  struct Case {
    std::string_view text;
    std::size_t length;
    std::string_view mustSay[3];
  };
  const Case cases[] = {
      {kEditText, 670, {"graph3d( 2*x^2 + 3*y^2 + z^2 = 9 )", "Ctrl-V", "DEFAULTS.VLX"}},
      {kColorText, 393, {"true blue", "SCROLLBAR", "DEFAULTS.VLX"}},
      {kAnimateText,
       831,
       {"GRAPH3D( X^2 + Y^2 + SIN(TIME) = Z^2 )", "GRAPH3D( A*X^2 + B*Y^2 + C*Z^2 = 9*D^2 )", "PAGEDOWN"}},
      {kVideoModeText, 726, {"256 colors", "Display", "True Color"}},
      {kSavePanelText, 405, {".VLX", "* < > : \" / \\ | ?", "overwritten"}},
      {kSaveQuestionText, 317, {"Veltrix Viewer", "error checking", "text editor"}},
      {kPrintText, 376, {"CLIPBOARD", "paste", "print"}},
      {kClipboardText, 755, {"device-independent bitmap inside a metafile", "Print Screen", "EDIT"}},
      {kInternetText, 1272, {"\"application/vnd.veltrix\"", "vlx, zqm and veltrix", "<a href=\""}},
      {kScrollbarText, 355, {"A to D", ".vlx", "DEFAULTS.VLX"}},
      {kOpenPanelText, 322, {".VLX", "EDIT", "DEFAULTS.VLX"}},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(double(c.text.size()), double(c.length), c.length * 0.05) << c.text.substr(0, 40);
    EXPECT_TRUE(onlyCrLf(c.text)) << c.text.substr(0, 40);
    for (std::string_view statement : c.mustSay)
      EXPECT_NE(c.text.find(statement), std::string_view::npos) << statement;
  }
  const std::string_view question = "\r\n\r\nOK to copy a picture of the graph to the clipboard?";
  EXPECT_EQ(kClipboardText.substr(kClipboardText.size() - question.size()), question);
  for (std::string_view fixed : {kBackgroundText, kExitPromptText, kOpenPromptText, kVideoModeRefusalText})
    EXPECT_TRUE(onlyCrLf(fixed));
}

}  // namespace
}  // namespace vx
