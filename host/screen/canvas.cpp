#include "host/screen/canvas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <mutex>
#include <tuple>

#include "host/crt/utf.h"

namespace host::screen {
namespace {

SDL_Surface* NewSurface(int width, int height) {
  return SDL_CreateRGBSurfaceWithFormat(0, std::max(width, 1), std::max(height, 1), 32,
                                        SDL_PIXELFORMAT_XRGB8888);
}

SDL_Rect ToSdl(const RECT& r) { return {r.left, r.top, Width(r), Height(r)}; }

Uint32 Map(SDL_Surface* surface, Rgb c) { return SDL_MapRGB(surface->format, c.r, c.g, c.b); }

// Lines of text kept per canvas; the oldest go when there are more.
constexpr std::size_t kMaxCachedLines = 512;
constexpr char16_t kEllipsis[] = u"\u2026";

// The bytes of the font file at path, read once for all canvases that use it at the same time.
std::shared_ptr<const std::string> FontData(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, std::weak_ptr<const std::string>> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  if (std::shared_ptr<const std::string> data = loaded[path].lock()) return data;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  auto data = std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                                  std::istreambuf_iterator<char>());
  loaded[path] = data;
  return data;
}

TTF_Font* OpenFont(const std::string& data, int size) {
  SDL_RWops* bytes = SDL_RWFromConstMem(data.data(), static_cast<int>(data.size()));
  if (bytes == nullptr) return nullptr;
  return TTF_OpenFontIndexRW(bytes, 1, size, 0);  // closes bytes, also on failure
}

int LineWidth(TTF_Font* font, std::u16string_view text) {
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, ToUtf8(text).c_str(), &w, &h) != 0) return 0;
  return w;
}

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

Result<std::unique_ptr<Canvas>> Canvas::Create(int width, int height,
                                               const std::string& fontPath) {
  // SDL_ttf counts its users: every canvas starts it once and stops it once.
  if (TTF_Init() != 0) return Error(std::string("cannot start SDL_ttf: ") + TTF_GetError());
  std::shared_ptr<const std::string> data = FontData(fontPath);
  TTF_Font* probe = data != nullptr ? OpenFont(*data, 16) : nullptr;
  if (probe == nullptr) {
    Error error("cannot open the font " + fontPath + ": " +
                (data == nullptr ? std::string("cannot read it") : TTF_GetError()));
    TTF_Quit();
    return error;
  }
  TTF_CloseFont(probe);
  SDL_Surface* surface = NewSurface(width, height);
  if (surface == nullptr) {
    Error error(std::string("cannot make a surface: ") + SDL_GetError());
    TTF_Quit();
    return error;
  }
  return std::unique_ptr<Canvas>(new Canvas(surface, std::move(data)));
}

Canvas::Canvas(SDL_Surface* surface, std::shared_ptr<const std::string> fontData)
    : m_surface(surface), m_fontData(std::move(fontData)), m_clip{0, 0, surface->w, surface->h} {}

Canvas::~Canvas() {
  for (auto& [key, line] : m_lines) SDL_FreeSurface(line.surface);
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
  m_limit.reset();
}

RECT Canvas::SetClip(const RECT& clip) {
  RECT before = m_clip;
  m_clip = Intersect(clip, {0, 0, m_surface->w, m_surface->h});
  SDL_Rect sdl = ToSdl(Drawable());
  SDL_SetClipRect(m_surface, &sdl);
  return before;
}

void Canvas::SetLimit(const RECT& area) {
  m_limit = area;
  SetClip(m_clip);
}

void Canvas::ClearLimit() {
  m_limit.reset();
  SetClip(m_clip);
}

RECT Canvas::Drawable() const { return m_limit ? Intersect(m_clip, *m_limit) : m_clip; }

void Canvas::Fill(const RECT& rect, Rgb colour) {
  if (IsEmpty(rect)) return;
  SDL_Rect sdl = ToSdl(rect);
  SDL_FillRect(m_surface, &sdl, Map(m_surface, colour));
}

void Canvas::Shade(const RECT& rect, Rgb colour, int alpha) {
  RECT r = Intersect(rect, Drawable());
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
  TTF_Font* font = OpenFont(*m_fontData, size);
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

bool Canvas::LineKey::operator<(const LineKey& o) const {
  return std::tie(text, size, weight, colour, maxWidth) <
         std::tie(o.text, o.size, o.weight, o.colour, o.maxWidth);
}

const Canvas::Line& Canvas::LineFor(const LineKey& key) {
  auto found = m_lines.find(key);
  if (found != m_lines.end()) return found->second;
  if (m_lines.size() >= kMaxCachedLines) {
    auto oldest = m_lines.find(m_lineOrder.front());
    SDL_FreeSurface(oldest->second.surface);
    m_lines.erase(oldest);
    m_lineOrder.pop_front();
  }
  m_lineOrder.push_back(key);
  return m_lines.emplace(key, Render(key)).first->second;
}

Canvas::Line Canvas::Render(const LineKey& key) {
  TTF_Font* font = Font(key.size, key.weight);
  if (font == nullptr) return {};
  std::u16string shown = key.text;
  if (key.maxWidth > 0 && LineWidth(font, shown) > key.maxWidth) {
    int smallest = std::min(key.size, kMinTextSize);
    for (int size = key.size - 1; size >= smallest; --size) {
      TTF_Font* smaller = Font(size, key.weight);
      if (smaller == nullptr) continue;
      font = smaller;
      if (LineWidth(font, shown) <= key.maxWidth) break;
    }
    if (LineWidth(font, shown) > key.maxWidth) shown = CutToFit(key.text, font, key.maxWidth);
  }
  SDL_Color colour{static_cast<Uint8>(key.colour >> 16), static_cast<Uint8>(key.colour >> 8),
                   static_cast<Uint8>(key.colour), 255};
  SDL_Surface* surface = TTF_RenderUTF8_Blended(font, ToUtf8(shown).c_str(), colour);
  if (surface != nullptr) SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_BLEND);
  ++m_rendered;
  return {surface, std::move(shown)};
}

std::u16string Canvas::CutToFit(std::u16string_view text, TTF_Font* font, int width) {
  // The longest head that fits with the ellipsis; never half of a surrogate pair.
  std::size_t low = 0, high = text.size();
  while (low < high) {
    std::size_t mid = (low + high + 1) / 2;
    std::u16string head(text.substr(0, mid));
    if (LineWidth(font, head + kEllipsis) <= width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  if (low > 0 && low < text.size() && text[low] >= 0xDC00 && text[low] <= 0xDFFF) --low;
  return std::u16string(text.substr(0, low)) + kEllipsis;
}

RECT Canvas::Text(std::u16string_view text, const RECT& box, const TextStyle& style) {
  RECT nothing{box.left, box.top, box.left, box.top};
  if (text.empty()) return nothing;
  std::uint32_t colour = (std::uint32_t{style.colour.r} << 16) |
                         (std::uint32_t{style.colour.g} << 8) | style.colour.b;
  const Line& line =
      LineFor({std::u16string(text), style.size, style.weight, colour, Width(box)});
  if (line.surface == nullptr) return nothing;
  int w = line.surface->w, h = line.surface->h;
  int x = box.left;
  if (style.halign == HAlign::kCentre) x = box.left + (Width(box) - w) / 2;
  if (style.halign == HAlign::kRight) x = box.right - w;
  int y = box.top;
  if (style.valign == VAlign::kCentre) y = box.top + (Height(box) - h) / 2;
  if (style.valign == VAlign::kBottom) y = box.bottom - h;
  SDL_Rect to{x, y, w, h};
  SDL_BlitSurface(line.surface, nullptr, m_surface, &to);
  RECT drawn{x, y, x + w, y + h};
  m_texts.push_back({line.shown, drawn, m_clip});
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
