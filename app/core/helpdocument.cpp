// The Help document: prose sections held as data, and reference sections built
// from the keyword list and the option defaults. Everything is assembled with
// '\n' and turned into CR LF at the end, so no line end can be missed.
#include "core/helpdocument.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "lang/format.h"
#include "lang/keywords.h"
#include "lang/lang.h"
#include "lang/nodes.h"

namespace vx {

namespace {

// ---- What the reference says about each keyword ---------------------------------

struct KeywordNote {
  std::string_view name;
  std::string_view note;
  std::string_view arguments = {};  // how a call is written, when not the usual (x), (a, b), (a, b, c)
};

constexpr KeywordNote kKeywordNotes[] = {
    // Variables.
    {"time", "seconds on the animation clock; a graph that uses it moves by itself"},
    {"a", "free variable; the scrollbar can change it between a.minimum and a.maximum"},
    {"b", "free variable, like a"},
    {"c", "free variable, like a"},
    {"d", "free variable, like a"},
    {"u", "first parameter of parametric graphs"},
    {"v", "second parameter of parametric graphs"},
    {"x", "first coordinate of the point being drawn"},
    {"y", "second coordinate of the point being drawn"},
    {"z", "third (vertical) coordinate of the point being drawn"},
    {"r", "distance from the z axis, sqrt(x^2 + y^2)"},
    {"theta", "angle around the z axis from the positive x axis, 0 to 2*pi, counterclockwise"},
    {"rho", "distance from the origin, sqrt(x^2 + y^2 + z^2)"},
    {"phi", "angle down from the positive z axis, 0 to pi"},
    // Options.
    {"a.minimum", "value of a at the bottom of the scrollbar"},
    {"a.maximum", "value of a at the top of the scrollbar"},
    {"b.minimum", "value of b at the bottom of the scrollbar"},
    {"b.maximum", "value of b at the top of the scrollbar"},
    {"c.minimum", "value of c at the bottom of the scrollbar"},
    {"c.maximum", "value of c at the top of the scrollbar"},
    {"d.minimum", "value of d at the bottom of the scrollbar"},
    {"d.maximum", "value of d at the top of the scrollbar"},
    {"graph3d.minimumu", "smallest value of u"},
    {"graph3d.maximumu", "largest value of u"},
    {"graph3d.stepsu", "number of steps from the smallest to the largest u"},
    {"graph3d.minimumv", "smallest value of v"},
    {"graph3d.maximumv", "largest value of v"},
    {"graph3d.stepsv", "number of steps from the smallest to the largest v"},
    {"graph3d.box", "draws the box around the graph"},
    {"graph3d.mesh", "draws the grid lines on surfaces"},
    {"graph3d.view", "direction from which the graph is first seen"},
    {"graph3d.color", "color of surfaces"},
    {"graph3d.vectoralign", "where each arrow stands on its grid point"},
    {"graph3d.vectorarrowhead", "draws heads on the arrows of vector fields"},
    {"graph3d.vectorcolor", "color of the arrows of vector fields"},
    {"graph3d.background", "color behind the graph"},
    {"graph3d.perspective", "draws near things larger than far things"},
    {"graph3d.resolution", "grid points along the longest side of the box"},
    {"graph3d.transparency", "0 is solid, 1 is clear"},
    {"graph3d.shading", "0 is flat color, 1 is fully shaded"},
    {"graph3d.vectorshading", "shading of arrows, 0 to 1"},
    {"graph3d.highlight", "0 is dull, 1 is shiny"},
    {"graph3d.vectorhighlight", "highlight of arrows, 0 to 1"},
    {"graph3d.contrast", "0 is soft, 1 is harsh"},
    {"graph3d.minimumx", "left end of the box"},
    {"graph3d.minimumy", "front end of the box"},
    {"graph3d.minimumz", "bottom of the box"},
    {"graph3d.maximumx", "right end of the box"},
    {"graph3d.maximumy", "back end of the box"},
    {"graph3d.maximumz", "top of the box"},
    // Constants.
    {"e", "base of the natural logarithm"},
    {"pi", "half the circumference of a circle of radius 1"},
    {"true", "yes, for on/off options"},
    {"false", "no, for on/off options"},
    {"standard", "turned and tilted so that all three axes show, x running most nearly across"},
    {"top", "view straight down"},
    {"front", "view from the front"},
    {"side", "view from the right side"},
    {"textbook", "like standard, but y runs most nearly across, as textbooks draw it"},
    {"tail", "arrow starts at its grid point"},
    {"center", "arrow is centered on its grid point"},
    {"tip", "arrow ends at its grid point"},
    {"byheight", "colors by height: red at the top, green in the middle, blue at the bottom"},
    {"bysteepness", "colors by slope: blue where level, red where vertical"},
    {"black", "solid black"},
    {"gray", "solid gray"},
    {"white", "solid white"},
    {"brown", "solid brown"},
    {"red", "solid red"},
    {"yellow", "solid yellow"},
    {"green", "solid green"},
    {"cyan", "solid cyan"},
    {"blue", "solid blue"},
    {"magenta", "solid magenta"},
    // One-argument functions.
    {"gamma", "gamma function; gamma(n+1) = n! for whole numbers n; undefined at 0 and negative whole numbers"},
    {"ceiling", "smallest whole number not below x"},
    {"floor", "largest whole number not above x"},
    {"read3dtextfile",
     "values of a three-dimensional array read from a text file, looked up at each grid point; the grid takes "
     "the size of the array",
     "(\"file name\")"},
    {"abs", "absolute value, also written |x|"},
    {"sign", "1 for positive x, -1 for negative x, undefined at 0"},
    {"one", "1 where 0 <= x <= 1, otherwise undefined; cuts a graph down to a range"},
    {"nonneg", "1 where x >= 0, otherwise undefined"},
    {"sqr", "square, x^2"},
    {"sqrt", "square root, also x^0.5; undefined for negative x"},
    {"ln", "natural logarithm"},
    {"log", "logarithm to base 10"},
    {"sin", "sine (x in radians)"},
    {"cos", "cosine"},
    {"tan", "tangent"},
    {"csc", "cosecant, 1/sin(x)"},
    {"sec", "secant, 1/cos(x)"},
    {"cot", "cotangent, cos(x)/sin(x)"},
    {"sinh", "hyperbolic sine"},
    {"cosh", "hyperbolic cosine"},
    {"tanh", "hyperbolic tangent"},
    {"csch", "hyperbolic cosecant"},
    {"sech", "hyperbolic secant"},
    {"coth", "hyperbolic cotangent"},
    {"asinh", "inverse hyperbolic sine"},
    {"acosh", "inverse hyperbolic cosine"},
    {"atanh", "inverse hyperbolic tangent"},
    {"acsch", "inverse hyperbolic cosecant"},
    {"asech", "inverse hyperbolic secant"},
    {"acoth", "inverse hyperbolic cotangent"},
    {"asin", "inverse sine, -pi/2 to pi/2"},
    {"acos", "inverse cosine, 0 to pi"},
    {"atan", "inverse tangent, -pi/2 to pi/2"},
    {"acsc", "inverse cosecant, -pi/2 to pi/2"},
    {"asec", "inverse secant, 0 to pi"},
    {"acot", "inverse cotangent, 0 to pi"},
    // Two-argument functions.
    {"beta", "beta function, gamma(a)*gamma(b)/gamma(a+b)"},
    {"angle", "angle of the point (a, b) from the positive first axis, -pi to pi"},
    // Three-argument functions.
    {"vector", "draws an arrow with components a, b, c at every grid point: a vector field"},
    {"rectangular", "parametric graph: the point (x, y, z), each an expression in u and v", "(x, y, z)"},
    {"cylindrical", "parametric graph in cylindrical coordinates, each an expression in u and v",
     "(r, theta, z)"},
    {"spherical", "parametric graph in spherical coordinates, each an expression in u and v",
     "(rho, theta, phi)"},
    {"near",
     "1 at the grid points within half a grid step of the point (a, b, c), otherwise undefined; multiply a "
     "vector's component by it to keep only the arrows there"},
};

// ---- Options that take named values ----------------------------------------------

constexpr std::string_view kTruthNames[] = {"true", "false"};
constexpr std::string_view kViewNames[] = {"standard", "top", "front", "side", "textbook"};
constexpr std::string_view kColorNames[] = {"byheight", "bysteepness", "black", "gray", "white", "brown",
                                            "red", "yellow", "green", "cyan", "blue", "magenta"};
constexpr std::string_view kSolidColorNames[] = {"black", "gray", "white", "brown", "red",
                                                 "yellow", "green", "cyan", "blue", "magenta"};
constexpr std::string_view kAlignmentNames[] = {"tail", "center", "tip"};

struct NamedValues {
  std::span<const std::string_view> names;
  std::string_view note;  // after the list
  CellId cells[4];
  int cellCount;
};

const NamedValues kNamedValues[] = {
    {kTruthNames, "Any number other than 0 counts as true.", {kBox, kMesh, kPerspective, kVectorArrowhead}, 4},
    {kViewNames, "Other numbers give the standard view.", {kView}, 1},
    {kColorNames,
     "Any other expression colors each point by its value: as the part after the decimal point grows from 0 "
     "to 1, the color runs from red through magenta, blue, cyan, green and yellow back to red. For example "
     "graph3d.color := z/2 + time/6 makes moving bands of color.",
     {kColor, kVectorColor},
     2},
    {kSolidColorNames, "", {kBackground}, 1},
    {kAlignmentNames, "", {kVectorAlign}, 1},
};

// ---- The sections ----------------------------------------------------------------

enum class Table { None, Contents, Options, Values, Constants, Variables, Functions1, Functions2, Functions3 };

struct Section {
  std::string_view title;  // "" for the header paragraph
  std::string_view text;   // prose before the table; '\n' breaks lines
  Table table = Table::None;
};

constexpr Section kSections[] = {
    {"",
     "VELTRIX HELP\n"
     "\n"
     "Veltrix draws graphs in three dimensions: equations, inequalities and their intersections, parametric "
     "curves and surfaces, and vector fields. You write a graph as a few lines of commands, and Veltrix draws "
     "it as a shaded picture that you can turn, zoom, slice and animate, save as a graph file, and copy into "
     "other programs. The last line of a graph may also be a calculation such as 2^10; its result is shown "
     "in the status bar.\n"
     "\n"
     "To draw a first graph, click on EDIT, type graph3d( x^2 + y^2 + z^2 = 9 ) and click on EXECUTE. To see "
     "what else Veltrix can draw, OPEN the sample graphs and click on EDIT to read their commands.\n"
     "\n"
     "Version 2001.11.09\n"
     "\n"
     "This document has these sections:",
     Table::Contents},
    {"COMMON ERRORS",
     "When Veltrix cannot understand the last line of a graph, the status bar shows \"Syntax error\" and the "
     "picture stays as it was. These are the seven most common causes.\n"
     "\n"
     "1. A missing multiplication sign. Veltrix never multiplies two things written side by side.\n"
     "2. A function without parentheses around its argument.\n"
     "3. = instead of := when an option or variable is given a value.\n"
     "4. The GRAPH3D command is not the last line. Only the last line draws; a comment or a line of spaces "
     "after it counts as the last line.\n"
     "5. Two commands on one line. Each command starts on a line of its own.\n"
     "6. A space inside :=, <= or >=.\n"
     "7. Square brackets or braces. Only parentheses group.\n"
     "\n"
     "The same mistakes as graph commands:\n"
     "\n"
     "1. WRONG:  graph3d( z = 2x + 3(y - 1) )\n"
     "   RIGHT:  graph3d( z = 2*x + 3*(y - 1) )\n"
     "2. WRONG:  graph3d( z = sin x )\n"
     "   RIGHT:  graph3d( z = sin(x) )\n"
     "3. WRONG:  graph3d.resolution = 30\n"
     "   RIGHT:  graph3d.resolution := 30\n"
     "4. WRONG:  graph3d( x^2 + y^2 = 4 ) followed by graph3d.mesh := false\n"
     "   RIGHT:  graph3d.mesh := false followed by graph3d( x^2 + y^2 = 4 )\n"
     "5. WRONG:  graph3d.box := false graph3d( z = x*y )\n"
     "   RIGHT:  graph3d.box := false and graph3d( z = x*y ) on two lines\n"
     "6. WRONG:  graph3d( z^2 > = x^2 + y^2 )\n"
     "   RIGHT:  graph3d( z^2 >= x^2 + y^2 )\n"
     "7. WRONG:  graph3d( z = [x + 1]^2 )\n"
     "   RIGHT:  graph3d( z = (x + 1)^2 )\n"
     "\n"
     "Other things to check: names are spelled as in the lists below (upper and lower case are the same); "
     "a tab character is not a space; and several graphs in one command need their own parentheses, as in "
     "graph3d( (x^2 + y^2 + z^2 = 9, z = 0) )."},
    {"INEQUALITIES",
     "An inequality such as graph3d( x^2 + y^2 + z^2 <= 9 ) draws the surface that bounds its region, and "
     "the colors tell the two sides apart: blue is true. The side of the surface that faces the region where "
     "the inequality holds is blue, and the other side is red.\n"
     "\n"
     "With <= and >= the surface belongs to the region: the true side is pure blue and the false side "
     "pink-magenta. With < and > it does not: the true side is violet and the false side pure red.\n"
     "\n"
     "Join inequalities with & to draw the region where all of them hold, for example "
     "graph3d( x^2 + y^2 + z^2 <= 9 & z >= 0 ) for half a ball. Such an intersection is colored like an "
     "equation, by the surface color.\n"
     "\n"
     "The Color dialog does not change the colors of inequalities, except BySteepness, which colors every "
     "surface by its slope. To look inside a region, click on SCROLLBAR and choose a slice."},
    {"DEFAULTS.VLX",
     "The file Defaults.vlx in the sample folder sets every option to its default value, one option per line, "
     "and ends with a graph command. OPEN it and click on EDIT to see all of the options at once, and copy the "
     "lines you need into your own graphs.\n"
     "\n"
     "Every time a graph is drawn from OPEN or EXECUTE, all options first go back to their defaults, so a "
     "graph only needs lines for the options it changes, and an option set by one graph never carries over "
     "to the next."},
    {"RESOLUTION",
     "Equations and inequalities are computed at the points of a grid that fills the box: 21 by 21 by 21 "
     "points at the default resolution. graph3d.resolution sets the number of points along the longest side "
     "of the box; the shorter sides get fewer points in proportion. A vector field draws one arrow at each "
     "grid point.\n"
     "\n"
     "Parametric graphs are computed on a grid of 40 by 40 steps of u and v. graph3d.stepsu and "
     "graph3d.stepsv change the number of steps, and graph3d.minimumu, graph3d.maximumu, graph3d.minimumv "
     "and graph3d.maximumv their ranges.\n"
     "\n"
     "A higher resolution draws finer detail but takes longer: doubling graph3d.resolution makes an "
     "equation take about eight times as long. Parts of a graph smaller than one grid step can be missed "
     "altogether. A data file read with read3dtextfile sets the grid to the size of its array."},
    {"COPYING A GRAPH TO THE CLIPBOARD",
     "Click on CLIPBOARD and then on OK. Veltrix copies the picture, exactly as the window shows it, to the "
     "clipboard as a device-independent bitmap inside a metafile. Make the window the size you want first: "
     "the picture has the window's size.\n"
     "\n"
     "To copy the commands of a graph rather than its picture, click on EDIT, select the text and press "
     "Ctrl-C."},
    {"COPYING A GRAPH INTO ANOTHER APPLICATION",
     "After copying the graph to the clipboard, switch to the other program and choose Paste from its Edit "
     "menu, or press Ctrl-V. Word processors, presentation programs and paint programs all accept the "
     "picture, and most of them let you resize it.\n"
     "\n"
     "Windows can copy pictures too: Alt+Print Screen copies the active window and Print Screen the whole "
     "screen. Use these for programs that do not accept metafiles."},
    {"PRINTING A GRAPH",
     "Veltrix does not print by itself. Copy the graph to the clipboard, paste it into a program that prints, "
     "such as a word processor, and print it from there. A white background (the default) saves ink, and a "
     "large window gives a sharper print."},
    {"FILE FORMAT",
     "A graph file has the extension .VLX (the extensions .ZQM and .VELTRIX work too) and comes in two "
     "forms. A binary graph file is compact and scrambled, and damage is detected when it is read; all of the "
     "sample graphs are binary, and the Veltrix Viewer reads only this form. An ASCII graph file is plain "
     "text that any text editor, such as Notepad, can read and change. SAVE offers both forms, and OPEN reads "
     "either.\n"
     "\n"
     "Both forms hold the same lines, with the same rules as the EDIT box:\n"
     "- one command per line; empty lines are ignored;\n"
     "- options and variables are set with := before the graph command;\n"
     "- the GRAPH3D command comes last;\n"
     "- a command continues on the next lines while its parentheses are open;\n"
     "- a semicolon starts a comment that runs to the end of the line;\n"
     "- upper and lower case letters are the same;\n"
     "- a line may be up to 36,863 characters long.\n"
     "\n"
     "A complete graph file, for example, reads:\n"
     "\n"
     "; half a ball, colored by slope\n"
     "graph3d.resolution := 30\n"
     "graph3d.color := bysteepness\n"
     "graph3d( x^2 + y^2 + z^2 <= 9 & z >= 0 )"},
    {"UNINSTALLATION",
     "To remove Veltrix, click on Start, Programs, Veltrix and then Uninstall. You can also open the Control "
     "Panel, click on Add/Remove Programs, choose Veltrix and click on Add/Remove. Uninstalling removes the "
     "program, the sample graphs, the shortcuts and the file types that setup registered. Graph files that "
     "you saved in other folders are not touched."},
    {"OPTIONS",
     "Each option is listed with its default value. Set an option with := on a line before the graph "
     "command, for example graph3d.resolution := 30.\n",
     Table::Options},
    {"VALUES FOR OPTIONS",
     "These options take named values; each name stands for the number shown and can be used anywhere a "
     "number can.\n",
     Table::Values},
    {"CONSTANTS", "", Table::Constants},
    {"VARIABLES",
     "A value shown is the value the variable starts with in every graph; it can be set with :=, like an "
     "option.\n",
     Table::Variables},
    {"SYMBOLS",
     "+ - * /     add, subtract, multiply, divide\n"
     "^           power: x^3, x^(1/3); (-8)^(1/3) is -2\n"
     "-           before a value: its negative\n"
     "!           factorial after a value: 5! is 120\n"
     "%           percent after a value: 50% is .5\n"
     "| |         absolute value: |x|\n"
     "( )         grouping, and the arguments of functions\n"
     ",           separates arguments, and several graphs in one command\n"
     ":=          gives an option or variable a value\n"
     "=           equation\n"
     "< > <= >=   inequalities\n"
     "&           intersection: where all joined inequalities hold\n"
     ";           comment to the end of the line\n"
     "\" \"         a file name, for read3dtextfile\n"
     "\n"
     "Numbers are written as 12, 1.5, .5 or 1.5E3 (1500)."},
    {"ONE ARGUMENT FUNCTIONS",
     "Angles are in radians. Where a function is undefined, nothing is drawn.\n", Table::Functions1},
    {"TWO ARGUMENT FUNCTIONS", "", Table::Functions2},
    {"THREE ARGUMENT FUNCTIONS",
     "These make sense only inside a graph command. When fewer than three arguments are given the missing "
     "ones count as 0, and arguments after the third are ignored. For example:\n"
     "\n"
     "graph3d( rectangular(u, v, sin(u + v)) )   a parametric surface\n"
     "graph3d( cylindrical(2, u, v) )   a cylinder of radius 2\n"
     "graph3d( vector(x/rho/3, y/rho/3, z/rho/3) )   arrows pointing away from the origin\n"
     "graph3d( vector(near(0, 0, 0), 0, 1) )   one arrow, at the origin\n",
     Table::Functions3},
    {"KNOWN PROBLEMS",
     "- A surface stops short of a pole, such as x = 0 in z = 1/x, and no wall is drawn across the pole.\n"
     "- Narrow parts of a surface can fall between grid points and leave holes. Raise graph3d.resolution.\n"
     "- A parametric curve, which depends on u alone, is drawn as a thin line without shading and can be hard "
     "to see in front of a surface.\n"
     "- Transparency, shading, highlight and contrast need a display with more than 256 colors.\n"
     "- sin, cos, tan, csc, sec and cot are undefined for arguments of about 9.2E18 and beyond.\n"
     "- A graph that uses time keeps the computer busy while Veltrix is the active window; its clock stops "
     "while another program is active.\n"
     "- Changes typed into this Help window are not kept."},
    {"HISTORY",
     "Version 1998.02.16: first release. Equations and inequalities in x, y and z, turned with the arrow "
     "keys; colors and backgrounds.\n"
     "\n"
     "Version 1998.10.05: intersections with &; the variables r, theta, rho and phi; slices with the "
     "scrollbar.\n"
     "\n"
     "Version 1999.06.21: vector fields; the variables a to d on the scrollbar; time for animation; copying "
     "to the clipboard.\n"
     "\n"
     "Version 2000.03.13 (Veltrix 2000): transparency, shading, highlight and contrast on displays with more "
     "than 256 colors; graphs opened from web pages; 271 sample graphs.\n"
     "\n"
     "Version 2001.05.07: binary graph files; parametric graphs with rectangular, cylindrical and spherical; "
     "colors by expression; ceiling, floor, near and read3dtextfile; graph3d.vectoralign and "
     "graph3d.vectorarrowhead; numbers with exponents such as 1.5E3; commands over several lines; lines of up "
     "to 36,863 characters instead of 1,535.\n"
     "\n"
     "Version 2001.11.09: 384 sample graphs in 19 folders; the update removes Veltrix 2000; saving replaces "
     "a file only once the new one is completely written; this Help lists every option with its default."},
};

// ---- Reading the language's tables -----------------------------------------------

const KeywordNote* noteFor(std::string_view name) {
  for (const KeywordNote& note : kKeywordNotes)
    if (note.name == name) return &note;
  return nullptr;
}

double constantValue(const KeywordEntry& entry) { return static_cast<const ConstantNode*>(entry.datum.node)->value; }

std::string_view cellName(CellId id) {
  for (const KeywordEntry& entry : kKeywords)
    if (entry.kind == kTokenCell && entry.datum.cell == id) return entry.name;
  return {};
}

bool isOption(const KeywordEntry& entry) {
  return entry.kind == kTokenCell && entry.name.find('.') != std::string_view::npos;
}

// The keywords a table lists, in list order.
template <class Wanted>
std::vector<const KeywordEntry*> keywordsWhere(Wanted wanted) {
  std::vector<const KeywordEntry*> found;
  for (const KeywordEntry& entry : kKeywords)
    if (wanted(entry)) found.push_back(&entry);
  return found;
}

void sortByName(std::vector<const KeywordEntry*>& entries) {
  std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->name < b->name; });
}

const NamedValues* namedValuesOf(CellId id) {
  for (const NamedValues& group : kNamedValues)
    for (int i = 0; i < group.cellCount; ++i)
      if (group.cells[i] == id) return &group;
  return nullptr;
}

// An option's default as the text would write it: by its name where the option
// takes named values, otherwise as a number.
std::string defaultText(CellId id) {
  const double value = optionDefault(id);
  if (const NamedValues* group = namedValuesOf(id))
    for (std::string_view name : group->names)
      if (const KeywordEntry* entry = lookupKeyword(name); entry && constantValue(*entry) == value)
        return std::string(name);
  return FormatNumber(value);
}

void appendEntry(std::string& out, std::string_view head, std::string_view name) {
  const KeywordNote* note = noteFor(name);
  out += head;
  if (note) out.append("   ").append(note->note);
  out += '\n';
}

// ---- The tables ------------------------------------------------------------------

void appendContents(std::string& out) {
  for (const Section& section : kSections)
    if (!section.title.empty()) out.append("   ").append(section.title) += '\n';
}

void appendOptions(std::string& out) {
  std::vector<const KeywordEntry*> options = keywordsWhere(isOption);
  sortByName(options);
  for (const KeywordEntry* entry : options)
    appendEntry(out, std::string(entry->name) + " := " + defaultText(entry->datum.cell), entry->name);
}

void appendValues(std::string& out) {
  for (const NamedValues& group : kNamedValues) {
    out += '\n';
    for (int i = 0; i < group.cellCount; ++i) out.append(i ? ", " : "").append(cellName(group.cells[i]));
    out += ":\n";
    for (std::string_view name : group.names) {
      const KeywordEntry* entry = lookupKeyword(name);
      if (entry) out.append("   ").append(name).append(" (").append(FormatNumber(constantValue(*entry))) += ")\n";
    }
    if (!group.note.empty()) out.append(group.note) += '\n';
  }
}

void appendConstants(std::string& out) {
  constexpr int kConstantDigits = 16;  // every digit a double carries, none of the noise after
  auto isConstant = [](const KeywordEntry& e) { return e.kind == kTokenConstant; };
  for (const KeywordEntry* entry : keywordsWhere(isConstant))
    appendEntry(out, std::string(entry->name) + " = " + FormatNumber(constantValue(*entry), kConstantDigits),
                entry->name);
}

void appendVariables(std::string& out) {
  auto isVariable = [](const KeywordEntry& e) {
    return (e.kind == kTokenCell && !isOption(e)) || e.kind == kTokenDerived;
  };
  for (const KeywordEntry* entry : keywordsWhere(isVariable)) {
    std::string head(entry->name);
    // x, y and z are set at each grid point and time by the clock: no default to show.
    if (entry->kind == kTokenCell && entry->datum.cell != kTime && !std::isnan(optionDefault(entry->datum.cell)))
      head += " := " + FormatNumber(optionDefault(entry->datum.cell));
    appendEntry(out, head, entry->name);
  }
}

void appendFunctions(std::string& out, TokenKind kind, std::string_view arguments) {
  std::vector<const KeywordEntry*> functions = keywordsWhere([kind](const KeywordEntry& e) { return e.kind == kind; });
  sortByName(functions);
  for (const KeywordEntry* entry : functions) {
    const KeywordNote* note = noteFor(entry->name);
    std::string_view written = note && !note->arguments.empty() ? note->arguments : arguments;
    appendEntry(out, std::string(entry->name).append(written), entry->name);
  }
}

void appendTable(std::string& out, Table table) {
  switch (table) {
    case Table::None: break;
    case Table::Contents: out += '\n'; appendContents(out); break;
    case Table::Options: out += '\n'; appendOptions(out); break;
    case Table::Values: appendValues(out); break;
    case Table::Constants: appendConstants(out); break;
    case Table::Variables: out += '\n'; appendVariables(out); break;
    case Table::Functions1: out += '\n'; appendFunctions(out, kTokenFunction1, "(x)"); break;
    case Table::Functions2: appendFunctions(out, kTokenFunction2, "(a, b)"); break;
    case Table::Functions3: out += '\n'; appendFunctions(out, kTokenGraphFunction, "(a, b, c)"); break;
  }
}

std::string withCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

std::string_view keywordDescription(std::string_view name) {
  const KeywordNote* note = noteFor(name);
  return note ? note->note : std::string_view{};
}

std::string helpDocument() {
  std::string text;
  for (const Section& section : kSections) {
    if (!section.title.empty()) text.append("\n").append(section.title).append("\n\n");
    text += section.text;
    if (section.table == Table::None) text += '\n';
    appendTable(text, section.table);
  }
  return withCrLf(text);
}

}  // namespace vx
