#pragma once
// What the engine's steps share beyond engine.h: the predefined keys the trees
// name, the browser's viewer list and configuration-file entry, and the viewer
// list step with its key as a parameter (the tests aim it at a scratch key).
#include <string_view>

#include "setup/engine/engine.h"

namespace vx::setup {

inline constexpr std::string_view kViewersKey = "Software\\Netscape\\Netscape Navigator\\Viewers";
// The MIME type with its terminator: 24 bytes, as the viewer list stores it.
inline constexpr std::string_view kMimeTypeValue{"application/vnd.veltrix", 24};

inline constexpr char kBrowserFile[] = "Opera.ini";
inline constexpr char kBrowserSection[] = "FILE TYPES";
inline constexpr char kBrowserKey[] = "application/vnd.veltrix";

// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
HKEY predefinedKey(RegistryRoot root);

Status addToViewerList(HKEY root, std::string_view keyPath);

}  // namespace vx::setup
