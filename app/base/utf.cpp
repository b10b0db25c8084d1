#include "base/utf.h"

#include <cstdint>

namespace vx {

namespace {

struct Decoded {
  char32_t codePoint;
  std::size_t length;  // bytes taken, at least 1
};

// The range the second byte of a sequence must lie in, given its lead byte: this
// is what refuses overlongs (E0, F0), encoded surrogates (ED) and values beyond
// U+10FFFF (F4) at the earliest byte.
struct LeadRule {
  int continuations;
  std::uint8_t secondLow, secondHigh;
  char32_t leadMask;
};

LeadRule leadRule(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {1, 0x80, 0xBF, 0x1F};
  if (lead == 0xE0) return {2, 0xA0, 0xBF, 0x0F};
  if (lead == 0xED) return {2, 0x80, 0x9F, 0x0F};
  if (lead >= 0xE1 && lead <= 0xEF) return {2, 0x80, 0xBF, 0x0F};
  if (lead == 0xF0) return {3, 0x90, 0xBF, 0x07};
  if (lead >= 0xF1 && lead <= 0xF3) return {3, 0x80, 0xBF, 0x07};
  if (lead == 0xF4) return {3, 0x80, 0x8F, 0x07};
  return {-1, 0, 0, 0};  // a continuation byte, C0, C1 or F5..FF: never a lead
}

// Decodes the sequence at `pos`. A broken one yields U+FFFD for its longest
// valid beginning, so the next byte that cannot belong to it starts afresh.
Decoded decodeAt(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  if (lead < 0x80) return {lead, 1};
  const LeadRule rule = leadRule(lead);
  if (rule.continuations < 0) return {kReplacementCharacter, 1};
  char32_t value = lead & rule.leadMask;
  std::size_t length = 1;
  for (int i = 0; i < rule.continuations; ++i, ++length) {
    if (pos + length >= text.size()) return {kReplacementCharacter, length};
    const auto byte = static_cast<std::uint8_t>(text[pos + length]);
    const std::uint8_t low = i == 0 ? rule.secondLow : 0x80;
    const std::uint8_t high = i == 0 ? rule.secondHigh : 0xBF;
    if (byte < low || byte > high) return {kReplacementCharacter, length};
    value = (value << 6) | (byte & 0x3F);
  }
  return {value, length};
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::size_t encodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    if (out) out[0] = static_cast<char>(c);
    return 1;
  }
  const std::size_t length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  if (out) {
    static constexpr std::uint8_t kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (std::size_t i = length - 1; i > 0; --i, c >>= 6) out[i] = static_cast<char>(0x80 | (c & 0x3F));
    out[0] = static_cast<char>(kLeadMarks[length] | c);
  }
  return length;
}

}  // namespace

std::size_t utf8ToUtf16(std::string_view utf8, char16_t* out) {
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Decoded d = decodeAt(utf8, pos);
    pos += d.length;
    if (d.codePoint < 0x10000) {
      if (out) out[units] = static_cast<char16_t>(d.codePoint);
      ++units;
    } else {
      const char32_t offset = d.codePoint - 0x10000;
      if (out) {
        out[units] = static_cast<char16_t>(0xD800 + (offset >> 10));
        out[units + 1] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
      }
      units += 2;
    }
  }
  return units;
}

std::size_t utf16ToUtf8(std::u16string_view utf16, char* out) {
  std::size_t bytes = 0;
  for (std::size_t pos = 0; pos < utf16.size(); ++pos) {
    char32_t c = utf16[pos];
    if (isHighSurrogate(utf16[pos]) && pos + 1 < utf16.size() && isLowSurrogate(utf16[pos + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[pos + 1] - 0xDC00);
      ++pos;
    } else if (isHighSurrogate(utf16[pos]) || isLowSurrogate(utf16[pos])) {
      c = kReplacementCharacter;
    }
    bytes += encodeUtf8(c, out ? out + bytes : nullptr);
  }
  return bytes;
}

std::u16string toUtf16(std::string_view utf8) {
  std::u16string result(utf8ToUtf16(utf8), u'\0');
  utf8ToUtf16(utf8, result.data());
  return result;
}

std::string toUtf8(std::u16string_view utf16) {
  std::string result(utf16ToUtf8(utf16), '\0');
  utf16ToUtf8(utf16, result.data());
  return result;
}

}  // namespace vx
