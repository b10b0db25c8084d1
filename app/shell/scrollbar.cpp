// The slicing scroll bar on the Windows side: the Scrollbar dialog that binds
// it, the real scroll bar's arrows and slider, WM_VSCROLL, and the status text.
// The arithmetic (start positions, slabs, values) is the core's.
#include <string>
#include <vector>

#include "core/dialogtexts.h"
#include "core/scrollslice.h"
#include "lang/format.h"
#include "shell/dialogparts.h"
#include "shell/shell.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx {

namespace {

static_assert(kScrollLineUp == SB_LINEUP && kScrollThumbPosition == SB_THUMBPOSITION &&
              kScrollThumbTrack == SB_THUMBTRACK && kScrollEndScroll == SB_ENDSCROLL, "the system's request codes");

// The Scrollbar dialog shows numbers with four significant digits.
constexpr int kScrollDigits = 4;

// The rows of the table: the ten choices with a value, minimum and maximum.
constexpr int kFirstValueChoice = kFirstScrollChoice + 4;
constexpr int kValueRows = kLastScrollChoice - kFirstValueChoice + 1;
// Three read-only fields per row (value, minimum, maximum), numbered row by row.
constexpr int kFirstFieldId = kLastScrollChoice + 1;
constexpr std::int16_t kColumnX[3] = {138, 174, 210};
constexpr std::string_view kColumnHeadings[3] = {"Value", "Minimum", "Maximum"};
constexpr std::uint32_t kFieldStyle = kWsChild | kWsVisible | ES_READONLY | ES_CENTER | ES_MULTILINE;

std::string scrollbarTemplate() {
  std::vector<DialogItem> items;
  for (int id = kFirstScrollChoice; id <= kLastScrollChoice; ++id) {
    const int index = id - kFirstScrollChoice;
    const bool inRow = id < kFirstValueChoice;  // Off and the three slices, side by side at the top
    const auto x = static_cast<std::int16_t>(inRow ? 48 + 50 * index : 48);
    const auto y = static_cast<std::int16_t>(inRow ? 6 : 26 + 10 * (id - kFirstValueChoice));
    items.push_back(choiceItem(x, y, inRow ? 50 : 90, static_cast<std::uint16_t>(id), scrollChoice(id).label));
  }
  for (int column = 0; column < 3; ++column)
    items.push_back(textItem(kColumnX[column], 16, 36, 8, kColumnHeadings[column], kSsCenter));
  for (int row = 0; row < kValueRows; ++row) {
    for (int column = 0; column < 3; ++column) {
      items.push_back({.style = kFieldStyle, .x = kColumnX[column], .y = static_cast<std::int16_t>(26 + 10 * row),
                       .cx = 36, .cy = 8, .id = static_cast<std::uint16_t>(kFirstFieldId + 3 * row + column),
                       .windowClass = numbered(kEditClass), .text = named("")});
    }
  }
  items.push_back(textItem(6, 132, 296, 56, kScrollbarText));
  items.push_back(buttonItem(130, 194, IDOK, "&OK", true));
  return buildCompactTemplate(dialogHeader(caption<"Scrollbar">(), 308, 214), items);
}

// Each row's value, minimum and maximum as they stand now.
void fillValueTable(HWND dialog, ProgramState& program) {
  const LangState& state = program.document.state;
  for (int row = 0; row < kValueRows; ++row) {
    const CellId cell = scrollChoice(kFirstValueChoice + row).cell;
    for (int column = 0; column < 3; ++column) {
      sys::setDlgItemText(dialog, kFirstFieldId + 3 * row + column,
                          FormatNumber(state.value(CellId(cell + column)), kScrollDigits));
    }
  }
}

// A click binds at once; OK, Escape and the close box all keep what was clicked.
INT_PTR CALLBACK scrollbarProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    storeDialogParameter(dialog, lParam);
    auto* program = reinterpret_cast<ProgramState*>(lParam);
    fillValueTable(dialog, *program);
    sys::checkRadioButton(dialog, kFirstScrollChoice, kLastScrollChoice, program->ScrollSelection);
    focusControl(dialog, IDOK);
    return FALSE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  const int id = LOWORD(wParam);
  if (id >= kFirstScrollChoice && id <= kLastScrollChoice) {
    dialogParameter<ProgramState>(dialog)->ScrollSelection = id;
    sys::checkRadioButton(dialog, kFirstScrollChoice, kLastScrollChoice, id);
    return TRUE;
  }
  if (id != IDOK && id != IDCANCEL) return FALSE;
  sys::endDialog(dialog, 1);
  return TRUE;
}

void enableArrows(ProgramState& program, bool enable) {
  sys::enableScrollBar(program.mainWindow, SB_VERT, enable ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
}

// One scroll request: the slider moves, then what it is bound to, and a frame
// follows at once so the picture keeps up while the thumb is dragged.
void scrollTo(ProgramState& program, int request, std::int32_t thumb) {
  int current = 0;
  sys::getScrollPos(program.mainWindow, SB_VERT, current);
  const ScrollMove move = scrollRequest(request, current, thumb, program.lastScrollPosition);
  if (!move.apply) return;
  if (move.moveSlider) {
    int previous = 0;
    sys::setScrollPos(program.mainWindow, SB_VERT, move.position, true, previous);
  }
  if (!program.document.hasGraph() || program.ScrollSelection == kScrollOff) return;
  ShowStatus(program, 1, applyScrollPosition(program.document, program.ScrollSelection, move.position));
  program.control.flags.FrameWanted = true;
  RunFrame(program);
}

}  // namespace

void scrollbarCommand(ProgramState& program) {
  if (!program.document.hasGraph()) {
    showMessage(program, caption<"Scrollbar">(), kScrollbarNeedsGraphText);
    return;
  }
  static const std::string dialog = scrollbarTemplate();
  const int previous = program.ScrollSelection;
  ShowDialog(program.mainWindow, dialog, scrollbarProcedure, reinterpret_cast<LPARAM>(&program));
  const ScrollChoiceResult result =
      chooseScroll(program.document, previous, program.ScrollSelection, program.videoBits == 8);
  switch (result.outcome) {
    case ScrollChoiceOutcome::Unchanged: return;
    case ScrollChoiceOutcome::SwitchedOff:
      program.lastScrollPosition = -1;
      enableArrows(program, false);
      ShowStatus(program, 1, kScrollbarOffStatus);
      if (result.redraw) program.control.flags.FrameWanted = true;
      return;
    case ScrollChoiceOutcome::Refused:
      program.ScrollSelection = previous;
      showMessage(program, caption<"Video Mode">(), kVideoModeRefusalText);
      return;
    case ScrollChoiceOutcome::Bound:
      enableArrows(program, true);
      program.lastScrollPosition = -1;
      scrollTo(program, SB_THUMBPOSITION, result.startPosition);
      return;
  }
}

void scrollBarMoved(ProgramState& program, WPARAM wParam) {
  scrollTo(program, LOWORD(wParam), HIWORD(wParam));
}

}  // namespace vx
