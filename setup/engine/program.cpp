// The one run the installer and the updater share; they differ only in their
// texts and in the work done between the progress panel and "Done.".
#include "setup/engine/engine.h"
#include "win/sys.h"

namespace vx::setup {

namespace {

[[noreturn]] void finish(SetupState& state) {
  closeFrame(state);
  sys::exitProcess(0);
}

void stopOnFailure(SetupState& state, const SetupTexts& texts, Status status) {
  if (!failed(status)) return;
  showFailure(state.frame, texts.caption, texts.failureLead, status, true, texts.failureClosing);
  finish(state);
}

}  // namespace

void runSetupProgram(SetupState& state, const SetupTexts& texts, Status (*work)(const FolderTable&)) {
  stopOnFailure(state, texts, createFrame(state, texts.caption, kSetupLayout));
  const std::int32_t answer = askPanel(state, texts.confirmation, PanelButtons::OkCancel);
  stopOnFailure(state, texts, answer);
  if (answer != IDOK) finish(state);
  stopOnFailure(state, texts, showPanel(state, texts.progress, PanelButtons::None));
  letPanelPaint();
  stopOnFailure(state, texts, fillSpecialFolders(state.folders));
  stopOnFailure(state, texts, work(state.folders.table()));
  stopOnFailure(state, texts, askPanel(state, texts.completion, PanelButtons::Ok));
  finish(state);
}

}  // namespace vx::setup
