// The Clipboard command: the picture goes to the clipboard as a metafile
// picture holding a device-independent bitmap, for other programs to paste and
// print.
#include <string>

#include "core/dialogtexts.h"
#include "render/packedbitmap.h"
#include "shell/dialogparts.h"
#include "win/dialog.h"
#include "win/metafile.h"
#include "win/sys.h"

namespace vx {

namespace {

// The colour table the 8-bit picture is shown with: the frame bitmap's own.
bool frameColorTable(ProgramState& program, RGBQUAD (&colors)[256]) {
  UINT copied = 0;
  return !failed(sys::getDibColorTable(program.frameDC, 0, 256, colors, copied)) && copied == 256;
}

// The picture rectangle, bottom row first, in clipboard memory.
Status packPicture(ProgramState& program, PackedBitmap& packed) {
  const FrameBuffer& fb = program.frame;
  RGBQUAD colors[256] = {};
  if (!fb.truecolor() && !frameColorTable(program, colors)) return kSystemCallFailed;
  HGLOBAL memory = nullptr;
  Status status = sys::globalAlloc(kClipboardMemory, packedBitmapSize(fb), memory);
  if (failed(status)) return status;
  void* block = nullptr;
  status = sys::globalLock(memory, block);
  if (failed(status)) {
    sys::globalFree(memory);
    return status;
  }
  packBitmap(fb, reinterpret_cast<const std::uint8_t*>(colors), static_cast<std::uint8_t*>(block));
  sys::globalUnlock(memory);
  packed = {memory, fb.pictureWidth(), fb.pictureHeight(), packedBitsOffset(fb)};
  return kOk;
}

constexpr std::string_view kClipboardTitle = caption<"Clipboard">();

std::string clipboardTemplate() {
  const DialogItem items[] = {
      textItem(6, 6, 268, 112, kClipboardText),
      buttonItem(90, 124, IDOK, "&OK", true),
      buttonItem(143, 124, IDCANCEL, "&Cancel", false),
  };
  return buildCompactTemplate(dialogHeader(kClipboardTitle, 280, 144), items);
}

void copyPicture(ProgramState& program) {
  if (failed(sys::emptyClipboard())) return;
  HGLOBAL picture = MakeMetafilePicture(program);
  // Until the clipboard takes the picture it is ours to free.
  if (picture && failed(sys::setClipboardData(CF_METAFILEPICT, picture))) freeMetafilePicture(picture);
}

}  // namespace

HGLOBAL MakeMetafilePicture(ProgramState& program) {
  const FrameBuffer& fb = program.frame;
  if (!fb.base || fb.pictureWidth() <= 0 || fb.pictureHeight() <= 0 || !program.windowDC) return nullptr;
  PackedBitmap packed;
  if (failed(packPicture(program, packed))) return nullptr;
  HGLOBAL picture = nullptr;
  if (failed(makeMetafilePicture(packed, program.palette, program.windowDC, picture))) return nullptr;
  return picture;
}

void clipboardCommand(ProgramState& program) {
  static const std::string dialog = clipboardTemplate();
  if (ShowDialog(program.mainWindow, dialog, closeOnAnyButton, 0) != IDOK) return;
  showHourglass();
  if (!failed(sys::openClipboard(program.mainWindow))) {
    copyPicture(program);
    sys::closeClipboard();
  }
  showArrow(program);
}

}  // namespace vx
