// The scroll bar as a user moves it: a slice swept through the box, a variable
// between its limits, an effect refused on a 256-colour display, and Off.
#include <gtest/gtest.h>

#include "base/memoryhost.h"
#include "core/document.h"
#include "core/scrollslice.h"

namespace vx {
namespace {

TEST(ScrollSlice, SliceVariableEffectAndOff) {
  MemoryHost host;
  Allocator allocator;
  Document document(allocator, host);
  ASSERT_EQ(document.setText("a.minimum := -2\na.maximum := 2\na := 1\ngraph3d( x^2+y^2+z^2 = a+8 )"), kOk);
  ASSERT_TRUE(document.hasGraph());
  const AxisGrid whole = document.job.axes[0];
  ASSERT_EQ(whole.savedCount, 21);

  // An X slice starts as a slab one cell thick in the middle, slider half way.
  ScrollChoiceResult x = chooseScroll(document, kScrollOff, 101, false);
  EXPECT_EQ(x.outcome, ScrollChoiceOutcome::Bound);
  EXPECT_EQ(x.startPosition, 16352);
  const AxisGrid& axis = document.job.axes[0];
  EXPECT_EQ(axis.count, 2);
  EXPECT_DOUBLE_EQ(axis.samplingMaximum - axis.samplingMinimum, 6.0 / 21);
  std::int32_t last = -1;
  ScrollMove move = scrollRequest(kScrollThumbPosition, 0, x.startPosition, last);
  ASSERT_TRUE(move.apply && move.moveSlider);
  EXPECT_EQ(applyScrollPosition(document, 101, move.position), "x := 0");
  // The top and the bottom of the slider reach the ends of the box.
  EXPECT_EQ(applyScrollPosition(document, 101, 0), "x := 3");
  EXPECT_DOUBLE_EQ(axis.samplingMaximum, 3);
  EXPECT_EQ(applyScrollPosition(document, 101, kScrollRange), "x := -3");
  EXPECT_DOUBLE_EQ(axis.samplingMinimum, -3);

  // Requests: steps limited to the range; releasing where the thumb already is,
  // or dragging onto the last position, does nothing more.
  last = 0;
  EXPECT_FALSE(scrollRequest(kScrollLineUp, 0, 0, last).apply);
  move = scrollRequest(kScrollPageDown, 32000, 0, last);
  EXPECT_EQ(move.position, kScrollRange);
  EXPECT_FALSE(scrollRequest(kScrollEndScroll, kScrollRange, 0, last).apply);
  move = scrollRequest(kScrollThumbTrack, kScrollRange, 100, last);
  EXPECT_TRUE(move.apply);
  EXPECT_FALSE(move.moveSlider);
  EXPECT_EQ(last, kScrollRange);  // dragging does not make the position the last one

  // A variable: value 1 between -2 and 2 stands a quarter of the way down.
  ScrollChoiceResult a = chooseScroll(document, 101, 104, false);
  EXPECT_EQ(a.startPosition, 8176);
  EXPECT_EQ(document.job.axes[0].count, whole.count);  // the slice ended
  EXPECT_EQ(applyScrollPosition(document, 104, kScrollRange), "a := -2");
  EXPECT_EQ(document.state.value(kA), -2);
  EXPECT_EQ(applyScrollPosition(document, 104, 12264), "a := .5");

  // Effects need more than 256 colours; the previous choice stays.
  EXPECT_EQ(chooseScroll(document, 104, 110, true).outcome, ScrollChoiceOutcome::Refused);
  EXPECT_EQ(chooseScroll(document, 104, 108, false).startPosition, kScrollRange / 2);  // contrast 1/2 in 0..1
  EXPECT_EQ(applyScrollPosition(document, 108, 0), "graph3d.contrast := 1");

  // Off after a Z slice restores the whole box and asks for a redraw.
  chooseScroll(document, 108, 103, false);
  EXPECT_EQ(document.job.axes[2].count, 2);
  ScrollChoiceResult off = chooseScroll(document, 103, kScrollOff, false);
  EXPECT_EQ(off.outcome, ScrollChoiceOutcome::SwitchedOff);
  EXPECT_TRUE(off.redraw);
  EXPECT_EQ(document.job.axes[2].count, whole.count);
  EXPECT_EQ(document.job.axes[2].samplingMinimum, whole.boxMinimum);

  // A slice still bound when a new graph arrives cuts the new one at the next move.
  chooseScroll(document, kScrollOff, 102, false);
  ASSERT_EQ(document.setText("graph3d( x+y+z = 0 )"), kOk);
  EXPECT_EQ(document.job.axes[1].count, 21);
  EXPECT_EQ(applyScrollPosition(document, 102, kScrollRange / 2), "y := 0");
  EXPECT_EQ(document.job.axes[1].count, 2);
}

}  // namespace
}  // namespace vx
