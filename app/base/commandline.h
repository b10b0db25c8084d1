#pragma once
// The graphing program's command line: which graph file, if any, to open.
#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

// The longest graph file path taken from the command line, in characters.
inline constexpr std::size_t kMaxCommandLinePath = 1535;

// Splits `commandLine` into arguments at blanks and tabs. A double quote starts or
// ends a quoted stretch in which blanks and tabs do not split; quotes may stand
// anywhere inside an argument and are dropped. The first argument is the program
// path and is skipped. Exactly one further argument of at most
// kMaxCommandLinePath characters (UTF-8 sequences, not bytes) is the graph file
// path; with none, two or more, or a longer one the result is empty and the
// program starts with its opening graph.
std::string commandLinePath(std::string_view commandLine);

}  // namespace vx
