// The updater: removes what the older release "Veltrix 2000" installed (its
// registry entries, shortcuts and files, each only where it is ours), then
// installs the current release exactly as its installer does. The removal
// ignores what it cannot remove; the installation stops at its first failure
// with one message naming the failed call. Exit code 0 in every case.
#include "setup/engine/engine.h"
#include "setup/engine/texts.h"
#include "win/sys.h"

namespace vx::setup {

namespace {

constexpr char kCaption[] = "Update Veltrix";

constexpr char kConfirmation[] =
    VX_BREAK VX_BREAK
    "This program will update your copy of Veltrix to version 2001.11.09.  Please make sure that Veltrix is not "
    "running when you apply this update." VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK
    VX_BREAK "                         OK to update?";

constexpr char kProgress[] = VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK "Updating ...";

constexpr char kCompletion[] =
    VX_BREAK VX_BREAK "Done." VX_BREAK VX_BREAK
    "To use Veltrix, double click on the Veltrix icon on your desktop, or click on START - PROGRAMS - VELTRIX - "
    "VELTRIX." VX_BREAK VX_BREAK
    "To remove Veltrix from your hard disk drive, click on START - SETTINGS - CONTROL PANEL - ADD/REMOVE PROGRAMS.  "
    "Or, click on START - PROGRAMS - VELTRIX - UNINSTALL.";

constexpr char kFailureLead[] = "Unexpected Windows failure while updating Veltrix.  Unable to continue, error code = ";
constexpr char kFailureClosing[] = "Please visit the Veltrix web site, " VX_WEB_SITE ", for more help.";

// Registry values first, so that nothing points at files that are gone; then
// the shortcuts and the files. Folders go only when nothing of the user's is left.
void removeOlderRelease(const FolderTable& folders) {
  removeRegistryTree(kCarriedTrees.removal.registry, folders);
  deleteListed(kCarriedTrees.removal.shortcuts, folders);
  deleteListed(kCarriedTrees.removal.files, folders);
}

Status update(const FolderTable& folders) {
  removeOlderRelease(folders);
  return installRelease(kCarriedTrees.install, folders);
}

constexpr SetupTexts kTexts = {kCaption, kConfirmation, kProgress, kCompletion, kFailureLead, kFailureClosing};

}  // namespace

}  // namespace vx::setup

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  vx::setup::SetupState state;
  state.instance = instance;
  vx::setup::runSetupProgram(state, vx::setup::kTexts, vx::setup::update);
}
