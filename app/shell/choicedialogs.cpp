// The dialogs that change how the graph is shown: Color, Background and
// Animate. Color and Background keep the user's clicks as pending choices that
// only OK makes current; Escape and the close box discard them.
#include <string>
#include <vector>

#include "core/dialogtexts.h"
#include "render/colors.h"
#include "shell/dialogparts.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

// By colour code, as the options number them.
constexpr std::string_view kColorLabels[] = {
    "  ByHeight (z coordinate)", "  BySteepness (gradient)", "  By expression in VLX file",
    "  Black", "  Gray", "  White", "  Brown", "  Red", "  Yellow", "  Green", "  Cyan", "  Blue", "  Magenta",
};
constexpr int kColorCodes = static_cast<int>(std::size(kColorLabels));
static_assert(kColorCodes == kMagenta + 1);

// The choice identifiers are the colour modes: surface 100..112, vector 113..125.
constexpr int kSurfaceChoice = kSurfaceModeBase;
constexpr int kVectorChoice = kVectorModeBase;
constexpr int kFirstBackground = kSurfaceModeBase + kBlack;
constexpr int kLastBackground = kSurfaceModeBase + kMagenta;

// One colour group: codes `first`..kMagenta in two columns, the first
// `leftCount` of them on the left.
void addColorGroup(std::vector<DialogItem>& items, int firstId, int firstCode, int leftCount, std::int16_t x,
                   std::int16_t y, std::int16_t leftWidth, std::int16_t rightX, std::int16_t rightWidth,
                   bool grouped) {
  for (int code = firstCode; code < kColorCodes; ++code) {
    const int row = code - firstCode;
    const bool left = row < leftCount;
    const auto top = static_cast<std::int16_t>(y + 10 * (left ? row : row - leftCount));
    items.push_back(choiceItem(left ? x : rightX, top, left ? leftWidth : rightWidth,
                               static_cast<std::uint16_t>(firstId + code), kColorLabels[code],
                               grouped && code == firstCode));
  }
}

std::string colorTemplate() {
  std::vector<DialogItem> items;
  items.push_back(textItem(6, 6, 110, 8, "Surface colors:"));
  addColorGroup(items, kSurfaceChoice, 0, 7, 6, 16, 110, 116, 48, true);
  items.push_back(textItem(184, 6, 110, 8, "Vector colors:"));
  addColorGroup(items, kVectorChoice, 0, 7, 184, 16, 110, 294, 48, true);
  items.push_back(textItem(6, 92, 336, 56, kColorText));
  items.push_back(buttonItem(150, 156, IDOK, "&OK", true));
  return buildCompactTemplate(dialogHeader(caption<"Color">(), 348, 176), items);
}

std::string backgroundTemplate() {
  std::vector<DialogItem> items;
  addColorGroup(items, kSurfaceModeBase, kBlack, 5, 6, 6, 100, 106, 68, false);
  items.push_back(textItem(6, 62, 176, 48, kBackgroundText));
  items.push_back(buttonItem(70, 118, IDOK, "&OK", true));
  return buildCompactTemplate(dialogHeader(caption<"Background">(), 188, 138), items);
}

// The modes the renderer draws with now.
ColorState currentColors(ProgramState& program) {
  ColorState colors;
  prepareColorState(program.document.state, *program.document.renderer.colorTable, program.frame.truecolor(), colors);
  return colors;
}

// A click marks the choice within its group; `pending` is where it is kept.
bool markChoice(HWND dialog, int id, int first, int last, std::int32_t& pending) {
  if (id < first || id > last) return false;
  pending = id;
  sys::checkRadioButton(dialog, first, last, id);
  return true;
}

// OK ends with 1, Escape and the close box with 0.
bool closeOnOkOrCancel(HWND dialog, int id) {
  if (id != IDOK && id != IDCANCEL) return false;
  sys::endDialog(dialog, id == IDOK ? 1 : 0);
  return true;
}

INT_PTR CALLBACK colorProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    storeDialogParameter(dialog, lParam);
    const auto* program = reinterpret_cast<ProgramState*>(lParam);
    sys::checkRadioButton(dialog, kSurfaceChoice, kSurfaceChoice + kMagenta, program->pendingSurfaceColor);
    sys::checkRadioButton(dialog, kVectorChoice, kVectorChoice + kMagenta, program->pendingVectorColor);
    focusControl(dialog, IDOK);
    return FALSE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  auto* program = dialogParameter<ProgramState>(dialog);
  const int id = LOWORD(wParam);
  return markChoice(dialog, id, kSurfaceChoice, kSurfaceChoice + kMagenta, program->pendingSurfaceColor) ||
         markChoice(dialog, id, kVectorChoice, kVectorChoice + kMagenta, program->pendingVectorColor) ||
         closeOnOkOrCancel(dialog, id);
}

INT_PTR CALLBACK backgroundProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    storeDialogParameter(dialog, lParam);
    const auto* program = reinterpret_cast<ProgramState*>(lParam);
    sys::checkRadioButton(dialog, kFirstBackground, kLastBackground, program->pendingBackground);
    focusControl(dialog, IDOK);
    return FALSE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  auto* program = dialogParameter<ProgramState>(dialog);
  const int id = LOWORD(wParam);
  return markChoice(dialog, id, kFirstBackground, kLastBackground, program->pendingBackground) ||
         closeOnOkOrCancel(dialog, id);
}

void redrawWithNewColors(ProgramState& program) {
  showHourglass();
  program.control.flags.FrameWanted = true;
}

}  // namespace

void colorCommand(ProgramState& program) {
  if (!program.document.hasGraph()) {
    showMessage(program, caption<"Color">(), kColorNeedsGraphText);
    return;
  }
  static const std::string dialog = colorTemplate();
  const ColorState current = currentColors(program);
  program.pendingSurfaceColor = current.surfaceMode;
  program.pendingVectorColor = current.vectorMode;
  if (ShowDialog(program.mainWindow, dialog, colorProcedure, reinterpret_cast<LPARAM>(&program)) != 1) return;
  const bool vectorChanged = program.pendingVectorColor != current.vectorMode;
  if (program.pendingSurfaceColor == current.surfaceMode && !vectorChanged) return;
  LangState& state = program.document.state;
  state.value(kColor) = program.pendingSurfaceColor - kSurfaceChoice;
  if (vectorChanged) state.value(kVectorColor) = program.pendingVectorColor - kVectorChoice;
  redrawWithNewColors(program);
}

void backgroundCommand(ProgramState& program) {
  static const std::string dialog = backgroundTemplate();
  const int current = currentColors(program).backgroundMode;
  program.pendingBackground = current;
  if (ShowDialog(program.mainWindow, dialog, backgroundProcedure, reinterpret_cast<LPARAM>(&program)) != 1) return;
  if (program.pendingBackground == current) return;
  program.document.state.value(kBackground) = program.pendingBackground - kSurfaceModeBase;
  redrawWithNewColors(program);
}

// Animate: continuous rotation on or off.
namespace {

constexpr std::uint16_t kRotateId = 337;

std::string animateTemplate() {
  const DialogItem items[] = {
      textItem(6, 6, 323, 128, kAnimateText),
      buttonItem(64, 142, IDOK, "&Don't continuously rotate", true, 100),
      buttonItem(170, 142, kRotateId, "&Continuously rotate", true, 100),
  };
  return buildCompactTemplate(dialogHeader(caption<"Animate">(), 335, 162), items);
}

}  // namespace

void animateCommand(ProgramState& program) {
  static const std::string dialog = animateTemplate();
  const INT_PTR answer = ShowDialog(program.mainWindow, dialog, closeOnAnyButton, 0);
  ContinuousRotation& rotation = program.control.rotation;
  if (answer == kRotateId) {
    // Turning starts now: the first frame turns by the milliseconds since this
    // moment, not since rotation last stopped.
    rotation.timestamp = program.control.clock.now(sys::getTickCount());
    rotation.on = true;
  } else if (answer == IDOK) {
    rotation.on = false;
  }
  if (rotation.on) program.control.flags.FrameWanted = true;
}

}  // namespace vx
