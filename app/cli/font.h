#pragma once
// Letters for the box labels of the command-line tool, from a TrueType font
// through FreeType.
#include <string>

#include "render/box.h"

namespace vx::cli {

class FontPainter {
 public:
  FontPainter();
  ~FontPainter();
  FontPainter(const FontPainter&) = delete;
  FontPainter& operator=(const FontPainter&) = delete;

  // False (with the reason) when the font cannot be used.
  bool load(const char* path, std::string& reason);
  // The painter for the renderer; valid while this object lives and is loaded.
  const TextPainter* painter() const { return loaded_ ? &painter_ : nullptr; }

 private:
  static void measure(void* context, const char* text, int length, int pixelSize, int* width, int* height);
  static void draw(void* context, FrameBuffer& fb, int left, int top, const char* text, int length,
                   int pixelSize, PixelColor color);
  bool setSize(int pixelSize);

  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
  int size_ = 0;
  bool loaded_ = false;
  TextPainter painter_;
};

}  // namespace vx::cli
