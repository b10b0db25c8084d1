#pragma once
// Texts at the boundary of the wrapper layer (the wrappers' own files only).
#include <string>
#include <string_view>

#include "base/utf.h"
#include "win/sys.h"

namespace vx::sys::detail {

// UTF-16 for a W entry point; mingw's wchar_t is the system's 16-bit unit.
inline std::u16string wide(std::string_view text) { return toUtf16(text); }
inline const wchar_t* w(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline wchar_t* w(std::u16string& text) { return reinterpret_cast<wchar_t*>(text.data()); }

inline std::string narrow(const wchar_t* text, std::size_t units) {
  return toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), units));
}

// A name with a zero character in it would reach the system cut short, naming
// another file or folder: such names are refused as invalid.
inline bool validName(std::string_view name) { return name.find('\0') == std::string_view::npos; }
inline Status invalidName(Status own) { return failure(own, ERROR_INVALID_NAME); }

// The failure rule of functions whose zero result can be valid: call with the
// last error cleared, and the call failed only when it is set afterwards.
template <typename Call>
auto withClearedError(Call call, bool& failedCall) {
  SetLastError(0);
  auto result = call();
  failedCall = result == decltype(result){} && GetLastError() != 0;
  return result;
}

}  // namespace vx::sys::detail
