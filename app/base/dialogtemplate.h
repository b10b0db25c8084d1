#pragma once
// Dialogs are carried as compact templates and expanded into the system's
// in-memory dialog template each time one is shown. The compact form has the
// layout of the system's header and item records with three differences: every
// string is zero-terminated UTF-8, a numeric name is the byte 0xFF and a 16-bit
// number, and nothing is padded. All numbers are little-endian.
//
//   header: style (32), extended style (32), item count (16), x, y, cx, cy (16,
//           signed, dialog units); menu (name); window class (name); title
//           (string); with kDsSetFont: point size (16) and face name (string)
//   item:   style (32), extended style (32), x, y, cx, cy (16), identifier (16);
//           window class (name); text (name); creation-data size (16): 0 for none,
//           otherwise the number of creation-data bytes that follow plus 2
//
// Expansion writes strings as UTF-16 and numbers as 0xFFFF and the number, and
// pads the header's end and every item's end to a multiple of 4 bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/status.h"

namespace vx {

// The window-system values the dialog tables use.
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kDsSetFont = 0x40;
inline constexpr std::uint32_t kBsPushButton = 0x0;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsAutoRadioButton = 0x9;
inline constexpr std::uint32_t kSsCenter = 0x1;
inline constexpr std::uint16_t kButtonClass = 0x80;
inline constexpr std::uint16_t kEditClass = 0x81;
inline constexpr std::uint16_t kStaticClass = 0x82;

// Every dialog of the program: visible, caption, system menu, centred, no idle
// messages, own font.
inline constexpr std::uint32_t kCommonDialogStyle = 0x10C80940;

// A menu, window class or control text: a string, or a number standing for one.
struct TemplateName {
  std::string_view text{};
  bool numeric = false;
  std::uint16_t number = 0;
};
constexpr TemplateName named(std::string_view text) { return {text, false, 0}; }
constexpr TemplateName numbered(std::uint16_t number) { return {{}, true, number}; }

struct DialogHeader {
  std::uint32_t style = kCommonDialogStyle;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  TemplateName menu{};       // empty: no menu
  TemplateName windowClass{};  // empty: the system's dialog class
  std::string_view title{};
  std::uint16_t pointSize = 0;  // with the face, only written under kDsSetFont
  std::string_view face{};
};

struct DialogItem {
  std::uint32_t style = kWsChild | kWsVisible;
  std::uint32_t exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint16_t id = 0;
  TemplateName windowClass{};
  TemplateName text{};
  std::string_view creationData{};  // at most 65,533 bytes
};

// The compact template of a dialog given as data. A string ends at its first
// zero character.
std::string buildCompactTemplate(const DialogHeader& header, std::span<const DialogItem> items);

// The size in bytes of the expanded form of `compact`. kBadTemplate when the
// template runs past its end, a string is unterminated, an item's creation-data
// size is 1, or bytes follow the last item.
Status expandedSize(std::string_view compact, std::size_t& size);

// Writes the expanded form of `compact` into `buffer` (for the system, aligned to
// 4 bytes). Nothing is written when the template is refused (kBadTemplate) or
// `size` is smaller than expandedSize's answer (kOutOfRange).
Status expandTemplate(std::string_view compact, void* buffer, std::size_t size);

}  // namespace vx
