// A pixel surface to draw the handset's screen on: filled shapes and text in a CJK font, all in
// software (SDL surfaces and SDL_ttf), so it works without a display. Every text drawn is
// written down with the box it took, so tests can see the layout without reading pixels.
//
// The font file is read into memory once per process and path (SDL_ttf would otherwise read it
// again for every glyph it loads), and drawn lines of text are kept for the next paint.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/crt/result.h"
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

// The smallest size a text shrinks to when it does not fit its box; below that it is cut and
// ends with an ellipsis.
inline constexpr int kMinTextSize = 12;

// A text as drawn (cut with an ellipsis when it did not fit): the box its line took (before
// clipping) and the clip it was drawn under, both in the canvas's pixels.
struct TextBox {
  std::u16string text;
  RECT box{};
  RECT clip{};
};

class Canvas {
 public:
  // A canvas of width x height (both at least 1) that draws text with the font file at fontPath
  // (collections: the first face). An error when SDL_ttf cannot start or the font cannot be
  // opened.
  static Result<std::unique_ptr<Canvas>> Create(int width, int height,
                                                const std::string& fontPath);
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
  // Limits drawing to area as well, until ClearLimit or Resize. The limit shows neither in
  // clip() nor in the texts' clips: a paint of part of the canvas draws and records what a
  // whole paint would, and changes only the pixels in area.
  void SetLimit(const RECT& area);
  void ClearLimit();

  void Fill(const RECT& rect, Rgb colour);
  // Mixes colour into the rectangle, alpha 0 (nothing) to 255 (Fill).
  void Shade(const RECT& rect, Rgb colour, int alpha);
  // A rectangle with quarter-circle corners of radius (clamped to half the shorter side).
  void FillRounded(const RECT& rect, int radius, Rgb colour);
  void FillCircle(int cx, int cy, int radius, Rgb colour);
  // A one-pixel outline inside rect.
  void Frame(const RECT& rect, Rgb colour);

  // Draws one line of text aligned in box and records it; returns the line's box (empty for
  // an empty text, which draws nothing and is not recorded). A text wider than the box is
  // drawn smaller, down to kMinTextSize (or its own size when smaller), then cut to end with
  // "…".
  RECT Text(std::u16string_view text, const RECT& box, const TextStyle& style);
  // The size one line of text takes, in pixels.
  std::pair<int, int> Measure(std::u16string_view text, int size, Weight weight);

  // The texts drawn since the last ForgetTexts, in order.
  const std::vector<TextBox>& texts() const { return m_texts; }
  void ForgetTexts() { m_texts.clear(); }

  // The colour of a pixel; black outside the canvas.
  Rgb PixelAt(int x, int y) const;

  // How many lines of text were rendered (not taken from the cache) so far.
  int rendered() const { return m_rendered; }

 private:
  // A line of text as rendered for a style and a width it must fit.
  struct LineKey {
    std::u16string text;
    int size;
    Weight weight;
    std::uint32_t colour;
    int maxWidth;
    bool operator<(const LineKey& o) const;
  };
  struct Line {
    SDL_Surface* surface = nullptr;  // owned; null when nothing could be rendered
    std::u16string shown;            // the text drawn, cut when it did not fit
  };

  Canvas(SDL_Surface* surface, std::shared_ptr<const std::string> fontData);
  // Where drawing lands: the clip within the limit.
  RECT Drawable() const;
  TTF_Font* Font(int size, Weight weight);
  // The line for the key, rendered when it is not cached.
  const Line& LineFor(const LineKey& key);
  Line Render(const LineKey& key);
  // The text cut to fit width at the font, ending with an ellipsis.
  std::u16string CutToFit(std::u16string_view text, TTF_Font* font, int width);

  SDL_Surface* m_surface;
  std::shared_ptr<const std::string> m_fontData;  // the font file's bytes
  std::map<std::pair<int, Weight>, TTF_Font*> m_fonts;
  std::map<LineKey, Line> m_lines;
  std::list<LineKey> m_lineOrder;  // oldest first, to forget the oldest when full
  int m_rendered = 0;
  RECT m_clip{};
  std::optional<RECT> m_limit;
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
