// The Document as the Windows program will use it: open, edit and execute,
// redraw, save; with files and clock from a host in memory.
#include <gtest/gtest.h>

#include "base/memoryhost.h"
#include "core/document.h"
#include "render/framebuffer.h"

namespace vx {
namespace {

TEST(Document, TheRoadFromGraphFileToPicture) {
  MemoryHost host;
  Allocator allocator;
  host.files["C:\\graphs\\grid.txt"] = "2 3 4";
  for (int i = 0; i < 24; ++i) host.files["C:\\graphs\\grid.txt"] += i % 2 ? " 1" : " 0";

  // Edited text saved in the binary form: Edited is set by the edit, cleared by the save.
  Document writer(allocator, host);
  ASSERT_EQ(writer.setText("graph3d.view := top\r\ngraph3d( read3dtextfile(\"grid.txt\") = 0.5 )\n"), kOk);
  EXPECT_TRUE(writer.Edited);
  EXPECT_FALSE(writer.hasGraph());  // no folder yet: the data file is not found
  ASSERT_EQ(writer.save("C:\\graphs\\g.vlx", GraphFileForm::Binary, 7), kOk);
  EXPECT_FALSE(writer.Edited);
  EXPECT_EQ(host.files["C:\\graphs\\g.vlx"].substr(0, 5), std::string("\x1aVX\x00\x07", 5));

  // Opened: the data file is found beside it, the job built, the view preset applied.
  Document document(allocator, host);
  ASSERT_EQ(document.open("C:\\graphs\\g.vlx"), kOk);
  EXPECT_EQ(document.result.outcome, ExecOutcome::Graph);
  ASSERT_TRUE(document.hasGraph());
  EXPECT_EQ(document.job.axes[0].count, 2);
  EXPECT_EQ(document.job.axes[2].count, 4);
  EXPECT_EQ(document.view.horizontal, kViewPresets[kTopView].horizontal);
  EXPECT_EQ(document.view.elevation, kViewPresets[kTopView].elevation);
  OwnedFrameBuffer picture(PixelFormat::Rgb32, 64, 48);
  EXPECT_EQ(document.draw(picture.get()), kOk);
  EXPECT_GT(host.progressCalls, 1);
  host.stopRedraws = true;
  EXPECT_EQ(document.draw(picture.get()), kCancelled);
  host.stopRedraws = false;

  // A graph whose job cannot be built is a syntax error that keeps the job and the
  // view; any execution resets the zoom.
  document.view.horizontal = 1;
  document.zoom = 3;
  ASSERT_EQ(document.setText("graph3d.resolution := 5000\ngraph3d( z = 1 )"), kOk);
  EXPECT_EQ(document.result.status, "Syntax error");
  EXPECT_FALSE(document.jobRefusal.empty());
  EXPECT_EQ(document.job.axes[0].count, 2);
  EXPECT_EQ(document.view.horizontal, 1);
  EXPECT_EQ(document.zoom, 1);
  EXPECT_TRUE(document.Edited);

  // A file the line rules refuse, or one that is missing, changes nothing.
  host.files["bad.vlx"] = "1\r2\r\n";
  EXPECT_EQ(document.open("bad.vlx"), kLoneCarriageReturn);
  EXPECT_EQ(document.open("missing.vlx"), kCannotOpen);
  EXPECT_EQ(document.text.first()->view(), "graph3d.resolution := 5000");
  EXPECT_TRUE(document.Edited);
  EXPECT_EQ(document.setText("1\r2"), kLoneCarriageReturn);
  EXPECT_EQ(document.text.size(), 2u);

  // A time-dependent graph reads the host's clock when it is drawn.
  ASSERT_EQ(document.setText("graph3d( z = time - 3 )"), kOk);
  host.clock = 2.5;
  EXPECT_EQ(document.draw(picture.get()), kOk);
  EXPECT_EQ(document.state.value(kTime), 2.5);

  ASSERT_EQ(document.save("out.vlx", GraphFileForm::Ascii), kOk);
  EXPECT_EQ(host.files["out.vlx"], "graph3d( z = time - 3 )\r\n");

  Document empty(allocator, host);
  EXPECT_EQ(empty.draw(picture.get()), kNoGraph);
  empty.readOpeningGraph();
  EXPECT_EQ(empty.execute().outcome, ExecOutcome::Graph);
}

}  // namespace
}  // namespace vx
