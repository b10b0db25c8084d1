// Registry wrappers.
#include "win/sys_registry.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

Status answered(LONG code, Status own) {
  return code == ERROR_SUCCESS ? kOk : failure(own, static_cast<DWORD>(code));
}

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string fromRegistry(DWORD type, std::string bytes) {
  if (!isStringType(type)) return bytes;
  return narrow(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

}  // namespace

Status regOpenKeyEx(HKEY root, std::string_view subKey, REGSAM access, HKEY& key) {
  if (!validName(subKey)) return invalidName(kRegOpenKeyExFailed);
  HKEY result = nullptr;
  const Status status = answered(RegOpenKeyExW(root, w(wide(subKey)), 0, access, &result), kRegOpenKeyExFailed);
  if (!failed(status)) key = result;
  return status;
}

Status regCreateKeyEx(HKEY root, std::string_view subKey, REGSAM access, HKEY& key) {
  if (!validName(subKey)) return invalidName(kRegCreateKeyExFailed);
  HKEY result = nullptr;
  const Status status = answered(RegCreateKeyExW(root, w(wide(subKey)), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                                 nullptr, &result, nullptr),
                                 kRegCreateKeyExFailed);
  if (!failed(status)) key = result;
  return status;
}

Status regCloseKey(HKEY key) { return answered(RegCloseKey(key), kRegCloseKeyFailed); }

Status regQueryValueEx(HKEY key, std::string_view name, DWORD& type, std::string& data) {
  if (!validName(name)) return invalidName(kRegQueryValueExFailed);
  const std::u16string wideName = wide(name);
  std::string bytes(256, '\0');
  // A value that grows between asking its size and reading it is asked again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD kind = REG_NONE;
    DWORD size = static_cast<DWORD>(bytes.size());
    const LONG code = RegQueryValueExW(key, w(wideName), nullptr, &kind, reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (code == ERROR_MORE_DATA) {
      bytes.assign(size, '\0');
      continue;
    }
    if (code != ERROR_SUCCESS) return answered(code, kRegQueryValueExFailed);
    bytes.resize(size);
    type = kind;
    data = fromRegistry(kind, std::move(bytes));
    return kOk;
  }
  return failure(kRegQueryValueExFailed, ERROR_MORE_DATA);
}

Status regSetValueEx(HKEY key, std::string_view name, DWORD type, std::string_view data) {
  if (!validName(name)) return invalidName(kRegSetValueExFailed);
  const std::u16string wideName = wide(name);
  const std::u16string text = isStringType(type) ? wide(data) : std::u16string();
  const void* bytes = isStringType(type) ? static_cast<const void*>(text.data()) : data.data();
  const std::size_t size = isStringType(type) ? text.size() * sizeof(char16_t) : data.size();
  return answered(RegSetValueExW(key, w(wideName), 0, type, static_cast<const BYTE*>(bytes), static_cast<DWORD>(size)),
                  kRegSetValueExFailed);
}

Status regDeleteValue(HKEY key, std::string_view name) {
  if (!validName(name)) return invalidName(kRegDeleteValueFailed);
  return answered(RegDeleteValueW(key, w(wide(name))), kRegDeleteValueFailed);
}

Status regQueryInfoKey(HKEY key, DWORD& subKeys, DWORD& values) {
  DWORD keys = 0, count = 0;
  const Status status = answered(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &count,
                                                  nullptr, nullptr, nullptr, nullptr),
                                 kRegQueryInfoKeyFailed);
  if (failed(status)) return status;
  subKeys = keys;
  values = count;
  return kOk;
}

Status regDeleteKey(HKEY root, std::string_view subKey) {
  // An empty name would name the root itself.
  if (subKey.empty() || !validName(subKey)) return invalidName(kRegDeleteKeyFailed);
  return answered(RegDeleteKeyW(root, w(wide(subKey))), kRegDeleteKeyFailed);
}

}  // namespace vx::sys
