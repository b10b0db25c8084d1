#include "lang/defaults.h"

#include <string_view>

#include "lang/format.h"
#include "lang/keywords.h"

namespace vx {

namespace {

// How a default is written: a number, or the name of the constant it equals.
enum class Spelling { Number, Truth, View, Color, Alignment };

struct OptionLine {
  CellId cell;
  Spelling spelling;
  std::string_view meaning;
};

// In the order of the option table; the scroll ranges of the 0..1 options have no
// name in the language and are not listed.
constexpr OptionLine kOptionLines[] = {
    {kA, Spelling::Number, "scroll-bar variable"},
    {kAMinimum, Spelling::Number, "least value the scroll bar gives a"},
    {kAMaximum, Spelling::Number, "greatest value the scroll bar gives a"},
    {kB, Spelling::Number, "scroll-bar variable"},
    {kBMinimum, Spelling::Number, "least value the scroll bar gives b"},
    {kBMaximum, Spelling::Number, "greatest value the scroll bar gives b"},
    {kC, Spelling::Number, "scroll-bar variable"},
    {kCMinimum, Spelling::Number, "least value the scroll bar gives c"},
    {kCMaximum, Spelling::Number, "greatest value the scroll bar gives c"},
    {kD, Spelling::Number, "scroll-bar variable"},
    {kDMinimum, Spelling::Number, "least value the scroll bar gives d"},
    {kDMaximum, Spelling::Number, "greatest value the scroll bar gives d"},
    {kU, Spelling::Number, "parameter u"},
    {kMinimumU, Spelling::Number, "start of the u range"},
    {kMaximumU, Spelling::Number, "end of the u range"},
    {kStepsU, Spelling::Number, "steps along u"},
    {kV, Spelling::Number, "parameter v"},
    {kMinimumV, Spelling::Number, "start of the v range"},
    {kMaximumV, Spelling::Number, "end of the v range"},
    {kStepsV, Spelling::Number, "steps along v"},
    {kResolution, Spelling::Number, "sample points along the longest side of the box"},
    {kTransparency, Spelling::Number, "0 opaque .. 1 clear"},
    {kShading, Spelling::Number, "0 flat .. 1 fully shaded"},
    {kHighlight, Spelling::Number, "0 none .. 1 bright highlights"},
    {kContrast, Spelling::Number, "0 .. 1, contrast of the colours"},
    {kMesh, Spelling::Truth, "draw the mesh lines"},
    {kBox, Spelling::Truth, "draw the box with its labels"},
    {kPerspective, Spelling::Truth, "perspective (false: parallel projection)"},
    {kView, Spelling::View, "standard, top, front, side or textbook"},
    {kColor, Spelling::Color, "surface colour: byheight, bysteepness, a named colour"},
    {kBackground, Spelling::Color, "background colour"},
    {kMinimumX, Spelling::Number, "the box"},
    {kMinimumY, Spelling::Number, "the box"},
    {kMinimumZ, Spelling::Number, "the box"},
    {kMaximumX, Spelling::Number, "the box"},
    {kMaximumY, Spelling::Number, "the box"},
    {kMaximumZ, Spelling::Number, "the box"},
    {kVectorShading, Spelling::Number, "0 .. 1, shading of vector arrows"},
    {kVectorHighlight, Spelling::Number, "0 .. 1, highlight of vector arrows"},
    {kVectorColor, Spelling::Color, "colour of vector arrows"},
    {kVectorAlign, Spelling::Alignment, "arrow at its point by its tail, center or tip"},
    {kVectorArrowhead, Spelling::Truth, "draw arrowheads"},
};

constexpr std::string_view kTruthNames[] = {"false", "true"};
constexpr std::string_view kViewNames[] = {"standard", "top", "front", "side", "textbook"};
constexpr std::string_view kAlignmentNames[] = {"tail", "center", "tip"};

const KeywordEntry* cellKeyword(CellId cell) {
  for (const KeywordEntry& entry : kKeywords)
    if (entry.kind == kTokenCell && entry.datum.cell == cell) return &entry;
  return nullptr;
}

std::string spell(Spelling spelling, double value) {
  const int code = static_cast<int>(value);
  switch (spelling) {
    case Spelling::Truth: return std::string(kTruthNames[value != 0]);
    case Spelling::View: return std::string(kViewNames[code]);
    case Spelling::Color: return std::string(kColorConstants[code].keyword->name);
    case Spelling::Alignment: return std::string(kAlignmentNames[code + 1]);
    case Spelling::Number: break;
  }
  return FormatNumber(value);
}

constexpr std::string_view kHeader =
    "; Every variable and option with the value it has before a graph file runs.\n"
    "; Each graph file starts from these: copy a line into yours and change the value.\n"
    "; time counts the seconds of the animation clock; x, y and z are the points of\n"
    "; the grid, which the graph command fills in.\n";

constexpr std::string_view kGraphCommand =
    "; The last line says what to draw.\n"
    "graph3d(x^2+y^2+z^2=9)\n";

}  // namespace

std::string defaultsText(const ReleaseProfile& release) {
  std::string text(kHeader);
  for (const OptionLine& line : kOptionLines) {
    const KeywordEntry* keyword = cellKeyword(line.cell);
    if (!keyword || !keywordInRelease(*keyword, release)) continue;
    text += std::string(keyword->name) + " := " + spell(line.spelling, optionDefault(line.cell)) + " ; " +
            std::string(line.meaning) + "\n";
  }
  text += kGraphCommand;
  return text;
}

}  // namespace vx
