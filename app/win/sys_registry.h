#pragma once
// Registry keys and values. The registry functions answer an error code instead
// of setting the last error; the wrappers keep that code for lastError(), so that
// ERROR_FILE_NOT_FOUND (no such key or value) can be told from other failures.
//
// Value data is bytes as the registry holds them, except for the string types
// (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ), which are UTF-8 here and UTF-16 in the
// registry; their terminators travel with the data and are counted in its size.
#include "win/sys.h"

namespace vx::sys {

Status regOpenKeyEx(HKEY root, std::string_view subKey, REGSAM access, HKEY& key);
// Opens the key or creates it with every missing key on the way: non-volatile,
// default security.
Status regCreateKeyEx(HKEY root, std::string_view subKey, REGSAM access, HKEY& key);
Status regCloseKey(HKEY key);

// The whole value `name` ("" is the key's default value) with its type.
Status regQueryValueEx(HKEY key, std::string_view name, DWORD& type, std::string& data);
Status regSetValueEx(HKEY key, std::string_view name, DWORD type, std::string_view data);
Status regDeleteValue(HKEY key, std::string_view name);

// How many subkeys and values the key holds.
Status regQueryInfoKey(HKEY key, DWORD& subKeys, DWORD& values);
// Deletes the key `subKey` of `root`; a key with subkeys is refused by some
// systems and taken whole by others, so callers check that it is empty first.
Status regDeleteKey(HKEY root, std::string_view subKey);

}  // namespace vx::sys
