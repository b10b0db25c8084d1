#pragma once
// The release this program is: the current one, or "Veltrix 2000" when built
// with VELTRIX_RELEASE_2000. The two programs differ only through this choice:
// the language and line rules of the document, the titles and captions, the
// folder of the sample library and the forms a graph can be saved in.
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "base/release.h"

namespace vx {

#ifdef VELTRIX_RELEASE_2000
inline constexpr const ReleaseProfile& kProgramRelease = kRelease2000;
#else
inline constexpr const ReleaseProfile& kProgramRelease = kCurrentRelease;
#endif

// Texts made at compile time from parts, zero-terminated: constant data, as a
// literal would be.
template <std::size_t N>
struct JoinedText {
  std::array<char, N + 1> text{};
  constexpr std::string_view view() const { return {text.data(), N}; }
};

constexpr std::size_t joinedLength(std::span<const std::string_view> parts) {
  std::size_t length = 0;
  for (std::string_view part : parts) length += part.size();
  return length;
}

template <std::size_t N>
constexpr JoinedText<N> joinText(std::span<const std::string_view> parts) {
  JoinedText<N> joined;
  std::size_t at = 0;
  for (std::string_view part : parts) {
    for (char c : part) joined.text[at++] = c;
  }
  return joined;
}

// What a caption names after the program's title, as a template argument.
template <std::size_t N>
struct CaptionSubject {
  constexpr CaptionSubject(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) subject[i] = text[i];
  }
  char subject[N];
};

template <CaptionSubject what>
inline constexpr std::string_view kCaptionParts[] = {kProgramRelease.title, " ",
                                                     {what.subject, sizeof what.subject - 1}};
template <CaptionSubject what>
inline constexpr auto kCaption = joinText<joinedLength(kCaptionParts<what>)>(kCaptionParts<what>);

// A window's caption: "Veltrix Color".
template <CaptionSubject what>
constexpr std::string_view caption() {
  return kCaption<what>.view();
}

}  // namespace vx
