// The setup programs' window: a frame of a copied dialog class holding one
// panel at a time, each panel a child dialog from a compact template with a
// text and up to two buttons; the wait for a button; the failure box.
//
// The frame is itself a dialog, so that its size in dialog units comes out of
// the Arial 10 point font exactly as the panels' do. Both dialogs share the
// button cell: a button of the panel writes its identifier there, and so does
// the frame for what the dialog manager sends to it (Enter and Escape reach the
// top-level dialog, not the panel) and for closing it (Cancel).
#include <cstdint>
#include <iterator>
#include <string>

#include "base/dialogtemplate.h"
#include "setup/engine/engine.h"
#include "win/dialog.h"
#include "win/sys.h"

namespace vx::setup {

namespace {

constexpr WORD kSystemDialogClass = 0x8002;
constexpr int kProgramIcon = 300;
// The frame's class: the system's dialog class with the program icon.
constexpr char kFrameClass[] = "VeltrixSetup";

constexpr std::uint32_t kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsSysMenu = 0x00080000;
constexpr std::uint32_t kDsControl = 0x0400;
constexpr std::uint32_t kDsCenter = 0x0800;
constexpr std::uint32_t kFrameStyle = kWsVisible | kWsCaption | kWsSysMenu | kDsCenter | kDsSetFont;
// A panel sits in the frame as a control would, so that the dialog manager
// moves the focus among its buttons.
constexpr std::uint32_t kPanelStyle = kWsChild | kWsVisible | kDsControl | kDsSetFont;

constexpr std::int16_t kFrameWidth = 175;
constexpr std::int16_t kTextLeft = 6, kTextTop = 6, kTextWidth = 163;
constexpr std::int16_t kButtonWidth = 30, kButtonHeight = 13;
constexpr std::int16_t kLoneOkLeft = 72, kOkLeft = 54, kCancelLeft = 90;
constexpr std::uint16_t kNoControlId = 0xFFFF;
constexpr std::uint16_t kPointSize = 10;
constexpr char kFace[] = "Arial";

constexpr std::int32_t kNoButton = -1;

Status registerFrameClass(HINSTANCE instance) {
  WNDCLASSEXW frameClass;
  Status status = sys::getClassInfoEx(nullptr, "", kSystemDialogClass, frameClass);
  if (failed(status)) return status;
  // Without its icon (a program built without one) the frame still works.
  HICON icon = nullptr, smallIcon = nullptr;
  sys::loadIcon(instance, kProgramIcon, icon);
  sys::loadIconImage(instance, kProgramIcon, sys::getSystemMetrics(SM_CXSMICON), sys::getSystemMetrics(SM_CYSMICON),
                     smallIcon);
  frameClass.hInstance = instance;
  frameClass.hIcon = icon;
  frameClass.hIconSm = smallIcon;
  ATOM atom = 0;
  return sys::registerClassEx(frameClass, kFrameClass, atom);
}

std::int32_t* buttonCell(HWND dialog) { return dialogParameter<std::int32_t>(dialog); }

void record(HWND dialog, std::int32_t id) {
  if (std::int32_t* cell = buttonCell(dialog)) *cell = id;
}

void focusFirstButton(HWND panel) {
  HWND button = nullptr, previous = nullptr;
  if (!failed(sys::getDlgItem(panel, IDOK, button))) sys::setFocus(button, previous);
}

INT_PTR CALLBACK frameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      storeDialogParameter(frame, lParam);
      return FALSE;
    case WM_COMMAND:
      record(frame, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      record(frame, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK panelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      *reinterpret_cast<std::int32_t*>(lParam) = kNoButton;
      storeDialogParameter(panel, lParam);
      focusFirstButton(panel);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      record(panel, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

Status createDialog(HINSTANCE instance, const std::string& compactTemplate, HWND parent, DLGPROC procedure,
                    std::int32_t* cell, HWND& dialog) {
  ExpandedTemplate expanded;
  Status status = expanded.expand(compactTemplate);
  if (failed(status)) return status;
  return sys::createDialogIndirectParam(instance, expanded.get(), parent, procedure, reinterpret_cast<LPARAM>(cell),
                                        dialog);
}

DialogItem button(std::int16_t left, std::int16_t line, std::uint16_t id, std::string_view label, bool isDefault) {
  return {.style = kWsChild | kWsVisible | kWsTabStop | (isDefault ? kBsDefPushButton : kBsPushButton), .x = left,
          .y = line, .cx = kButtonWidth, .cy = kButtonHeight, .id = id, .windowClass = numbered(kButtonClass),
          .text = named(label)};
}

std::string panelTemplate(const FrameLayout& layout, std::string_view text, PanelButtons buttons) {
  const DialogHeader header = {.style = kPanelStyle, .cx = kFrameWidth, .cy = layout.frameHeight,
                               .pointSize = kPointSize, .face = kFace};
  const DialogItem items[] = {
      {.x = kTextLeft, .y = kTextTop, .cx = kTextWidth, .cy = layout.textHeight, .id = kNoControlId,
       .windowClass = numbered(kStaticClass), .text = named(text)},
      button(buttons == PanelButtons::Ok ? kLoneOkLeft : kOkLeft, layout.buttonLine, IDOK, "&OK", true),
      button(kCancelLeft, layout.buttonLine, IDCANCEL, "&Cancel", false),
  };
  const std::size_t count = buttons == PanelButtons::None ? 1 : buttons == PanelButtons::Ok ? 2 : 3;
  return buildCompactTemplate(header, std::span(items, count));
}

void appendHex(std::string& text, std::uint32_t value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
}

}  // namespace

Status createFrame(SetupState& state, std::string_view caption, const FrameLayout& layout) {
  if (!state.instance) {
    HMODULE module = nullptr;
    Status status = sys::getModuleHandle("", module);
    if (failed(status)) return status;
    state.instance = module;
  }
  Status status = registerFrameClass(state.instance);
  if (failed(status)) return status;
  state.layout = layout;
  const DialogHeader header = {.style = kFrameStyle, .cx = kFrameWidth, .cy = layout.frameHeight,
                               .windowClass = named(kFrameClass), .title = caption, .pointSize = kPointSize,
                               .face = kFace};
  return createDialog(state.instance, buildCompactTemplate(header, {}), nullptr, frameProcedure, &state.buttonCell,
                      state.frame);
}

Status showPanel(SetupState& state, std::string_view text, PanelButtons buttons) {
  HWND panel = nullptr;
  Status status = createDialog(state.instance, panelTemplate(state.layout, text, buttons), state.frame,
                               panelProcedure, &state.buttonCell, panel);
  if (failed(status)) return status;
  // The new panel covers the old one before it goes, so the frame never shows empty.
  if (state.panel) sys::destroyWindow(state.panel);
  state.panel = panel;
  return kOk;
}

std::int32_t askPanel(SetupState& state, std::string_view text, PanelButtons buttons) {
  state.buttonCell = kNoButton;
  Status status = showPanel(state, text, buttons);
  if (failed(status)) return status;
  while (state.buttonCell == kNoButton) {
    MSG message;
    // The end of the program (or a broken queue) answers as Cancel would.
    if (sys::getMessage(message, nullptr, 0, 0) <= 0) return IDCANCEL;
    if (sys::isDialogMessage(state.frame, message)) continue;
    sys::translateMessage(message);
    sys::dispatchMessage(message);
  }
  return state.buttonCell;
}

void letPanelPaint() {
  MSG message;
  while (sys::peekMessage(message, nullptr, 0, 0, PM_REMOVE)) {
    sys::translateMessage(message);
    sys::dispatchMessage(message);
  }
}

void closeFrame(SetupState& state) {
  if (state.frame) sys::destroyWindow(state.frame);  // takes the panel with it
  state.frame = nullptr;
  state.panel = nullptr;
}

void showFailure(HWND owner, std::string_view caption, std::string_view lead, Status status, bool withCodes,
                 std::string_view closing) {
  std::string text(lead);
  if (withCodes) {
    appendHex(text, static_cast<std::uint32_t>(status));
    text += ' ';
    appendHex(text, sys::lastError());
  }
  text += "\r\n\r\n";
  text += closing;
  int answer = 0;
  sys::messageBox(owner, text, caption, MB_OK | MB_ICONERROR, answer);
}

}  // namespace vx::setup
