#pragma once
// Movable global memory, the clipboard and memory metafiles.
#include "win/sys.h"

namespace vx::sys {

Status globalAlloc(UINT flags, std::size_t size, HGLOBAL& memory);
Status globalLock(HGLOBAL memory, void*& block);
// Unlocking the last lock answers zero with no last error: that is no failure.
Status globalUnlock(HGLOBAL memory);
// Answers the handle itself on failure, nullptr on success.
Status globalFree(HGLOBAL memory);

Status openClipboard(HWND owner);
Status emptyClipboard();
// On success the clipboard owns `data`; on failure the caller still does.
Status setClipboardData(UINT format, HANDLE data);
Status closeClipboard();

// `dc` records into a metafile held in memory.
Status createMetaFile(HDC& dc);
Status closeMetaFile(HDC dc, HMETAFILE& metafile);
Status deleteMetaFile(HMETAFILE metafile);

// The colour table of the 8-bit bitmap selected into `dc`; `copied` entries.
Status getDibColorTable(HDC dc, UINT first, UINT count, RGBQUAD* colors, UINT& copied);

}  // namespace vx::sys
