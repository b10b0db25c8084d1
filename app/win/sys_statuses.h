#pragma once
// The failure status of every system-call wrapper, one of its own per call, so
// that the number a setup program shows names the call that failed. Its four
// bytes, read from the most significant, spell the capitals of the call's name
// padded with spaces, with the top bit set on the first letter (which makes the
// status negative): CreateFile fails with C3 46 20 20 ("CF  "). Where two calls
// would spell alike, one of them also has the top bit set on its second letter
// (CopyFile is C3 C6 20 20). The setup programs' own conditions, which are not
// system-call failures, are spelled the same way and kept in this one table so
// that no two statuses can coincide.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "base/status.h"

namespace vx::sys {

// `letters`: one to four capitals; `markSecond` tells apart two calls whose
// letters coincide.
template <std::size_t N>
constexpr Status spelledStatus(const char (&letters)[N], bool markSecond = false) {
  static_assert(N >= 2 && N <= 5, "one to four letters");
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    std::uint32_t byte = i + 1 < N ? static_cast<unsigned char>(letters[i]) : ' ';
    if (i == 0 || (i == 1 && markSecond)) byte |= 0x80;
    value = value << 8 | byte;
  }
  return static_cast<Status>(value);
}

// The table: name, letters and, for the second of two alike, `true`.
#define VX_SPELLED_STATUSES(X)                        \
  /* process, thread and memory */                    \
  X(kGetModuleHandleFailed, "GMH")                    \
  X(kGetModuleFileNameFailed, "GMFN")                 \
  X(kGetCommandLineFailed, "GCL")                     \
  X(kSetThreadPriorityFailed, "STP")                  \
  X(kVirtualAllocFailed, "VA")                        \
  X(kVirtualFreeFailed, "VF")                         \
  X(kVirtualProtectFailed, "VP")                      \
  X(kFlushInstructionCacheFailed, "FIC")              \
  X(kCreateProcessFailed, "CP", true)                 \
  X(kResumeThreadFailed, "RT")                        \
  /* folders and files */                             \
  X(kGetWindowsDirectoryFailed, "GWD")                \
  X(kGetCurrentDirectoryFailed, "GCD")                \
  X(kSetCurrentDirectoryFailed, "SCD")                \
  X(kGetFullPathNameFailed, "GFPN")                   \
  X(kGetFileAttributesFailed, "GFA")                  \
  X(kCreateFileFailed, "CF")                          \
  X(kCloseHandleFailed, "CH")                         \
  X(kGetFileTypeFailed, "GFT")                        \
  X(kGetFileInformationByHandleFailed, "GFIB")        \
  X(kGetFileSizeExFailed, "GFSE")                     \
  X(kReadFileFailed, "RF")                            \
  X(kWriteFileFailed, "WF")                           \
  X(kFlushFileBuffersFailed, "FFB")                   \
  X(kMoveFileExFailed, "MFE")                         \
  X(kDeleteFileFailed, "DF")                          \
  X(kCreateDirectoryFailed, "CD")                     \
  X(kRemoveDirectoryFailed, "RD")                     \
  X(kCopyFileFailed, "CF", true)                      \
  X(kExpandEnvironmentStringsFailed, "EES")           \
  X(kWritePrivateProfileStringFailed, "WPPS")         \
  /* registry */                                      \
  X(kRegOpenKeyExFailed, "ROKE")                      \
  X(kRegCreateKeyExFailed, "RCKE")                    \
  X(kRegQueryValueExFailed, "RQVE")                   \
  X(kRegSetValueExFailed, "RSVE")                     \
  X(kRegDeleteValueFailed, "RDV")                     \
  X(kRegDeleteKeyFailed, "RDK")                       \
  X(kRegQueryInfoKeyFailed, "RQIK")                   \
  X(kRegCloseKeyFailed, "RCK")                        \
  /* COM and shell links */                           \
  X(kCoInitializeFailed, "CI")                        \
  X(kCoCreateInstanceFailed, "CCI")                   \
  X(kQueryInterfaceFailed, "QI")                      \
  X(kShellLinkSetPathFailed, "SLSP")                  \
  X(kShellLinkGetPathFailed, "SLGP")                  \
  X(kPersistFileSaveFailed, "PFS")                    \
  X(kPersistFileLoadFailed, "PFL")                    \
  /* window classes, windows, messages, menus */      \
  X(kGetClassInfoExFailed, "GCIE")                    \
  X(kRegisterClassExFailed, "RCE")                    \
  X(kLoadIconFailed, "LI")                            \
  X(kLoadImageFailed, "LI", true)                     \
  X(kLoadCursorFailed, "LC")                          \
  X(kCreateWindowExFailed, "CWE")                     \
  X(kDestroyWindowFailed, "DW")                       \
  X(kUpdateWindowFailed, "UW")                        \
  X(kSetActiveWindowFailed, "SAW")                    \
  X(kSetFocusFailed, "SF")                            \
  X(kGetParentFailed, "GP")                           \
  X(kGetClientRectFailed, "GCR")                      \
  X(kGetWindowRectFailed, "GWR")                      \
  X(kInvalidateRectFailed, "IR")                      \
  X(kValidateRectFailed, "VR")                        \
  X(kSetWindowTextFailed, "SWT")                      \
  X(kGetWindowTextLengthFailed, "GWTL")               \
  X(kGetWindowTextFailed, "GWT")                      \
  X(kMoveWindowFailed, "MW")                          \
  X(kSetWindowLongPtrFailed, "SWLP")                  \
  X(kGetWindowLongPtrFailed, "GWLP")                  \
  X(kGetMessageFailed, "GM")                          \
  X(kWaitMessageFailed, "WM")                         \
  X(kPostMessageFailed, "PM")                         \
  X(kCreateMenuFailed, "CM")                          \
  X(kAppendMenuFailed, "AM")                          \
  X(kSetMenuFailed, "SM")                             \
  X(kDrawMenuBarFailed, "DMB")                        \
  X(kSetScrollRangeFailed, "SSR")                     \
  X(kSetScrollPosFailed, "SSP")                       \
  X(kGetScrollPosFailed, "GSP")                       \
  X(kEnableScrollBarFailed, "ESB")                    \
  /* dialogs, message boxes, common dialogs */        \
  X(kDialogBoxIndirectParamFailed, "DBIP")            \
  X(kCreateDialogIndirectParamFailed, "CDIP")         \
  X(kEndDialogFailed, "ED")                           \
  X(kGetDlgItemFailed, "GDI")                         \
  X(kGetDlgItemTextFailed, "GDIT")                    \
  X(kSetDlgItemTextFailed, "SDIT")                    \
  X(kCheckRadioButtonFailed, "CRB")                   \
  X(kMessageBoxFailed, "MB")                          \
  X(kGetOpenFileNameFailed, "GOFN")                   \
  X(kGetSaveFileNameFailed, "GSFN")                   \
  X(kSystemParametersInfoFailed, "SPI")               \
  /* drawing */                                       \
  X(kGetDCFailed, "GDC")                              \
  X(kReleaseDCFailed, "RDC")                          \
  X(kBeginPaintFailed, "BP")                          \
  X(kCreateFontIndirectFailed, "CFI")                 \
  X(kSelectObjectFailed, "SO")                        \
  X(kDeleteObjectFailed, "DO")                        \
  X(kCreateCompatibleDCFailed, "CCDC")                \
  X(kDeleteDCFailed, "DDC")                           \
  X(kSetBkColorFailed, "SBC")                         \
  X(kSetBkModeFailed, "SBM")                          \
  X(kSetTextColorFailed, "STC")                       \
  X(kSetTextAlignFailed, "STA")                       \
  X(kGetSysColorBrushFailed, "GSCB")                  \
  X(kFillRectFailed, "FR")                            \
  X(kExtTextOutFailed, "ETO")                         \
  X(kGetTextExtentPoint32Failed, "GTEP")              \
  X(kGetTextMetricsFailed, "GTM")                     \
  X(kDrawTextFailed, "DT")                            \
  X(kGdiSetBatchLimitFailed, "GSBL")                  \
  X(kGdiFlushFailed, "GF")                            \
  X(kCreateDIBSectionFailed, "CDS")                   \
  X(kSetDIBColorTableFailed, "SDCT")                  \
  X(kBitBltFailed, "BB")                              \
  X(kStretchDIBitsFailed, "SDB")                      \
  X(kSetMapModeFailed, "SMM")                         \
  X(kDPtoLPFailed, "DPLP")                            \
  X(kSetWindowOrgExFailed, "SWOE")                    \
  X(kSetWindowExtExFailed, "SWEE")                    \
  X(kCreatePaletteFailed, "CP")                       \
  X(kSelectPaletteFailed, "SP")                       \
  X(kRealizePaletteFailed, "RP")                      \
  X(kGetSystemPaletteEntriesFailed, "GSPE")           \
  /* global memory, clipboard, metafiles */           \
  X(kGlobalAllocFailed, "GA")                         \
  X(kGlobalLockFailed, "GL")                          \
  X(kGlobalUnlockFailed, "GU")                        \
  X(kGlobalFreeFailed, "GF", true)                    \
  X(kOpenClipboardFailed, "OC")                       \
  X(kEmptyClipboardFailed, "EC")                      \
  X(kSetClipboardDataFailed, "SCD", true)             \
  X(kCloseClipboardFailed, "CC")                      \
  X(kCreateMetaFileFailed, "CMF")                     \
  X(kCloseMetaFileFailed, "CMF", true)                \
  X(kDeleteMetaFileFailed, "DMF")                     \
  X(kGetDIBColorTableFailed, "GDCT")                  \
  /* the setup programs' own conditions */            \
  X(kUnexpectedValueType, "UVT")  /* a folder value neither REG_SZ nor REG_EXPAND_SZ */ \
  X(kValueTooLong, "VTL")         /* a folder value beyond its buffer */                \
  X(kShortWrite, "SW")            /* a file written with fewer bytes than its size */   \
  X(kEmptyProgramsPath, "EPP")    /* no Start-menu programs folder to refresh */        \
  X(kViewerListFull, "VLF")       /* every numbered viewer slot holds another type */

#define VX_DEFINE_STATUS(name, ...) inline constexpr Status name = spelledStatus(__VA_ARGS__);
VX_SPELLED_STATUSES(VX_DEFINE_STATUS)
#undef VX_DEFINE_STATUS

namespace detail {
#define VX_LIST_STATUS(name, ...) name,
inline constexpr Status kSpelledStatuses[] = {VX_SPELLED_STATUSES(VX_LIST_STATUS)};
#undef VX_LIST_STATUS

constexpr bool allDistinct() {
  for (std::size_t i = 0; i < std::size(kSpelledStatuses); ++i)
    for (std::size_t j = i + 1; j < std::size(kSpelledStatuses); ++j)
      if (kSpelledStatuses[i] == kSpelledStatuses[j]) return false;
  return true;
}
static_assert(allDistinct(), "two statuses spell alike: mark the second letter of one");
}  // namespace detail

}  // namespace vx::sys
