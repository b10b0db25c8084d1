// The installer: after one question it writes the release it carries (the
// graphing program, the uninstaller and the sample library), registers the
// graph file types with the shell and the browsers, creates the shortcuts and
// says where to find them. It takes no arguments and always ends with exit
// code 0; a failure stops at once with one message naming the failed call.
#include "setup/engine/engine.h"
#include "setup/engine/texts.h"
#include "win/sys.h"

namespace vx::setup {

namespace {

#ifdef VELTRIX_RELEASE_2000
// What the release writes, as the build's payload test holds it (the current
// release's payload is about 420 KB).
#define VX_INSTALLED_SIZE "450k"
#else
#define VX_INSTALLED_SIZE "500k"
#endif

constexpr char kCaption[] = "Install " VX_RELEASE;

constexpr char kConfirmation[] =
    VX_BREAK "The latest news of " VX_RELEASE ", more sample graphs and answers to common questions are on the "
    "Veltrix web site, " VX_WEB_SITE "." VX_BREAK VX_BREAK
    "Installing " VX_RELEASE " takes just a few seconds, and requires less than " VX_INSTALLED_SIZE
    " of space on your hard disk drive." VX_BREAK VX_BREAK VX_BREAK
    "                      OK to install now?";

constexpr char kProgress[] = VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK VX_BREAK "Installing ...";

constexpr char kCompletion[] =
    "Done." VX_BREAK VX_BREAK
    "You might want to save this " VX_RELEASE " installation program somewhere, in case you ever want to reinstall "
    VX_RELEASE "." VX_BREAK VX_BREAK
    "To use " VX_RELEASE ", double click on the " VX_RELEASE " icon on your desktop, or click on START - PROGRAMS - "
    VX_RELEASE_UPPER " - " VX_RELEASE_UPPER "." VX_BREAK VX_BREAK
    "To remove " VX_RELEASE " from your hard disk drive, click on START - SETTINGS - CONTROL PANEL - ADD/REMOVE "
    "PROGRAMS.  Or, click on START - PROGRAMS - " VX_RELEASE_UPPER " - UNINSTALL.";

constexpr char kFailureLead[] =
    "Unexpected Windows failure while installing " VX_RELEASE ".  Unable to continue, error code = ";
constexpr char kFailureClosing[] = "Please visit the Veltrix web site, " VX_WEB_SITE ", for more help.";

Status install(const FolderTable& folders) { return installRelease(kCarriedTrees.install, folders); }

constexpr SetupTexts kTexts = {kCaption, kConfirmation, kProgress, kCompletion, kFailureLead, kFailureClosing};

}  // namespace

}  // namespace vx::setup

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  vx::setup::SetupState state;
  state.instance = instance;
  vx::setup::runSetupProgram(state, vx::setup::kTexts, vx::setup::install);
}
