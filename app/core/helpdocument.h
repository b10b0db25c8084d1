#pragma once
// The document the Help dialog shows: how to write graphs, the mistakes people
// make most, how to copy, print and save, and a reference of every option,
// constant, variable and function of the language. The reference sections are
// built from the language's own keyword list and option defaults, so they always
// describe the language as it is built.
#include <string>
#include <string_view>

namespace vx {

// The whole document, with CR LF line ends, ready for a multi-line edit control.
std::string helpDocument();

// The Help document's short description of a keyword ("" when it has none).
std::string_view keywordDescription(std::string_view name);

}  // namespace vx
