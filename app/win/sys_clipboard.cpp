// Global memory, clipboard and metafile wrappers.
#include "win/sys_clipboard.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

Status globalAlloc(UINT flags, std::size_t size, HGLOBAL& memory) {
  HGLOBAL result = GlobalAlloc(flags, size);
  if (!result) return failure(kGlobalAllocFailed);
  memory = result;
  return kOk;
}

Status globalLock(HGLOBAL memory, void*& block) {
  void* result = GlobalLock(memory);
  if (!result) return failure(kGlobalLockFailed);
  block = result;
  return kOk;
}

Status globalUnlock(HGLOBAL memory) {
  bool failedCall = false;
  withClearedError([&] { return GlobalUnlock(memory); }, failedCall);
  // The last lock released also sets ERROR_NOT_LOCKED on some systems; that is
  // the answer for a block that is now unlocked, not a failure.
  if (failedCall && GetLastError() != ERROR_NOT_LOCKED) return failure(kGlobalUnlockFailed);
  return kOk;
}

Status globalFree(HGLOBAL memory) { return check(GlobalFree(memory) == nullptr, kGlobalFreeFailed); }

Status openClipboard(HWND owner) { return check(OpenClipboard(owner), kOpenClipboardFailed); }
Status emptyClipboard() { return check(EmptyClipboard(), kEmptyClipboardFailed); }
Status setClipboardData(UINT format, HANDLE data) {
  return check(SetClipboardData(format, data) != nullptr, kSetClipboardDataFailed);
}
Status closeClipboard() { return check(CloseClipboard(), kCloseClipboardFailed); }

Status createMetaFile(HDC& dc) {
  HDC result = CreateMetaFileW(nullptr);
  if (!result) return failure(kCreateMetaFileFailed);
  dc = result;
  return kOk;
}

Status closeMetaFile(HDC dc, HMETAFILE& metafile) {
  HMETAFILE result = CloseMetaFile(dc);
  if (!result) return failure(kCloseMetaFileFailed);
  metafile = result;
  return kOk;
}

Status deleteMetaFile(HMETAFILE metafile) { return check(DeleteMetaFile(metafile), kDeleteMetaFileFailed); }

Status getDibColorTable(HDC dc, UINT first, UINT count, RGBQUAD* colors, UINT& copied) {
  const UINT result = GetDIBColorTable(dc, first, count, colors);
  if (result == 0) return failure(kGetDIBColorTableFailed);
  copied = result;
  return kOk;
}

}  // namespace vx::sys
