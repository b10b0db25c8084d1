// The program draws with the same core as `veltrix render`: started with a graph
// file, its picture must be the tool's picture of the same file at the same
// size, angles and depth, pixel for pixel. The graph has no box, so there are no
// letters (GDI here, FreeType there) to tell them apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver.h"

namespace e2e {
namespace {

struct PictureGeometry {
  int width, height;
  float horizontal, elevation;
};

PictureGeometry geometryOf(const Snapshot& s) {
  EXPECT_EQ(E2E_FIELD(s, document.zoom), 1.0f);
  return {E2E_FIELD(s, lastColumn) + 1, E2E_FIELD(s, lastRow) + 1, E2E_FIELD(s, document.view.horizontal),
          E2E_FIELD(s, document.view.elevation)};
}

int displayBits() {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits;
}

// Opened the way Windows opens a double-clicked file: its path quoted, with
// blanks in the folder and the name. The title is never drawn over it (the
// picture would differ at the top left), and the file's folder becomes the
// current one.
TEST(Display24, QuotedPathWithBlanksShowsTheToolsPicture) {
  ASSERT_GT(displayBits(), 8);  // Wine shows a 24-bit X screen as 32 bits per pixel
  const std::string folder = workFolder() + "/graph folder";
  const std::string graph = folder + "/saddle picture.vlx";
  ASSERT_TRUE(copyFile(dataFile("static.vlx"), graph));
  auto program = Program::start(L"\"" + windowsPath(graph) + L"\"");
  ASSERT_TRUE(program);
  const Snapshot s = program->settle();

  EXPECT_TRUE(E2E_FIELD(s, TitleDismissed));
  EXPECT_EQ(E2E_TEXT(s, CommandLinePath), narrow(windowsPath(graph)));
  EXPECT_EQ(E2E_TEXT(s, statusText[0]), "graph3d( z = x^2/3 - y^2/3 )");
  std::wstring current = program->currentDirectory();
  if (!current.empty() && current.back() == L'\\') current.pop_back();
  EXPECT_EQ(_wcsicmp(current.c_str(), windowsPath(folder).c_str()), 0) << narrow(current);
  EXPECT_EQ(E2E_FIELD(s, videoBits), 32u);

  const PictureGeometry g = geometryOf(s);
  const Picture expected = renderNatively(graph, g.width, g.height, g.horizontal, g.elevation, 32);
  ASSERT_GT(expected.width, 0);
  // The picture's last row lies under the status bar's top edge.
  const Difference d = comparePictures(expected, screenPicture(program->window(), g.width, g.height), g.height - 1);
  EXPECT_EQ(d.count, 0) << describe(d);
}

// Where two pictures differ, in squares of 16 pixels: groups of touching
// squares, each no larger than `maxSquares` on a side. Returns the number of
// groups, or -1 when one is larger.
int differenceGroups(const Picture& a, const Picture& b, int rows, int maxSquares) {
  constexpr int kSquare = 16;
  const int across = (a.width + kSquare - 1) / kSquare, down = (rows + kSquare - 1) / kSquare;
  std::vector<int> marked(static_cast<std::size_t>(across) * down, 0);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.at(x, y) != b.at(x, y)) marked[static_cast<std::size_t>(y / kSquare) * across + x / kSquare] = 1;
    }
  }
  int groups = 0;
  for (int start = 0; start < across * down; ++start) {
    if (marked[static_cast<std::size_t>(start)] != 1) continue;
    ++groups;
    int left = across, right = -1, top = down, bottom = -1;
    std::vector<int> pending{start};
    marked[static_cast<std::size_t>(start)] = 2;
    while (!pending.empty()) {
      const int square = pending.back();
      pending.pop_back();
      const int sx = square % across, sy = square / across;
      left = std::min(left, sx), right = std::max(right, sx), top = std::min(top, sy), bottom = std::max(bottom, sy);
      for (int ny = std::max(sy - 1, 0); ny <= std::min(sy + 1, down - 1); ++ny) {
        for (int nx = std::max(sx - 1, 0); nx <= std::min(sx + 1, across - 1); ++nx) {
          int& m = marked[static_cast<std::size_t>(ny) * across + nx];
          if (m == 1) {
            m = 2;
            pending.push_back(ny * across + nx);
          }
        }
      }
    }
    if (right - left >= maxSquares || bottom - top >= maxSquares) return -1;
  }
  return groups;
}

// With the box, the letters of its labels are the program's own (GDI), so the
// pictures may differ only in small patches where labels stand; the box's
// lines and everything else must agree. This view shows seven labels (x, y, z,
// 3 and three -3), two of them side by side.
TEST(Display24, BoxedPictureDiffersOnlyInTheLabels) {
  const std::string graph = dataFile("boxed.vlx");
  auto program = Program::start(L"\"" + windowsPath(graph) + L"\"");
  ASSERT_TRUE(program);
  const PictureGeometry g = geometryOf(program->settle());
  const Picture expected = renderNatively(graph, g.width, g.height, g.horizontal, g.elevation, 32);
  ASSERT_GT(expected.width, 0);
  const Picture shown = screenPicture(program->window(), g.width, g.height);
  const int groups = differenceGroups(expected, shown, g.height - 1, 3);
  EXPECT_GE(groups, 0) << "a difference larger than a label: " << describe(comparePictures(expected, shown, g.height - 1));
  EXPECT_LE(groups, 7) << "differences beside the labels' places";
}

// On a 256-colour display the program draws palette indices into its 8-bit
// bitmap and puts its colours into the system palette. Only a few palette
// colours reach an 8-bit virtual screen, so the picture is read from the
// program's own bitmap.
TEST(Display8, PalettePathShowsTheTools8BitPicture) {
  ASSERT_EQ(displayBits(), 8);
  const std::string graph = dataFile("static.vlx");
  auto program = Program::start(L"\"" + windowsPath(graph) + L"\"");
  ASSERT_TRUE(program);
  const Snapshot s = program->settle();
  EXPECT_EQ(E2E_FIELD(s, videoBits), 8u);
  EXPECT_EQ(E2E_FIELD(s, frame.format), vx::PixelFormat::Indexed8);

  const PictureGeometry g = geometryOf(s);
  const Picture expected = renderNatively(graph, g.width, g.height, g.horizontal, g.elevation, 8);
  ASSERT_GT(expected.width, 0);
  const Picture shown = framePicture(*program);
  ASSERT_EQ(shown.height, g.height);
  const Difference d = comparePictures(expected, shown, g.height);
  EXPECT_EQ(d.count, 0) << describe(d);
}

}  // namespace
}  // namespace e2e
