// The two-part status bar under the picture. Both parts are owner-drawn from
// the program's own texts, so that what the user reads is exactly what
// ShowStatus was given, in the program's font.
#include <cstring>

#include "shell/shell.h"
#include "win/sys.h"

namespace vx {

namespace {

constexpr DWORD kStatusBarStyle = WS_CHILD | WS_BORDER;
constexpr int kStatusFontPoints = 12;
constexpr int kStatusMinimumPoints = 14;

// The longest start of `text` that fits `limit` bytes without cutting a UTF-8
// sequence in two.
std::size_t wholeCharacters(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace

int pixelsForPoints(HDC dc, int points) { return (sys::getDeviceCaps(dc, LOGPIXELSY) * points + 36) / 72; }

LOGFONTW programFont(int cellHeight) {
  LOGFONTW font = {};
  font.lfHeight = cellHeight;  // positive: the cell height
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = ANTIALIASED_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  return font;
}

// Made while the main window is created: the bar, its font (selected once so
// that the system has it ready) and its minimum height.
Status createStatusBar(ProgramState& program) {
  sys::initCommonControls();
  HWND bar = nullptr;
  Status status = sys::createWindowEx(0, STATUSCLASSNAMEA, "", kStatusBarStyle, 0, 0, 0, 0, program.mainWindow,
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kStatusBarId)),
                                      program.instance, nullptr, bar);
  if (failed(status)) return status;
  program.statusBar = bar;
  HDC dc = nullptr;
  status = sys::getDC(program.mainWindow, dc);
  if (failed(status)) return status;
  const int fontHeight = pixelsForPoints(dc, kStatusFontPoints);
  const int minimumHeight = pixelsForPoints(dc, kStatusMinimumPoints);
  HFONT font = nullptr;
  status = sys::createFontIndirect(programFont(fontHeight), "Arial", font);
  if (!failed(status)) {
    program.statusFont = font;
    program.statusFontHeight = fontHeight;
    HGDIOBJ previous = nullptr;
    if (!failed(sys::selectObject(dc, font, previous))) sys::selectObject(dc, previous, previous);
  }
  sys::releaseDC(program.mainWindow, dc);
  sys::sendMessage(bar, SB_SETMINHEIGHT, static_cast<WPARAM>(minimumHeight), 0);
  return status;
}

void ShowStatus(ProgramState& program, int part, std::string_view text) {
  if (part < 0 || part >= kStatusParts) return;
  char* buffer = program.statusText[part];
  const std::size_t length = wholeCharacters(text, sizeof program.statusText[part] - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = 0;
  if (program.statusBar) {
    sys::sendMessage(program.statusBar, SB_SETTEXTW, static_cast<WPARAM>(part) | SBT_OWNERDRAW,
                     reinterpret_cast<LPARAM>(buffer));
  }
}

void showExecutionResult(ProgramState& program) {
  const Document& document = program.document;
  ShowStatus(program, 0, document.result.status);
  program.control.flags.TimeDependent = document.hasGraph() && document.job.usesTime();
  program.control.flags.FrameWanted = true;
}

void drawStatusPart(ProgramState& program, const DRAWITEMSTRUCT& item) {
  if (item.itemID >= kStatusParts) return;
  HDC dc = item.hDC;
  HGDIOBJ previousFont = nullptr;
  const bool fontSelected = program.statusFont && !failed(sys::selectObject(dc, program.statusFont, previousFont));
  COLORREF previousColor = 0;
  if (!failed(sys::setBkColor(dc, sys::getSysColor(COLOR_BTNFACE), previousColor))) {
    sys::extTextOut(dc, item.rcItem.left + program.statusFontHeight / 4, item.rcItem.top, ETO_OPAQUE, &item.rcItem,
                    program.statusText[item.itemID]);
  }
  if (fontSelected) sys::selectObject(dc, previousFont, previousFont);
}

}  // namespace vx
