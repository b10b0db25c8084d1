#pragma once
// What the program's dialogs are made of: the common header (class "b", Arial
// 10, centred, caption and system menu), explanatory texts, push buttons and
// choices, and the small steps many commands share.
#include <cstdint>
#include <string_view>

#include "base/dialogtemplate.h"
#include "shell/commands.h"

namespace vx {

inline constexpr std::uint16_t kNoControlId = 0xFFFF;
// Push buttons are this size unless a dialog says otherwise.
inline constexpr std::int16_t kButtonWidth = 47;
inline constexpr std::int16_t kButtonHeight = 14;

constexpr DialogHeader dialogHeader(std::string_view title, std::int16_t width, std::int16_t height) {
  return {.cx = width, .cy = height, .windowClass = named(kDialogClass), .title = title, .pointSize = 10,
          .face = "Arial"};
}

// Left-aligned explanatory text; kSsCenter in `extraStyle` for headings.
constexpr DialogItem textItem(std::int16_t x, std::int16_t y, std::int16_t cx, std::int16_t cy, std::string_view text,
                              std::uint32_t extraStyle = 0) {
  return {.style = kWsChild | kWsVisible | extraStyle, .x = x, .y = y, .cx = cx, .cy = cy, .id = kNoControlId,
          .windowClass = numbered(kStaticClass), .text = named(text)};
}

constexpr DialogItem buttonItem(std::int16_t x, std::int16_t y, std::uint16_t id, std::string_view label,
                                bool isDefault, std::int16_t cx = kButtonWidth) {
  return {.style = kWsChild | kWsVisible | kWsTabStop | (isDefault ? kBsDefPushButton : kBsPushButton), .x = x,
          .y = y, .cx = cx, .cy = kButtonHeight, .id = id, .windowClass = numbered(kButtonClass),
          .text = named(label)};
}

// A choice among several; `firstOfGroup` where a dialog has two groups.
constexpr DialogItem choiceItem(std::int16_t x, std::int16_t y, std::int16_t cx, std::uint16_t id,
                                std::string_view label, bool firstOfGroup = false) {
  return {.style = kWsChild | kWsVisible | kBsAutoRadioButton | (firstOfGroup ? kWsGroup : 0u), .x = x, .y = y,
          .cx = cx, .cy = 8, .id = id, .windowClass = numbered(kButtonClass), .text = named(label)};
}

// A message box over the main window with an OK button only.
void showMessage(ProgramState& program, std::string_view title, std::string_view text);

// The hourglass while a command works, and the arrow back.
void showHourglass();
void showArrow(ProgramState& program);

// Puts the keyboard focus on a dialog's control (WM_INITDIALOG then answers FALSE).
void focusControl(HWND dialog, int id);

// For dialogs that only explain: any button, Escape and the close box end them.
INT_PTR CALLBACK closeOnAnyButton(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The Help dialog over `owner` (the main window, or the Edit dialog).
void showHelp(HWND owner);

}  // namespace vx
