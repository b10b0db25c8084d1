// The opening title: drawn over every frame of the opening graph until the
// user first chooses a command, resizes the window or asks to close it.
#include "shell/shell.h"
#include "win/sys.h"

namespace vx {

namespace {

constexpr int kTitlePoints = 36;
constexpr COLORREF kTitleColor = RGB(255, 255, 255);  // over the opening graph's black

constexpr std::string_view kLongProductParts[] = {kProgramRelease.title, " Spatial Graphing     Version ",
                                                  kProgramRelease.version};
constexpr auto kLongProductName = joinText<joinedLength(kLongProductParts)>(kLongProductParts);

void drawLine(HDC dc, HFONT font, int x, int y, std::string_view text) {
  HGDIOBJ previous = nullptr;
  if (failed(sys::selectObject(dc, font, previous))) return;
  sys::extTextOut(dc, x, y, 0, nullptr, text);
  sys::selectObject(dc, previous, previous);
}

}  // namespace

Status createTitleFont(ProgramState& program) {
  if (!program.windowDC) return kSystemCallFailed;
  const int height = pixelsForPoints(program.windowDC, kTitlePoints);
  LOGFONTW logical = programFont(height);
  logical.lfOutPrecision = OUT_TT_PRECIS;
  HFONT font = nullptr;
  const Status status = sys::createFontIndirect(logical, "Arial", font);
  if (failed(status)) return status;
  program.titleFont = font;
  program.titleFontHeight = height;
  // Selected once, so that the system has the letters ready for the first frame.
  HGDIOBJ previous = nullptr;
  if (!failed(sys::selectObject(program.windowDC, font, previous))) sys::selectObject(program.windowDC, previous, previous);
  return kOk;
}

void dismissTitle(ProgramState& program) {
  if (program.TitleDismissed) return;
  program.TitleDismissed = true;
  if (program.titleFont) sys::deleteObject(program.titleFont);
  program.titleFont = nullptr;
}

// Into the off-screen picture, so that the next paint shows picture and title together.
void drawTitle(ProgramState& program) {
  HDC dc = program.frameDC;
  if (!dc || failed(sys::setBkMode(dc, TRANSPARENT))) return;
  COLORREF previousColor = 0;
  if (failed(sys::setTextColor(dc, kTitleColor, previousColor))) return;
  if (program.statusFont) {
    drawLine(dc, program.statusFont, 0, 0, "Click on Open or Edit above to begin");
    drawLine(dc, program.statusFont, 0, program.lastRow - 2 * program.statusFontHeight, kLongProductName.view());
  }
  if (program.titleFont) {
    drawLine(dc, program.titleFont, 0, (program.lastRow + 1) / 2 - program.titleFontHeight, kProgramRelease.title);
  }
}

}  // namespace vx
