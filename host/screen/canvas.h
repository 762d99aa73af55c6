// A pixel surface to draw the handset's screen on: filled shapes and text in a CJK font, all in
// software (SDL surfaces and SDL_ttf), so it works without a display. Every text drawn is
// written down with the box it took, so tests can see the layout without reading pixels.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/windows.h"

struct SDL_Surface;
typedef struct _TTF_Font TTF_Font;

namespace host::screen {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

enum class Weight { kRegular, kBold };
enum class HAlign { kLeft, kCentre, kRight };
enum class VAlign { kTop, kCentre, kBottom };

struct TextStyle {
  int size = 22;  // pixels
  Weight weight = Weight::kRegular;
  Rgb colour;
  HAlign halign = HAlign::kLeft;
  VAlign valign = VAlign::kCentre;
};

// A text as drawn: the box its line took (before clipping) and the clip it was drawn under, both
// in the canvas's pixels.
struct TextBox {
  std::u16string text;
  RECT box{};
  RECT clip{};
};

class Canvas {
 public:
  // A canvas of width x height (both at least 1) that draws text with the font file at fontPath
  // (collections: the first face). Null with a message in error when SDL_ttf cannot start or
  // the font cannot be opened.
  static std::unique_ptr<Canvas> Create(int width, int height, const std::string& fontPath,
                                        std::string& error);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int width() const;
  int height() const;
  // The pixels (32-bit XRGB); owned by the canvas.
  SDL_Surface* surface() { return m_surface; }
  // Makes the canvas width x height (contents undefined until drawn).
  void Resize(int width, int height);

  // Drawing is limited to the clip, which starts as the whole canvas. Returns the clip before.
  RECT SetClip(const RECT& clip);
  RECT clip() const { return m_clip; }

  void Fill(const RECT& rect, Rgb colour);
  // Mixes colour into the rectangle, alpha 0 (nothing) to 255 (Fill).
  void Shade(const RECT& rect, Rgb colour, int alpha);
  // A rectangle with quarter-circle corners of radius (clamped to half the shorter side).
  void FillRounded(const RECT& rect, int radius, Rgb colour);
  void FillCircle(int cx, int cy, int radius, Rgb colour);
  // A one-pixel outline inside rect.
  void Frame(const RECT& rect, Rgb colour);

  // Draws one line of text aligned in box and records it; returns the line's box (empty for
  // an empty text, which draws nothing and is not recorded).
  RECT Text(std::u16string_view text, const RECT& box, const TextStyle& style);
  // The size one line of text takes, in pixels.
  std::pair<int, int> Measure(std::u16string_view text, int size, Weight weight);

  // The texts drawn since the last ForgetTexts, in order.
  const std::vector<TextBox>& texts() const { return m_texts; }
  void ForgetTexts() { m_texts.clear(); }

  // The colour of a pixel; black outside the canvas.
  Rgb PixelAt(int x, int y) const;

 private:
  Canvas(SDL_Surface* surface, std::string fontPath);
  TTF_Font* Font(int size, Weight weight);

  SDL_Surface* m_surface;
  std::string m_fontPath;
  std::map<std::pair<int, Weight>, TTF_Font*> m_fonts;
  RECT m_clip{};
  std::vector<TextBox> m_texts;
};

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }
// The overlap of two rectangles (empty: right <= left or bottom <= top).
RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);
bool Contains(const RECT& r, int x, int y);
// r made smaller by dx on the left and right and by dy at the top and bottom.
RECT Inset(const RECT& r, int dx, int dy);
RECT Offset(const RECT& r, int dx, int dy);

}  // namespace host::screen
