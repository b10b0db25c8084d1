#pragma once
// The graphing program's scroll bar: one slider that the Scrollbar dialog binds
// to a slice through the box (x, y or z), one of the free variables a to d, or
// one of six picture effects. Moving the slider changes the bound quantity and
// the picture follows at once.
//
// This is the arithmetic of it, without a window: which choices there are, where
// the slider starts for a choice, what each scroll request does to the position,
// and what a position does to the render job or the option it is bound to. The
// Windows program moves the real scroll bar, shows the status text and draws.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "lang/lang.h"
#include "render/renderjob.h"

namespace vx {

class Document;

// Slider positions run from 0 at the top to kScrollRange at the bottom.
inline constexpr std::int32_t kScrollRange = 32704;  // 0x7FC0
inline constexpr std::int32_t kScrollLineStep = 1022;   // a thirty-second of the range
inline constexpr std::int32_t kScrollPageStep = 8176;   // a quarter

// The dialog's choice identifiers.
inline constexpr int kScrollOff = 100;
inline constexpr int kFirstScrollChoice = 100;
inline constexpr int kLastScrollChoice = 113;

struct ScrollChoice {
  std::string_view label;  // as the Scrollbar dialog shows it
  int axis;                // 0, 1, 2 for a slice along x, y, z; -1 otherwise
  CellId cell;             // a variable or effect: its value, then minimum and maximum
  std::string_view name;   // before " := " in the status bar
  bool effect;             // needs more than 256 colours
};

inline constexpr int kScrollChoiceCount = kLastScrollChoice - kFirstScrollChoice + 1;
extern const std::array<ScrollChoice, kScrollChoiceCount> kScrollChoices;

// The choice with identifier `id` (kFirstScrollChoice..kLastScrollChoice).
const ScrollChoice& scrollChoice(int id);
inline bool isScrollSlice(int id) { return scrollChoice(id).axis >= 0; }

// The scroll bar's requests, numbered as the window system numbers them.
enum ScrollRequest : int {
  kScrollLineUp = 0, kScrollLineDown = 1, kScrollPageUp = 2, kScrollPageDown = 3,
  kScrollThumbPosition = 4, kScrollThumbTrack = 5, kScrollTop = 6, kScrollBottom = 7,
  kScrollEndScroll = 8,
};

// What choosing `chosen` in the dialog (after `previous`) asks of the program.
enum class ScrollChoiceOutcome {
  Unchanged,    // nothing to do
  SwitchedOff,  // disable the arrows, status part 1 back to its invitation
  Refused,      // an effect on an 8-bit display: keep `previous`, explain why
  Bound,        // enable the arrows and apply `startPosition` as a thumb position
};

struct ScrollChoiceResult {
  ScrollChoiceOutcome outcome = ScrollChoiceOutcome::Unchanged;
  std::int32_t startPosition = 0;
  bool redraw = false;  // the picture changed (a slice ended or began)
};

// Applies the choice to the document's render job: Off restores the axes; a
// slice restores them and narrows its axis to a slab one grid cell thick in the
// middle of the box; a variable or effect starts the slider where its value
// stands between its maximum (top) and minimum (bottom), limited to the range.
ScrollChoiceResult chooseScroll(Document& document, int previous, int chosen, bool eightBitDisplay);

// The slider after a scroll request. `apply` says whether the bound quantity
// moves to `position`; `moveSlider` whether the program must set the slider there
// (dragging moves the thumb itself). `lastPosition` is updated as the request
// demands.
struct ScrollMove {
  bool apply = false;
  bool moveSlider = false;
  std::int32_t position = 0;
};
ScrollMove scrollRequest(int request, std::int32_t current, std::int32_t thumb, std::int32_t& lastPosition);

// Moves the quantity bound to `choice` to slider position `position` and returns
// status part 1's text ("x := 0", "a := 1.5", "graph3d.contrast := .5"). A slice
// that finds its axis whole again (a new graph was opened since it was chosen)
// is narrowed to its one-cell slab first.
std::string applyScrollPosition(Document& document, int choice, std::int32_t position);

}  // namespace vx
