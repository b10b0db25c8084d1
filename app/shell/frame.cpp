// The frame: everything that moves on the screen moves through it. The message
// loop runs one whenever a frame is wanted and no message waits.
#include "base/fpu.h"
#include "render/colors.h"
#include "shell/shell.h"
#include "win/sys.h"

namespace vx {

namespace {

// Without an accepted graph command the picture is the background alone.
void drawBackground(ProgramState& program) {
  ColorState colors;
  prepareColorState(program.document.state, *program.document.renderer.colorTable, program.frame.truecolor(), colors);
  clearPicture(program.frame, backgroundPixel(colors));
}

void drawPicture(ProgramState& program) {
  if (!program.frame.base || program.frame.pictureWidth() <= 0 || program.frame.pictureHeight() <= 0) return;
  reassertFloatingPointMode();
  // The GDI letters may still be on their way into the bitmap.
  sys::gdiFlush();
  if (program.document.hasGraph()) {
    program.document.draw(program.frame);  // a failed redraw leaves what it drew; the next frame tries again
  } else {
    drawBackground(program);
  }
}

}  // namespace

void RunFrame(ProgramState& program) {
  ViewControl& control = program.control;
  control.startFrame(sys::getTickCount());
  drawPicture(program);  // the view as it stood at the end of the previous frame
  control.applyKeys(program.document);
  if (!program.TitleDismissed) drawTitle(program);
  sys::invalidateRect(program.mainWindow, nullptr, false);
  ++program.frameCount;
}

}  // namespace vx
