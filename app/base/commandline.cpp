#include "base/commandline.h"

#include <vector>

namespace vx {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> splitArguments(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  while (true) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    if (pos == text.size()) return arguments;
    std::string argument;
    bool quoted = false;
    for (; pos < text.size() && (quoted || !isBlank(text[pos])); ++pos) {
      if (text[pos] == '"')
        quoted = !quoted;
      else
        argument += text[pos];
    }
    arguments.push_back(std::move(argument));
  }
}

std::size_t countCharacters(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace

std::string commandLinePath(std::string_view commandLine) {
  std::vector<std::string> arguments = splitArguments(commandLine);
  if (arguments.size() != 2 || countCharacters(arguments[1]) > kMaxCommandLinePath) return {};
  return std::move(arguments[1]);
}

}  // namespace vx
