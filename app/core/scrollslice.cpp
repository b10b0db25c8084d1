#include "core/scrollslice.h"

#include <algorithm>
#include <cmath>

#include "core/document.h"
#include "lang/format.h"

namespace vx {

const std::array<ScrollChoice, kScrollChoiceCount> kScrollChoices = {{
    {"  Off", -1, kTime, "", false},
    {"  X slice", 0, kX, "x", false},
    {"  Y slice", 1, kY, "y", false},
    {"  Z slice", 2, kZ, "z", false},
    {"  A variable", -1, kA, "a", false},
    {"  B variable", -1, kB, "b", false},
    {"  C variable", -1, kC, "c", false},
    {"  D variable", -1, kD, "d", false},
    {"  Contrast", -1, kContrast, "graph3d.contrast", true},
    {"  Surface transparency", -1, kTransparency, "graph3d.transparency", true},
    {"  Surface shading", -1, kShading, "graph3d.shading", true},
    {"  Surface highlight", -1, kHighlight, "graph3d.highlight", true},
    {"  Vector shading", -1, kVectorShading, "graph3d.vectorshading", true},
    {"  Vector highlight", -1, kVectorHighlight, "graph3d.vectorhighlight", true},
}};

// Every bound variable and effect is followed in the state by its minimum and
// maximum.
static_assert(kAMinimum == kA + 1 && kAMaximum == kA + 2 && kContrastMaximum == kContrast + 2 &&
              kVectorHighlightMaximum == kVectorHighlight + 2);

const ScrollChoice& scrollChoice(int id) {
  return kScrollChoices[std::clamp(id, kFirstScrollChoice, kLastScrollChoice) - kFirstScrollChoice];
}

namespace {

struct BoundValue {
  double& value;
  double minimum, maximum;
};

BoundValue boundValue(LangState& state, CellId cell) {
  return {state.value(cell), state.value(CellId(cell + 1)), state.value(CellId(cell + 2))};
}

// A slab one grid cell thick in the middle of the box.
void narrowToSlab(AxisGrid& axis) {
  const double middle = (axis.boxMinimum + axis.boxMaximum) * 0.5;
  const double half = (axis.boxMaximum - axis.boxMinimum) / axis.savedCount * 0.5;
  axis.count = 2;
  axis.samplingMinimum = middle - half;
  axis.samplingMaximum = middle + half;
}

bool isWhole(const AxisGrid& axis) {
  return axis.count == axis.savedCount && axis.samplingMinimum == axis.boxMinimum &&
         axis.samplingMaximum == axis.boxMaximum;
}

// Where a value stands on the slider: its maximum at the top, its minimum at the
// bottom. A value outside the two is shown at the nearer end (and moves there
// with the first scroll event); equal limits put the slider at the top.
std::int32_t positionOfValue(const BoundValue& bound) {
  const long double span = static_cast<long double>(bound.minimum) - bound.maximum;
  const long double p = (bound.value - static_cast<long double>(bound.maximum)) / span * kScrollRange;
  if (!std::isfinite(static_cast<double>(p))) return 0;
  return static_cast<std::int32_t>(std::clamp<long double>(std::nearbyint(static_cast<double>(p)), 0, kScrollRange));
}

std::int32_t limited(std::int64_t position) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, kScrollRange));
}

// The value as the status bar shows it: adding and taking away 4 in extended
// precision turns what is left of a cancellation (about 1e-19) into 0.
std::string statusValue(long double value) {
  volatile long double snapped = value + 4.0L;
  return FormatNumber(snapped - 4.0L, 4);
}

}  // namespace

ScrollChoiceResult chooseScroll(Document& document, int previous, int chosen, bool eightBitDisplay) {
  ScrollChoiceResult result;
  if (chosen == previous) return result;
  if (chosen == kScrollOff) {
    restoreAxes(document.job);
    result.outcome = ScrollChoiceOutcome::SwitchedOff;
    result.redraw = isScrollSlice(previous);
    return result;
  }
  const ScrollChoice& choice = scrollChoice(chosen);
  if (choice.effect && eightBitDisplay) {
    result.outcome = ScrollChoiceOutcome::Refused;
    return result;
  }
  restoreAxes(document.job);
  result.outcome = ScrollChoiceOutcome::Bound;
  result.redraw = true;
  if (choice.axis >= 0) {
    narrowToSlab(document.job.axes[choice.axis]);
    result.startPosition = kScrollRange / 2;
  } else {
    result.startPosition = positionOfValue(boundValue(document.state, choice.cell));
  }
  return result;
}

ScrollMove scrollRequest(int request, std::int32_t current, std::int32_t thumb, std::int32_t& lastPosition) {
  std::int64_t p = current;
  switch (request) {
    case kScrollLineUp: p -= kScrollLineStep; break;
    case kScrollLineDown: p += kScrollLineStep; break;
    case kScrollPageUp: p -= kScrollPageStep; break;
    case kScrollPageDown: p += kScrollPageStep; break;
    case kScrollTop: p = 0; break;
    case kScrollBottom: p = kScrollRange; break;
    case kScrollThumbPosition: p = thumb; break;
    case kScrollEndScroll: break;
    case kScrollThumbTrack:
      // The system moves the thumb while it is dragged; the picture follows
      // without the position becoming the last one.
      if (thumb == lastPosition) return {};
      return {true, false, limited(thumb)};
    default: return {};
  }
  const std::int32_t position = limited(p);
  if (position == lastPosition) return {};
  lastPosition = position;
  return {true, true, position};
}

std::string applyScrollPosition(Document& document, int choiceId, std::int32_t position) {
  const ScrollChoice& choice = scrollChoice(choiceId);
  const long double f = static_cast<long double>(kScrollRange - limited(position)) / kScrollRange;
  long double shown = 0;
  if (choice.axis >= 0) {
    AxisGrid& axis = document.job.axes[choice.axis];
    if (isWhole(axis)) narrowToSlab(axis);
    const long double box = static_cast<long double>(axis.boxMaximum) - axis.boxMinimum;
    const long double width = static_cast<long double>(axis.samplingMaximum) - axis.samplingMinimum;
    axis.samplingMinimum = static_cast<double>(axis.boxMinimum + (box - width) * f);
    axis.samplingMaximum = static_cast<double>(axis.samplingMinimum + width);
    // The slab's middle, stretched so that it runs from the box minimum (slab
    // at the bottom) to the box maximum (slab at the top).
    shown = ((axis.samplingMinimum + static_cast<long double>(axis.samplingMaximum) - axis.boxMaximum -
              axis.boxMinimum) / (box - width) * box + axis.boxMaximum + axis.boxMinimum) * 0.5L;
  } else if (choiceId != kScrollOff) {
    BoundValue bound = boundValue(document.state, choice.cell);
    bound.value = static_cast<double>(bound.minimum + (static_cast<long double>(bound.maximum) - bound.minimum) * f);
    shown = bound.value;
  } else {
    return {};
  }
  std::string text(choice.name);
  text += " := ";
  text += statusValue(shown);
  return text;
}

}  // namespace vx
