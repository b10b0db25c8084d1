// Path rules: the same answers in the native and the 32-bit Windows build.
#include <gtest/gtest.h>

#include "base/paths.h"

namespace vx {
namespace {

TEST(Paths, AbsoluteAndFolderFollowBothSeparatorsAndDrives) {
  struct Case {
    const char* path;
    bool absolute;
    const char* folder;
  } cases[] = {
      {"g.vlx", false, ""},
      {"sub/g.vlx", false, "sub"},
      {"sub\\g.vlx", false, "sub"},
      {"a/b\\g.vlx", false, "a/b"},
      {"/g.vlx", true, "/"},
      {"/usr/share/g.vlx", true, "/usr/share"},
      {"\\g.vlx", true, "\\"},
      {"C:\\g.vlx", true, "C:\\"},
      {"c:/g.vlx", true, "c:/"},
      {"C:\\Veltrix\\Samples\\g.vlx", true, "C:\\Veltrix\\Samples"},
      {"C:g.vlx", false, "C:"},
      {"C:", false, "C:"},
      {"C:sub\\g.vlx", false, "C:sub"},
      {"\\\\server\\share\\g.vlx", true, "\\\\server\\share"},
      {"//g.vlx", true, "//"},
      {"1:g.vlx", false, ""},
      {"sub/", false, "sub"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isAbsolutePath(c.path), c.absolute) << c.path;
    EXPECT_EQ(folderOfPath(c.path), c.folder) << c.path;
  }
}

TEST(Paths, DataFileNamesAreResolvedAgainstTheGraphFilesFolder) {
  struct Case {
    const char* folder;
    const char* name;
    const char* resolved;
  } cases[] = {
      {"", "grid.txt", "grid.txt"},
      {"sub", "grid.txt", "sub/grid.txt"},
      {"/data", "grid.txt", "/data/grid.txt"},
      {"/", "grid.txt", "/grid.txt"},
      {"C:\\Veltrix", "grid.txt", "C:\\Veltrix\\grid.txt"},
      {"C:\\", "grid.txt", "C:\\grid.txt"},
      {"C:", "grid.txt", "C:grid.txt"},
      {"/data", "sets\\grid.txt", "/data/sets\\grid.txt"},
      {"/data", "/etc/grid.txt", "/etc/grid.txt"},
      {"/data", "\\grid.txt", "\\grid.txt"},
      {"/data", "D:\\grid.txt", "D:\\grid.txt"},
      {"/data", "D:grid.txt", "D:grid.txt"},
      {"/data", "\\\\server\\grid.txt", "\\\\server\\grid.txt"},
      {"/data", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(resolveAgainstFolder(c.folder, c.name), c.resolved) << c.folder << " " << c.name;
}

}  // namespace
}  // namespace vx
