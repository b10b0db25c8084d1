#pragma once
// UTF-8 inside, UTF-16 at the system's boundary. Both directions count first
// (pass no output) so that callers can size a buffer, then write. Malformed input
// never stops a conversion: each broken piece becomes U+FFFD, and nothing is read
// beyond the input's end.
#include <cstddef>
#include <string>
#include <string_view>

namespace vx {

inline constexpr char16_t kReplacementCharacter = 0xFFFD;

// Converts `utf8` and returns the number of UTF-16 units it makes. With `out`,
// writes them there (the caller made room for the count); no terminator.
// Stray continuation bytes, truncated and overlong sequences, encoded surrogates
// and values beyond U+10FFFF become U+FFFD, one per maximal broken piece; a
// four-byte sequence becomes a surrogate pair.
std::size_t utf8ToUtf16(std::string_view utf8, char16_t* out = nullptr);

// Converts `utf16` and returns the number of UTF-8 bytes it makes; with `out`,
// writes them there. A surrogate without its partner becomes U+FFFD.
std::size_t utf16ToUtf8(std::u16string_view utf16, char* out = nullptr);

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

}  // namespace vx
