#include "host/screen/canvas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>

#include "host/crt/utf.h"

namespace host::screen {
namespace {

SDL_Surface* NewSurface(int width, int height) {
  return SDL_CreateRGBSurfaceWithFormat(0, std::max(width, 1), std::max(height, 1), 32,
                                        SDL_PIXELFORMAT_XRGB8888);
}

SDL_Rect ToSdl(const RECT& r) { return {r.left, r.top, Width(r), Height(r)}; }

Uint32 Map(SDL_Surface* surface, Rgb c) { return SDL_MapRGB(surface->format, c.r, c.g, c.b); }

}  // namespace

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Contains(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

RECT Inset(const RECT& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

RECT Offset(const RECT& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

std::unique_ptr<Canvas> Canvas::Create(int width, int height, const std::string& fontPath,
                                       std::string& error) {
  // SDL_ttf counts its users: every canvas starts it once and stops it once.
  if (TTF_Init() != 0) {
    error = std::string("cannot start SDL_ttf: ") + TTF_GetError();
    return nullptr;
  }
  TTF_Font* probe = TTF_OpenFontIndex(fontPath.c_str(), 16, 0);
  if (probe == nullptr) {
    error = "cannot open the font " + fontPath + ": " + TTF_GetError();
    TTF_Quit();
    return nullptr;
  }
  TTF_CloseFont(probe);
  SDL_Surface* surface = NewSurface(width, height);
  if (surface == nullptr) {
    error = std::string("cannot make a surface: ") + SDL_GetError();
    TTF_Quit();
    return nullptr;
  }
  return std::unique_ptr<Canvas>(new Canvas(surface, fontPath));
}

Canvas::Canvas(SDL_Surface* surface, std::string fontPath)
    : m_surface(surface), m_fontPath(std::move(fontPath)), m_clip{0, 0, surface->w, surface->h} {}

Canvas::~Canvas() {
  for (auto& [key, font] : m_fonts) TTF_CloseFont(font);
  SDL_FreeSurface(m_surface);
  TTF_Quit();
}

int Canvas::width() const { return m_surface->w; }
int Canvas::height() const { return m_surface->h; }

void Canvas::Resize(int width, int height) {
  if (width == m_surface->w && height == m_surface->h) return;
  SDL_Surface* surface = NewSurface(width, height);
  if (surface == nullptr) return;  // keep drawing on the old size
  SDL_FreeSurface(m_surface);
  m_surface = surface;
  m_clip = {0, 0, surface->w, surface->h};
}

RECT Canvas::SetClip(const RECT& clip) {
  RECT before = m_clip;
  m_clip = Intersect(clip, {0, 0, m_surface->w, m_surface->h});
  SDL_Rect sdl = ToSdl(m_clip);
  SDL_SetClipRect(m_surface, &sdl);
  return before;
}

void Canvas::Fill(const RECT& rect, Rgb colour) {
  if (IsEmpty(rect)) return;
  SDL_Rect sdl = ToSdl(rect);
  SDL_FillRect(m_surface, &sdl, Map(m_surface, colour));
}

void Canvas::Shade(const RECT& rect, Rgb colour, int alpha) {
  RECT r = Intersect(rect, m_clip);
  if (IsEmpty(r)) return;
  alpha = std::clamp(alpha, 0, 255);
  SDL_LockSurface(m_surface);
  for (int y = r.top; y < r.bottom; ++y) {
    auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(m_surface->pixels) +
                                          y * m_surface->pitch);
    for (int x = r.left; x < r.right; ++x) {
      Uint8 pr, pg, pb;
      SDL_GetRGB(row[x], m_surface->format, &pr, &pg, &pb);
      auto mix = [alpha](int under, int over) {
        return static_cast<Uint8>((under * (255 - alpha) + over * alpha) / 255);
      };
      row[x] = SDL_MapRGB(m_surface->format, mix(pr, colour.r), mix(pg, colour.g),
                          mix(pb, colour.b));
    }
  }
  SDL_UnlockSurface(m_surface);
}

void Canvas::FillRounded(const RECT& rect, int radius, Rgb colour) {
  if (IsEmpty(rect)) return;
  radius = std::clamp(radius, 0, std::min(Width(rect), Height(rect)) / 2);
  // The straight middle, then one span per row of the rounded top and bottom.
  Fill({rect.left, rect.top + radius, rect.right, rect.bottom - radius}, colour);
  for (int i = 0; i < radius; ++i) {
    double dy = radius - i - 0.5;
    int inset = radius - static_cast<int>(std::lround(std::sqrt(radius * radius - dy * dy)));
    Fill({rect.left + inset, rect.top + i, rect.right - inset, rect.top + i + 1}, colour);
    Fill({rect.left + inset, rect.bottom - i - 1, rect.right - inset, rect.bottom - i}, colour);
  }
}

void Canvas::FillCircle(int cx, int cy, int radius, Rgb colour) {
  FillRounded({cx - radius, cy - radius, cx + radius, cy + radius}, radius, colour);
}

void Canvas::Frame(const RECT& rect, Rgb colour) {
  if (IsEmpty(rect)) return;
  Fill({rect.left, rect.top, rect.right, rect.top + 1}, colour);
  Fill({rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
  Fill({rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
  Fill({rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
}

TTF_Font* Canvas::Font(int size, Weight weight) {
  auto key = std::make_pair(size, weight);
  auto found = m_fonts.find(key);
  if (found != m_fonts.end()) return found->second;
  TTF_Font* font = TTF_OpenFontIndex(m_fontPath.c_str(), size, 0);
  if (font != nullptr && weight == Weight::kBold) TTF_SetFontStyle(font, TTF_STYLE_BOLD);
  m_fonts.emplace(key, font);  // a font that failed to open is not tried again
  return font;
}

std::pair<int, int> Canvas::Measure(std::u16string_view text, int size, Weight weight) {
  TTF_Font* font = Font(size, weight);
  if (font == nullptr || text.empty()) return {0, font == nullptr ? 0 : TTF_FontHeight(font)};
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, ToUtf8(text).c_str(), &w, &h) != 0) return {0, 0};
  return {w, h};
}

RECT Canvas::Text(std::u16string_view text, const RECT& box, const TextStyle& style) {
  if (text.empty()) return {box.left, box.top, box.left, box.top};
  TTF_Font* font = Font(style.size, style.weight);
  if (font == nullptr) return {box.left, box.top, box.left, box.top};
  SDL_Surface* line = TTF_RenderUTF8_Blended(
      font, ToUtf8(text).c_str(), SDL_Color{style.colour.r, style.colour.g, style.colour.b, 255});
  if (line == nullptr) return {box.left, box.top, box.left, box.top};
  int x = box.left;
  if (style.halign == HAlign::kCentre) x = box.left + (Width(box) - line->w) / 2;
  if (style.halign == HAlign::kRight) x = box.right - line->w;
  int y = box.top;
  if (style.valign == VAlign::kCentre) y = box.top + (Height(box) - line->h) / 2;
  if (style.valign == VAlign::kBottom) y = box.bottom - line->h;
  SDL_Rect to{x, y, line->w, line->h};
  SDL_SetSurfaceBlendMode(line, SDL_BLENDMODE_BLEND);
  SDL_BlitSurface(line, nullptr, m_surface, &to);
  RECT drawn{x, y, x + line->w, y + line->h};
  SDL_FreeSurface(line);
  m_texts.push_back({std::u16string(text), drawn, m_clip});
  return drawn;
}

Rgb Canvas::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_surface->w || y >= m_surface->h) return {};
  SDL_LockSurface(m_surface);
  Uint32 pixel = *reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(m_surface->pixels) +
                                                  y * m_surface->pitch + x * 4);
  SDL_UnlockSurface(m_surface);
  Rgb c;
  SDL_GetRGB(pixel, m_surface->format, &c.r, &c.g, &c.b);
  return c;
}

}  // namespace host::screen
