#include "host/desktop/desktop_window.h"

#include "host/screen/font_lookup.h"
#include "host/screen/theme.h"

namespace host::desktop {
namespace {

using screen::HAlign;
using screen::Rgb;
using screen::TextStyle;
using screen::VAlign;
namespace theme = screen::theme;

constexpr Rgb kPad{55, 71, 79};
constexpr Rgb kPadCross{84, 110, 122};
constexpr Rgb kHint{176, 190, 197};
constexpr int kKnobRadius = 9;

std::u16string Number(int value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string Values(const AccSample& s) {
  return u"x " + Number(s.x) + u"    y " + Number(s.y) + u"    z " + Number(s.z);
}

TextStyle Style(int size, Rgb colour, HAlign halign = HAlign::kLeft,
                VAlign valign = VAlign::kCentre) {
  TextStyle style;
  style.size = size;
  style.colour = colour;
  style.halign = halign;
  style.valign = valign;
  return style;
}

SDL_Rect ToSdl(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

}  // namespace

std::unique_ptr<DesktopWindow> DesktopWindow::Create(const std::string& title, int workWidth,
                                                     int workHeight,
                                                     const screen::ScreenRendererOptions& options,
                                                     std::string& error) {
  std::unique_ptr<screen::ScreenRenderer> renderer =
      screen::ScreenRenderer::Create(options, error);
  if (renderer == nullptr) return nullptr;
  DesktopLayout layout = LayoutFor(workWidth, workHeight);
  std::optional<std::string> font = screen::FindCjkFont(options.fontPath);
  std::unique_ptr<screen::Canvas> footer =
      screen::Canvas::Create(layout.width, screen::Height(layout.footer), font.value_or(""), error);
  if (footer == nullptr) return nullptr;
  // The screen is drawn in software: the window shows the pixels as they are, without a GPU
  // renderer (which would also make SDL recreate the window behind our back).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, layout.width, layout.height,
                                        SDL_WINDOW_SHOWN);
  if (window == nullptr) {
    error = std::string("cannot open a window: ") + SDL_GetError();
    return nullptr;
  }
  return std::unique_ptr<DesktopWindow>(
      new DesktopWindow(window, layout, std::move(renderer), std::move(footer)));
}

DesktopWindow::DesktopWindow(SDL_Window* window, DesktopLayout layout,
                             std::unique_ptr<screen::ScreenRenderer> renderer,
                             std::unique_ptr<screen::Canvas> footer)
    : m_window(window),
      m_layout(layout),
      m_renderer(std::move(renderer)),
      m_painter(*m_renderer),
      m_footer(std::move(footer)) {}

DesktopWindow::~DesktopWindow() { SDL_DestroyWindow(m_window); }

void DesktopWindow::Refresh() {
  bool changed = m_painter.Update();
  if (m_stamp) {
    std::u16string stamp = m_stamp();
    if (stamp != m_shownStamp) {
      m_shownStamp = std::move(stamp);
      if (!changed) m_painter.PaintNow();
      changed = true;
    }
  }
  FooterInfo info = m_footerSource ? m_footerSource() : FooterInfo{};
  if (!m_shownFooter || !(*m_shownFooter == info)) {
    DrawFooter(info);
    m_shownFooter = info;
    changed = true;
  }
  if (changed || m_exposed) Present();
}

void DesktopWindow::DrawFooter(const FooterInfo& info) {
  screen::Canvas& c = *m_footer;
  int top = m_layout.footer.top;
  auto local = [top](const RECT& r) { return screen::Offset(r, 0, -top); };
  c.ForgetTexts();
  c.Fill({0, 0, c.width(), c.height()}, theme::kHome);

  RECT playing = screen::Inset(local(m_layout.nowPlaying), 10, 0);
  c.Fill({0, playing.bottom - 1, c.width(), playing.bottom}, kPadCross);
  c.Text(info.nowPlaying.empty() ? u"Music player: not running" : u"Player: " + info.nowPlaying,
         playing, Style(theme::kSmallSize + 1, theme::kTextOnDark));

  RECT readout = local(m_layout.readout);
  int row = screen::Height(readout) / 3;
  RECT line{readout.left, readout.top, readout.right, readout.top + row};
  std::u16string state = !info.accelerometerOpen ? u""
                         : *info.accelerometerOpen ? u" open"
                                                   : u" closed";
  c.Text(u"Accelerometer ACC0:" + state, line, Style(theme::kSmallSize, kHint));
  line = screen::Offset(line, 0, row);
  c.Text(info.lastRead ? Values(*info.lastRead) : u"not read yet", line,
         Style(theme::kTextSize, theme::kTextOnDark));
  line = screen::Offset(line, 0, row);
  std::u16string hint = info.watching ? u"Demo: a script plays the user's part"
                       : info.tilt   ? u"Tilt: arrow keys or the pad  ·  Esc: back  ·  Home"
                                     : u"Esc: back  ·  Home";
  if (info.recording) hint = u"Recording: N / P label next / previous  ·  " + hint;
  c.Text(hint, line, Style(theme::kSmallSize - 3, kHint));

  if (!info.tilt) return;
  RECT pad = local(m_layout.tiltPad);
  c.FillRounded(pad, 8, kPad);
  POINT centre = PadPoint(pad, 0, 0);
  c.Fill({pad.left + 6, centre.y, pad.right - 6, centre.y + 1}, kPadCross);
  c.Fill({centre.x, pad.top + 6, centre.x + 1, pad.bottom - 6}, kPadCross);
  c.Text(u"x", {pad.right - 18, centre.y - 20, pad.right - 4, centre.y}, Style(13, kHint));
  c.Text(u"z", {centre.x + 4, pad.bottom - 20, centre.x + 18, pad.bottom - 2}, Style(13, kHint));
  bool tilted = info.tilt->x != 0 || info.tilt->z != 0;
  // The knob stays on the pad at full tilt.
  POINT knob = PadPoint(screen::Inset(pad, kKnobRadius, kKnobRadius), info.tilt->x, info.tilt->z);
  c.FillCircle(knob.x, knob.y, kKnobRadius, tilted ? theme::kHomeIcon : kHint);
}

void DesktopWindow::Present() {
  SDL_Surface* target = SDL_GetWindowSurface(m_window);
  if (target == nullptr) return;
  SDL_Rect screen = ToSdl(m_layout.screen);
  SDL_BlitSurface(m_renderer->canvas().surface(), nullptr, target, &screen);
  SDL_Rect footer = ToSdl(m_layout.footer);
  SDL_BlitSurface(m_footer->surface(), nullptr, target, &footer);
  SDL_UpdateWindowSurface(m_window);
  m_exposed = false;
}

}  // namespace host::desktop
