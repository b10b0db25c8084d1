// The sample library as a new user meets it: every file of both releases opens,
// runs to a graph command in its release's language, draws a picture of its own,
// and the folders hold what the setup programs promise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/memoryhost.h"
#include "core/document.h"
#include "lang/defaults.h"
#include "render/framebuffer.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

struct Library {
  const ReleaseProfile& release;
  const char* folder;  // under setup/samples
};
const Library kCurrentLibrary = {kCurrentRelease, "current"};
const Library kLibrary2000 = {kRelease2000, "v2000"};

fs::path libraryRoot(const Library& library) { return fs::path(VELTRIX_SAMPLES) / library.folder; }

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Sample files by folder (relative names, sorted), Defaults.vlx left out.
std::map<std::string, std::vector<std::string>> samplesByFolder(const Library& library) {
  std::map<std::string, std::vector<std::string>> folders;
  const fs::path root = libraryRoot(library);
  if (!fs::is_directory(root)) return folders;
  for (const fs::directory_entry& folder : fs::directory_iterator(root)) {
    if (!folder.is_directory()) continue;
    std::vector<std::string>& files = folders[folder.path().filename().string()];
    for (const fs::directory_entry& file : fs::directory_iterator(folder.path()))
      files.push_back(file.path().filename().string());
    std::sort(files.begin(), files.end());
  }
  return folders;
}

// The work a redraw does, bounded so that every sample draws at 1024x768 in
// about a second natively: grid samples of all graphs, or (u, v) samples of the
// parametric forms. Measured here: resolution 130 with shading and transparency
// draws in 0.64 s; a 200 x 200 parametric surface in 0.65 s, 300 x 300 in 1.5 s.
// A curve (a form that does not change with v) draws far fewer primitives than
// its samples suggest, so the parametric bound leaves room for long curves; the
// drawing times of every sample are recorded in docs/samples/render-times.md.
constexpr std::uint64_t kMaxGridSamples = 2'000'000;
constexpr std::uint64_t kMaxParameterSamples = 100'000;

std::uint64_t gridSamples(const RenderJob& job) {
  std::uint64_t points = 1;
  for (const AxisGrid& axis : job.axes) points *= static_cast<std::uint64_t>(axis.count);
  return points * static_cast<std::uint64_t>(job.graphCount);
}

std::uint64_t parameterSamples(const RenderJob& job) {
  return static_cast<std::uint64_t>(job.stepsU) * static_cast<std::uint64_t>(job.stepsV) *
         static_cast<std::uint64_t>(job.graphCount);
}

// FNV-1a over the picture's pixels.
std::uint64_t pictureHash(const FrameBuffer& fb, std::set<PixelColor>& colors) {
  std::uint64_t hash = 14695981039346656037ull;
  for (int y = 0; y < fb.height; ++y) {
    for (int x = 0; x < fb.width; ++x) {
      const PixelColor pixel = readPixel(fb, x, y);
      colors.insert(pixel);
      for (int shift = 0; shift < 32; shift += 8) hash = (hash ^ ((pixel >> shift) & 0xFF)) * 1099511628211ull;
    }
  }
  return hash;
}

// Opens one sample as the program does and draws it without the box, so that a
// graph that draws nothing is not hidden by the frame. Returns the picture's hash.
void drawSample(const Library& library, const std::string& relative, Allocator& allocator, Host& host,
                std::uint64_t& hash) {
  const std::string bytes = readWhole(libraryRoot(library) / relative);
  ASSERT_EQ(bytes.substr(0, 1), ";") << "a sample starts with a comment saying what it shows";
  Document document(allocator, host);
  document.setRelease(library.release);
  ASSERT_EQ(document.readBytes(bytes, ""), kOk);
  const ExecResult& result = document.execute();
  ASSERT_EQ(result.outcome, ExecOutcome::Graph) << result.status << " " << document.jobRefusal;
  if (document.job.parametric()) {
    EXPECT_LE(parameterSamples(document.job), kMaxParameterSamples);
  } else {
    EXPECT_LE(gridSamples(document.job), kMaxGridSamples);
  }
  document.job.flags &= static_cast<std::uint8_t>(~kJobBox);
  OwnedFrameBuffer picture(PixelFormat::Rgb32, 96, 72);
  ASSERT_EQ(document.draw(picture.get()), kOk);
  std::set<PixelColor> colors;
  hash = pictureHash(picture.get(), colors);
  EXPECT_GT(colors.size(), 1u) << "the picture is empty";
}

// One story per release: every file runs, draws something within the work
// bound, and no two files draw the same picture.
void checkEveryFileDrawsItsOwnPicture(const Library& library) {
  const auto folders = samplesByFolder(library);
  ASSERT_FALSE(folders.empty()) << libraryRoot(library);
  MemoryHost host;
  Allocator allocator;
  std::map<std::uint64_t, std::string> pictures;
  for (const auto& [folder, names] : folders) {
    for (const std::string& name : names) {
      const std::string relative = folder + "/" + name;
      SCOPED_TRACE(relative);
      std::uint64_t hash = 0;
      drawSample(library, relative, allocator, host, hash);
      if (hash == 0) continue;
      const auto [same, fresh] = pictures.emplace(hash, relative);
      EXPECT_TRUE(fresh) << "draws the same picture as " << same->second;
    }
  }
}

TEST(SampleLibrary, EveryCurrentFileDrawsItsOwnPicture) { checkEveryFileDrawsItsOwnPicture(kCurrentLibrary); }
TEST(SampleLibrary, Every2000FileDrawsItsOwnPictureInItsOwnLanguage) {
  checkEveryFileDrawsItsOwnPicture(kLibrary2000);
}

// Defaults.vlx is what `veltrix defaults` prints for its release.
TEST(SampleLibrary, DefaultsFilesAreTheOptionTable) {
  for (const Library* library : {&kCurrentLibrary, &kLibrary2000}) {
    SCOPED_TRACE(library->folder);
    EXPECT_EQ(readWhole(libraryRoot(*library) / "Defaults.vlx"), defaultsText(library->release))
        << "regenerate it with: veltrix defaults --release " << library->release.name;
  }
}

bool isPortableName(const std::string& name) {
  if (name.size() < 5 || name.substr(name.size() - 4) != ".vlx") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c > 0x7E || std::string_view("*<>:\"/\\|?").find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  return true;
}

void checkFolders(const Library& library, const std::map<std::string, int>& expected, int total) {
  const auto folders = samplesByFolder(library);
  std::map<std::string, int> counts;
  int sum = 0;
  for (const auto& [folder, names] : folders) {
    counts[folder] = static_cast<int>(names.size());
    sum += static_cast<int>(names.size());
    for (const std::string& name : names) EXPECT_TRUE(isPortableName(name)) << folder << "/" << name;
  }
  EXPECT_EQ(sum, total);
  if (!expected.empty()) {
    EXPECT_EQ(counts, expected);
  } else {
    EXPECT_EQ(counts.size(), 16u);
  }
  EXPECT_TRUE(fs::is_regular_file(libraryRoot(library) / "Defaults.vlx"));
}

TEST(SampleLibrary, CurrentFoldersHoldTheirCounts) {
  checkFolders(kCurrentLibrary,
               {{"2D graphs", 6}, {"Absolute Value", 2}, {"Colored Surfaces and Vectors", 29}, {"Cones", 6},
                {"Ellipsoids", 4}, {"Factoring", 5}, {"Hundreds of Pretty Pictures", 269}, {"Hyperboloids", 5},
                {"Inequalities", 3}, {"Intersections", 2}, {"Optimal Geometry", 8},
                {"Parametric Curves and Surfaces", 16}, {"Planes", 3}, {"Spheres", 8},
                {"Surfaces of Revolution", 2}, {"Tori", 5}, {"Tubes", 4}, {"Vector Fields", 4},
                {"Volumes of Integration", 2}},
               383);
  // The Scrollbar dialog's help text sends users to this file.
  EXPECT_TRUE(fs::is_regular_file(libraryRoot(kCurrentLibrary) / "Ellipsoids" / "Stretching Ellipsoid.vlx"));
}

TEST(SampleLibrary, OlderReleaseFoldersHoldTheirFiles) {
  const auto folders = samplesByFolder(kLibrary2000);
  for (const char* name : {"2D graphs", "Absolute value", "Cones", "Ellipsoids", "Factoring",
                           "Hundreds of Pretty Pictures", "Hyperboloids", "Inequalities", "Intersections", "Planes",
                           "Spheres", "Surfaces of Revolution", "Tori", "Tubes", "Vector Fields",
                           "Volumes of Integration"}) {
    EXPECT_TRUE(folders.count(name)) << name;
  }
  checkFolders(kLibrary2000, {}, 271);
}

}  // namespace
}  // namespace vx
