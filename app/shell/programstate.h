#pragma once
// ProgramState: the graphing program's one record. It is made once at start-up
// in memory from the allocator layer's chunk source and never freed; the main
// window keeps its address in its user-data slot and every dialog in its own.
// It holds the portable core's records (the document with its language state,
// render job, view and zoom; the view controls with the program clock and the
// key holds) together with what is Windows: handles, fonts, palette and the
// device-independent bitmap the picture is drawn into.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/memory.h"
#include "core/document.h"
#include "core/viewcontrol.h"
#include "render/box.h"
#include "render/framebuffer.h"
#include "shell/programrelease.h"

namespace vx {

// Letters for the box labels, drawn by GDI into a small scratch bitmap and
// blended into the picture from their coverage (as the FreeType letters of the
// command-line tool are).
struct LabelLetters {
  HDC dc = nullptr;            // memory device context holding `bitmap` and `font`
  HBITMAP bitmap = nullptr;    // 32-bit, top-down, kLabelScratchWidth x kLabelScratchHeight
  std::uint32_t* bits = nullptr;
  HFONT font = nullptr;        // Arial at `pixelSize`
  int pixelSize = 0;
  TextPainter painter;
};

// Room for the longest label at any reasonable display resolution.
inline constexpr int kLabelScratchWidth = 512;
inline constexpr int kLabelScratchHeight = 64;

struct ProgramState {
  ProgramState(ChunkSource& source, std::size_t pageSize, std::size_t granularity, Host& host)
      : allocator(source, pageSize, granularity), document(allocator, host) {
    document.setRelease(kProgramRelease);
  }
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

  Allocator allocator;
  Document document;     // text, language state, job, view, zoom, Edited, last result
  ViewControl control;   // program clock, key holds, continuous rotation, FrameWanted, TimeDependent

  // Windowing.
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HWND statusBar = nullptr;
  HDC windowDC = nullptr;       // the main window's own device context, kept for the run
  HPALETTE palette = nullptr;   // the program palette: system colours plus colour-table entries 10..245
  HFONT titleFont = nullptr;
  std::int32_t titleFontHeight = 0;
  HFONT statusFont = nullptr;
  std::int32_t statusFontHeight = 0;
  std::int32_t statusBarHeight = 0;
  HCURSOR arrowCursor = nullptr;  // set after every frame: the window class has no cursor
  bool TitleDismissed = false;  // the opening title is no longer drawn

  // Picture geometry from WM_SIZE: the client area less the status bar.
  std::int32_t lastColumn = -1, lastRow = -1;
  float pictureWidth = 0, pictureHeight = 0;
  float centerX = 0, centerY = 0;
  std::int32_t halfLeft = 0, halfTop = 0, halfRight = 0, halfBottom = 0;

  // The off-screen picture: a DIB section as large as the display, top-down.
  FrameBuffer frame;
  HBITMAP frameBitmap = nullptr;
  HDC frameDC = nullptr;
  std::uint32_t videoBits = 0;  // 8 or 32: the frame buffer chosen at start-up; 0 before
  LabelLetters letters;

  std::int32_t SignificantDigits = 18;
  char statusText[2][128] = {};  // what ShowStatus last set in each part
  char CommandLinePath[1536] = {};
  std::uint32_t frameCount = 0;  // frames produced since start-up

  // The slicing scroll bar: the Scrollbar dialog's choice (100 Off .. 113) and
  // the position last applied (-1 right after a new choice).
  std::int32_t ScrollSelection = 100;
  std::int32_t lastScrollPosition = -1;
  // The Color and Background dialogs' choices while they are open (colour modes).
  std::int32_t pendingSurfaceColor = 0, pendingVectorColor = 0, pendingBackground = 0;
};

}  // namespace vx
