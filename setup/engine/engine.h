#pragma once
// The setup engine shared by the installer, the updater and the uninstaller:
// the window with its panels, the special folder table, and the steps that walk
// the carried trees. Every step returns kOk or the negative status of the first
// call that failed (each system-call wrapper has a status of its own whose four
// bytes spell the call, so the number in the failure message names it), and
// sys::lastError() holds that call's last-error code.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "setup/tree/carriedtrees.h"
#include "setup/tree/setuptree.h"

namespace vx::setup {

// ---- The special folder table -------------------------------------------

// The four folders a setup program knows, each read once per run.
struct SpecialFolders {
  std::string programFiles;  // slot 0
  std::string windows;       // slot 1
  std::string desktop;       // slot 4
  std::string programs;      // slot 5
  // The table the tree walks expand tokens with (views into the strings above).
  FolderTable table() const;
};

// Fills every slot: "ProgramFilesDir" (HKLM), the Windows directory, "Desktop"
// and "Programs" (HKCU Shell Folders); REG_SZ copied, REG_EXPAND_SZ expanded,
// any other type or a value of more than kFolderTextLimit bytes refused.
// Nothing is written anywhere; a failure leaves the machine as it was.
Status fillSpecialFolders(SpecialFolders& folders);

// ---- Installing (each stops at its first failure) ---------------------------

Status writePayload(TreeBytes payload, const FolderTable& folders);
Status writeRegistryTree(TreeBytes registry, const FolderTable& folders);
// Adds the MIME type to the browser's numbered viewer list (TYPE0, TYPE1, ...).
Status addToViewerList();
// Writes the "Opera.ini" entry with `value` (a carried setup string), then flushes.
Status writeBrowserEntry(TreeBytes value, const FolderTable& folders);
// Creates the shortcuts through shell links (COM initialised and released here),
// then refreshes the Start menu.
Status createShortcuts(TreeBytes shortcuts, const FolderTable& folders);
// Renames the programs folder away and back so that the shell rebuilds its view;
// failures are ignored.
void refreshStartMenu(const FolderTable& folders);
// Steps 4 to 8 of an installation with `trees`, in order, each stopping at
// its first failure; the Start menu is refreshed a second time at the end.
Status installRelease(const InstallTrees& trees, const FolderTable& folders);

// ---- Removing (every failure ignored) ------------------------------------

// Deletes every listed value; a listed key is deleted only once it holds no
// values and no subkeys, so keys shared with other programs keep what is theirs.
void removeRegistryTree(TreeBytes registry, const FolderTable& folders);
// Removes the "Opera.ini" entry and flushes the profile cache.
void removeBrowserEntry();
// Deletes each listed file; each listed folder is removed only when empty.
void deleteListed(TreeBytes deletions, const FolderTable& folders);

// ---- The window --------------------------------------------------------------

// Frame geometry in dialog units: the installer and updater use 175 x 159 with
// the text 163 x 128 and buttons on y = 140; the uninstaller 175 x 151, 163 x 120
// and y = 132.
struct FrameLayout {
  std::int16_t frameHeight;
  std::int16_t textHeight;
  std::int16_t buttonLine;
};
inline constexpr FrameLayout kSetupLayout = {159, 128, 140};
inline constexpr FrameLayout kUninstallLayout = {151, 120, 132};

enum class PanelButtons { None, Ok, OkCancel };

struct SetupState {
  HINSTANCE instance = nullptr;
  HWND frame = nullptr;
  HWND panel = nullptr;
  std::int32_t buttonCell = -1;  // -1: nothing pressed yet; else the control id
  FrameLayout layout = kSetupLayout;
  SpecialFolders folders;
};

// Registers the frame class (a copy of the dialog class with icon 300) and
// creates the centred frame with `caption`.
Status createFrame(SetupState& state, std::string_view caption, const FrameLayout& layout);
// Creates a panel with `text` and `buttons` inside the frame, then destroys the
// previous one.
Status showPanel(SetupState& state, std::string_view text, PanelButtons buttons);
// Shows a panel and waits for a button: the control id (IDOK, IDCANCEL; closing
// the frame counts as IDCANCEL), or a negative status when the panel could not
// be made.
std::int32_t askPanel(SetupState& state, std::string_view text, PanelButtons buttons);
// Handles every waiting message without blocking, so a new panel paints before
// long work starts.
void letPanelPaint();
void closeFrame(SetupState& state);

// The failure box: error icon, OK, owned by `owner` (may be null), `caption`,
// and `lead` followed by the status and the last-error code as 8-digit
// upper-case hexadecimal numbers when `withCodes`, then two line breaks and
// `closing`.
void showFailure(HWND owner, std::string_view caption, std::string_view lead, Status status, bool withCodes,
                 std::string_view closing);

// ---- The installer's and the updater's run ---------------------------------

struct SetupTexts {
  std::string_view caption;
  std::string_view confirmation;
  std::string_view progress;
  std::string_view completion;
  std::string_view failureLead;     // the failure message up to its codes
  std::string_view failureClosing;  // the sentence after them
};

// Asks, shows the progress panel, fills the special folders, runs `work` with
// them and says "Done."; the first failure shows the message with its codes.
// Then closes the frame and ends the program with exit code 0, whatever happened.
[[noreturn]] void runSetupProgram(SetupState& state, const SetupTexts& texts, Status (*work)(const FolderTable&));

}  // namespace vx::setup
