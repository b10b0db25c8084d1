#include "base/paths.h"

namespace vx {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool onlySeparators(std::string_view text) {
  for (char c : text)
    if (!isPathSeparator(c)) return false;
  return true;
}

// The separator to put between a folder and a name: '\' only for a folder written
// with backslashes alone, so that POSIX paths stay POSIX paths.
char separatorFor(std::string_view folder) {
  return folder.find('/') == std::string_view::npos && folder.find('\\') != std::string_view::npos ? '\\' : '/';
}

}  // namespace

bool hasDrivePrefix(std::string_view path) { return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':'; }

bool isAbsolutePath(std::string_view path) {
  if (!path.empty() && isPathSeparator(path[0])) return true;
  return hasDrivePrefix(path) && path.size() >= 3 && isPathSeparator(path[2]);
}

std::string folderOfPath(std::string_view path) {
  const std::size_t last = path.find_last_of("/\\");
  if (last == std::string_view::npos) return std::string(hasDrivePrefix(path) ? path.substr(0, 2) : "");
  std::string_view folder = path.substr(0, last);
  // Cutting off the root itself would turn "/x" into "" (the current folder).
  const bool root = onlySeparators(folder) || (folder.size() == 2 && hasDrivePrefix(folder));
  return std::string(root ? path.substr(0, last + 1) : folder);
}

std::string resolveAgainstFolder(std::string_view folder, std::string_view name) {
  if (folder.empty() || name.empty() || isAbsolutePath(name) || hasDrivePrefix(name)) return std::string(name);
  std::string path(folder);
  const bool joined = isPathSeparator(folder.back()) || (folder.size() == 2 && hasDrivePrefix(folder));
  if (!joined) path += separatorFor(folder);
  path += name;
  return path;
}

}  // namespace vx
