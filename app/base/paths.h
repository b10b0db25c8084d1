#pragma once
// Path rules shared by every front end. Graph files travel between Windows and
// other systems, so both '\' and '/' separate folders everywhere, and a drive
// ("C:") may lead a path. The rules only look at the text: nothing here asks the
// system whether a file exists.
#include <string>
#include <string_view>

namespace vx {

inline bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

// "C:" and the like: an ASCII letter and a colon at the start.
bool hasDrivePrefix(std::string_view path);

// A path that names its root: "/x", "\x", "C:\x", "C:/x", and UNC "\\server\share".
// "C:x" is relative to drive C's current folder and so is not absolute.
bool isAbsolutePath(std::string_view path);

// The folder a path's last name lies in: the path cut at its last separator.
// A separator that is the root stays ("/", "C:\"); "C:x" gives "C:"; a bare name
// gives "" (the current folder).
std::string folderOfPath(std::string_view path);

// The path a data file named in a graph text is opened by: a name that is
// absolute or names a drive is taken as it stands; any other is joined to
// `folder` (the graph file's folder; "" is the current folder).
std::string resolveAgainstFolder(std::string_view folder, std::string_view name);

}  // namespace vx
