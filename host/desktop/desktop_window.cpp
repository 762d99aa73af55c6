#include "host/desktop/desktop_window.h"

#include "host/drivers/motion_stage.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/desktop/display_connection.h"
#include "host/screen/font_lookup.h"
#include "host/screen/theme.h"

namespace host::desktop {
namespace {

using screen::HAlign;
using screen::Language;
using screen::Pick;
using screen::Rgb;
using screen::TextStyle;
using screen::VAlign;
namespace theme = screen::theme;

constexpr Rgb kPad{55, 71, 79};
constexpr Rgb kPadCross{84, 110, 122};
constexpr Rgb kHint{176, 190, 197};
constexpr Rgb kThreshold{255, 112, 67};
constexpr int kKnobRadius = 9;
// Room the window manager's title bar and borders take from the usable area.
constexpr int kDecoration = 48;
// A display this dense (dots per inch) or denser draws the screen larger, by its density over
// the usual 96 dpi.
constexpr float kHiDpi = 144.0f;

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

// Fills line (one pixel thick, across or down), leaving a gap around each of the boxes it
// would cross.
void FillAround(screen::Canvas& c, const RECT& line, std::initializer_list<RECT> boxes,
                Rgb colour) {
  constexpr int kGap = 2;
  bool down = screen::Height(line) > screen::Width(line);
  std::vector<std::pair<int, int>> gaps;  // along the line
  for (const RECT& box : boxes) {
    RECT around = screen::Inset(box, -kGap, -kGap);
    if (screen::IsEmpty(box) || screen::IsEmpty(screen::Intersect(around, line))) continue;
    gaps.push_back(down ? std::pair{around.top, around.bottom}
                        : std::pair{around.left, around.right});
  }
  std::sort(gaps.begin(), gaps.end());
  int from = down ? line.top : line.left;
  int end = down ? line.bottom : line.right;
  auto fill = [&](int a, int b) {
    if (a >= b) return;
    c.Fill(down ? RECT{line.left, a, line.right, b} : RECT{a, line.top, b, line.bottom}, colour);
  };
  for (auto [gapFrom, gapTo] : gaps) {
    fill(from, std::min(gapFrom, end));
    from = std::max(from, gapTo);
  }
  fill(from, end);
}

SDL_Rect ToSdl(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// How much larger than its pixels the screen is drawn on this display.
double PreferredScale(int display) {
  float dpi = 0;
  if (SDL_GetDisplayDPI(display, &dpi, nullptr, nullptr) != 0 || dpi < kHiDpi) return 1.0;
  return dpi / 96.0f;
}

std::pair<int, int> InitialSize(int workWidth, int workHeight) {
  SDL_Rect usable{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) {
    DesktopLayout natural = LayoutFor(workWidth, workHeight);
    return {natural.width, natural.height};
  }
  return WindowSizeFor(workWidth, workHeight, usable.w, usable.h - kDecoration,
                       PreferredScale(0));
}

std::u16string NowPlayingLine(const FooterInfo& info, Language language) {
  if (info.nowPlaying.empty()) {
    return std::u16string(Pick(language, u"音乐播放器：未运行", u"Music player: not running"));
  }
  std::u16string line = std::u16string(Pick(language, u"播放器：", u"Player: ")) + info.nowPlaying;
  if (info.playing) {
    line += *info.playing ? Pick(language, u"（播放中）", u" (playing)")
                          : Pick(language, u"（已暂停）", u" (paused)");
  }
  return line;
}

std::u16string AccelerometerLine(const FooterInfo& info, Language language) {
  std::u16string line(Pick(language, u"加速度计", u"Accelerometer"));
  if (info.accelerometerOpen) {
    line += *info.accelerometerOpen ? Pick(language, u"：已打开", u": on")
                                    : Pick(language, u"：已关闭", u": off");
  }
  // Paused: the application reads, but gets only the handset at rest.
  if (info.gesturesPaused.value_or(false)) {
    line += Pick(language, u"，手势已暂停：未在播放", u", gestures paused: not playing");
  } else if (info.accelerometerOpen.value_or(false) && info.listening) {
    // Deaf: the two seconds after a command, in which the application reads nothing.
    line += *info.listening ? Pick(language, u"，监听中", u", listening")
                            : Pick(language, u"，暂停监听 2 秒", u", resting 2 s");
  }
  // The values below are after the driver's motion stage (docs/motion.md): say which.
  if (info.motion) {
    line += Pick(language, u" · 运动处理 ", u" · motion ");
    for (const char* c = MotionModeName(*info.motion); *c != '\0'; ++c) line += char16_t(*c);
  }
  return line;
}

std::u16string HintLine(const FooterInfo& info, Language language) {
  if (info.watching) return std::u16string(Pick(language, u"演示：脚本代替用户操作",
                                                u"Demo: a script plays the user's part"));
  std::u16string hint(info.panelHidden
                          ? Pick(language, u"已隐藏：在主屏幕上点按 Quorvane",
                                 u"hidden: tap Quorvane on the home screen")
                      : info.tilt ? Pick(language, u"倾斜：方向键或面板 · Esc：返回 · F1：帮助",
                                         u"Tilt: arrow keys or the pad · Esc: back · F1: help")
                                  : Pick(language, u"Esc：返回 · Home：主屏幕 · F1：帮助",
                                         u"Esc: back · Home: home screen · F1: help"));
  if (info.recordingStopped) {
    return std::u16string(Pick(language, u"录制已停止：写入失败（见终端） · ",
                               u"Recording stopped: a write failed (see the terminal) · ")) +
           hint;
  }
  if (!info.recording) return hint;
  return std::u16string(Pick(language, u"录制中：N / P 标记下一首 / 上一首 · ",
                             u"Recording: N / P label next / previous · ")) +
         hint;
}

}  // namespace

std::vector<HelpRow> HelpRows(Language l) {
  return {
      {Pick(l, u"单击", u"Click"), Pick(l, u"点按（手指）", u"Tap (the finger)")},
      {Pick(l, u"拖动", u"Drag"), Pick(l, u"拖动滑块，滚动内容", u"Drag the slider, scroll")},
      {Pick(l, u"滚轮", u"Wheel"), Pick(l, u"滚动内容", u"Scroll")},
      {u"→", Pick(l, u"向右倾斜 (x +127)：下一首", u"Tilt right (x +127): next song")},
      {u"↓", Pick(l, u"顶部朝向自己 (z +127)：上一首", u"Top towards you (z +127): previous song")},
      {u"← ↑", Pick(l, u"反向倾斜 (x / z -127)：无", u"Tilt the other way (x / z -127): nothing")},
      {Pick(l, u"倾斜面板", u"Tilt pad"), Pick(l, u"按住并拖动：倾斜", u"Hold and drag: tilt")},
      {u"Esc", Pick(l, u"返回：关闭菜单或播放器窗口", u"Back: close the menu or the player's window")},
      {u"Home", Pick(l, u"主屏幕", u"Home screen")},
      {u"F1 / ?", Pick(l, u"本帮助（单击或按键关闭）", u"This help (a click or a key closes it)")},
      {u"N / P", Pick(l, u"录制时 (--record)：将当前行标记为下一首 / 上一首",
                      u"While recording (--record): label the row next / previous")},
      {Pick(l, u"关闭窗口", u"Close the window"),
       Pick(l, u"关机：保存设置后退出", u"Shutdown: the settings are saved")},
  };
}

Result<std::unique_ptr<DesktopWindow>> DesktopWindow::Create(
    const std::string& title, int workWidth, int workHeight,
    const screen::ScreenRendererOptions& options) {
  Result<std::unique_ptr<screen::ScreenRenderer>> renderer =
      screen::ScreenRenderer::Create(options);
  if (!renderer) return renderer.error();
  auto [width, height] = InitialSize(workWidth, workHeight);
  std::optional<std::string> font = screen::FindCjkFont(options.fontPath);
  Result<std::unique_ptr<screen::Canvas>> footer =
      screen::Canvas::Create(width, FooterHeight(width), font.value_or(""));
  if (!footer) return footer.error();
  // The screen is drawn in software: the window shows the pixels as they are, without a GPU
  // renderer (which would also make SDL recreate the window behind our back).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Window* window =
      SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                       height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
  if (window == nullptr) return Error(std::string("cannot open a window: ") + SDL_GetError());
  // The smallest window that still shows the footer and a usable screen.
  SDL_SetWindowMinimumSize(window, 200, FooterHeight(200) + 120);
  std::unique_ptr<DesktopWindow> desktop(new DesktopWindow(
      window, {workWidth, workHeight}, *std::move(renderer), *std::move(footer)));
  desktop->m_language = options.language;
  desktop->m_fontPath = font.value_or("");
  desktop->m_displayFd = DisplayConnection(window);
  SDL_GetWindowSize(window, &width, &height);
  desktop->Resized(width, height);
  return desktop;
}

DesktopWindow::DesktopWindow(SDL_Window* window, POINT work,
                             std::unique_ptr<screen::ScreenRenderer> renderer,
                             std::unique_ptr<screen::Canvas> footer)
    : m_window(window),
      m_work(work),
      m_renderer(std::move(renderer)),
      m_painter(*m_renderer),
      m_footer(std::move(footer)) {}

DesktopWindow::~DesktopWindow() {
  if (m_scaled != nullptr) SDL_FreeSurface(m_scaled);
  SDL_DestroyWindow(m_window);
}

void DesktopWindow::Resized(int width, int height) {
  m_layout = LayoutIn(m_work.x, m_work.y, width, height);
  m_footer->Resize(width, screen::Height(m_layout.footer));
  m_shownFooter.reset();
  if (m_scaled != nullptr) SDL_FreeSurface(m_scaled);
  m_scaled = nullptr;
  m_exposed = true;
}

void DesktopWindow::ShowHelp(bool shown) {
  if (m_help == shown) return;
  m_help = shown;
  m_exposed = true;
}

void DesktopWindow::DrawHelp() {
  if (m_helpCanvas == nullptr) {
    Result<std::unique_ptr<screen::Canvas>> canvas =
        screen::Canvas::Create(m_layout.width, m_layout.height, m_fontPath);
    if (!canvas) return;
    m_helpCanvas = *std::move(canvas);
  }
  screen::Canvas& c = *m_helpCanvas;
  c.Resize(m_layout.width, m_layout.height);
  c.ForgetTexts();
  c.Fill({0, 0, c.width(), c.height()}, theme::kHome);
  constexpr int kRow = 30, kMargin = 12;
  TextStyle heading = Style(theme::kTitleSize, theme::kTextOnDark, HAlign::kCentre);
  heading.weight = screen::Weight::kBold;
  c.Text(Pick(m_language, u"键盘与鼠标", u"Keys and mouse"), {0, 0, c.width(), 56}, heading);
  int split = c.width() * 3 / 10;
  int top = 60;
  for (const HelpRow& row : HelpRows(m_language)) {
    c.Text(row.input, {kMargin, top, split - 4, top + kRow}, Style(theme::kSmallSize, kHint));
    c.Text(row.action, {split, top, c.width() - kMargin, top + kRow},
           Style(theme::kSmallSize, theme::kTextOnDark));
    top += kRow;
  }
}

bool DesktopWindow::Refresh(const Handset& handset) {
  bool changed = m_painter.Update(handset);
  if (m_stamp) {
    std::u16string stamp = m_stamp();
    if (stamp != m_shownStamp) {
      m_shownStamp = std::move(stamp);
      if (!changed) m_painter.PaintNow(handset);
      changed = true;
    }
  }
  bool footerChanged = false;
  FooterInfo info = m_footerSource ? m_footerSource() : FooterInfo{};
  if (!m_shownFooter || !(*m_shownFooter == info)) {
    DrawFooter(info);
    m_shownFooter = info;
    footerChanged = true;
  }
  if (!changed && !footerChanged && !m_exposed) return false;
  Present(changed, footerChanged);
  return true;
}

void DesktopWindow::DrawFooter(const FooterInfo& info) {
  screen::Canvas& c = *m_footer;
  int top = m_layout.footer.top;
  auto local = [top](const RECT& r) { return screen::Offset(r, 0, -top); };
  c.ForgetTexts();
  c.Fill({0, 0, c.width(), c.height()}, theme::kHome);

  RECT playing = screen::Inset(local(m_layout.nowPlaying), 10, 0);
  c.Fill({0, playing.bottom - 1, c.width(), playing.bottom}, kPadCross);
  c.Text(NowPlayingLine(info, m_language), playing,
         Style(theme::kSmallSize + 1, theme::kTextOnDark));
  DrawReadout(info, local(m_layout.readout));
  DrawPad(info, local(m_layout.tiltPad));
}

void DesktopWindow::DrawReadout(const FooterInfo& info, const RECT& readout) {
  screen::Canvas& c = *m_footer;
  int row = screen::Height(readout) / 3;
  RECT line{readout.left, readout.top, readout.right, readout.top + row};
  c.Text(AccelerometerLine(info, m_language), line, Style(theme::kSmallSize, kHint));
  line = screen::Offset(line, 0, row);
  c.Text(info.live ? Values(*info.live) : std::u16string(Pick(m_language, u"尚未读取",
                                                              u"not read yet")),
         line, Style(theme::kTextSize, theme::kTextOnDark));
  line = screen::Offset(line, 0, row);
  // How to get the hidden panel back stands out from the key hints.
  c.Text(HintLine(info, m_language), line,
         Style(theme::kSmallSize - 3, info.panelHidden ? theme::kTextOnDark : kHint));
}

void DesktopWindow::DrawPad(const FooterInfo& info, const RECT& pad) {
  screen::Canvas& c = *m_footer;
  c.FillRounded(pad, 8, kPad);
  POINT centre = PadPoint(pad, 0, 0);
  c.Fill({pad.left + 6, centre.y, pad.right - 6, centre.y + 1}, kPadCross);
  c.Fill({centre.x, pad.top + 6, centre.x + 1, pad.bottom - 6}, kPadCross);
  TextStyle mark = Style(12, kHint, HAlign::kRight, VAlign::kTop);
  RECT next = c.Text(Pick(m_language, u"下一首", u"next"),
                     {centre.x + 2, pad.top + 2, pad.right - 3, centre.y}, mark);
  mark.valign = VAlign::kBottom;
  RECT previous = c.Text(Pick(m_language, u"上一首", u"previous"),
                         {pad.left + 3, centre.y + 2, pad.right - 3, pad.bottom - 2}, mark);
  // Where a tilt gives a command: x at the threshold or beyond is "next" (the right edge), z
  // there is "previous" (the bottom edge). The lines break around the labels.
  RECT inner = screen::Inset(pad, kKnobRadius, kKnobRadius);
  if (info.threshold) {
    POINT at = PadPoint(inner, *info.threshold, *info.threshold);
    FillAround(c, {at.x, pad.top + 4, at.x + 1, pad.bottom - 4}, {next, previous}, kThreshold);
    FillAround(c, {pad.left + 4, at.y, pad.right - 4, at.y + 1}, {next, previous}, kThreshold);
  }
  AccSample at = info.live.value_or(AccSample{0, 0, 0});
  bool tilted = at.x != 0 || at.z != 0;
  // The knob takes the lines' colour once the tilt gives a command, as the application reads
  // it: x or z at the threshold or beyond.
  bool command = info.threshold && (at.x >= *info.threshold || at.z >= *info.threshold);
  // The knob stays on the pad at full tilt.
  POINT knob = PadPoint(inner, at.x, at.z);
  c.FillCircle(knob.x, knob.y, kKnobRadius,
               command ? kThreshold : tilted ? theme::kTextOnDark : kHint);
}

SDL_Surface* DesktopWindow::ScaledScreen(bool screenChanged) {
  SDL_Surface* canvas = m_renderer->canvas().surface();
  int width = screen::Width(m_layout.screen);
  int height = screen::Height(m_layout.screen);
  if (canvas->w == width && canvas->h == height) return canvas;
  if (m_scaled == nullptr || m_scaled->w != width || m_scaled->h != height) {
    if (m_scaled != nullptr) SDL_FreeSurface(m_scaled);
    m_scaled = SDL_CreateRGBSurfaceWithFormat(0, std::max(width, 1), std::max(height, 1), 32,
                                              canvas->format->format);
    screenChanged = true;
  }
  if (m_scaled == nullptr) return canvas;
  if (screenChanged) SDL_SoftStretchLinear(canvas, nullptr, m_scaled, nullptr);
  return m_scaled;
}

void DesktopWindow::Present(bool screenChanged, bool footerChanged) {
  SDL_Surface* target = SDL_GetWindowSurface(m_window);
  if (target == nullptr) return;
  // The whole window after an expose, a resize or with the help; else only the parts changed.
  bool whole = m_exposed || m_help;
  if (whole) {
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, theme::kHome.r, theme::kHome.g,
                                             theme::kHome.b));
  }
  std::vector<SDL_Rect> shown;
  if (whole || screenChanged) {
    SDL_Rect screen = ToSdl(m_layout.screen);
    SDL_BlitSurface(ScaledScreen(screenChanged || m_exposed), nullptr, target, &screen);
    shown.push_back(ToSdl(m_layout.screen));
  }
  if (whole || footerChanged) {
    SDL_Rect footer = ToSdl(m_layout.footer);
    SDL_BlitSurface(m_footer->surface(), nullptr, target, &footer);
    shown.push_back(ToSdl(m_layout.footer));
  }
  if (m_help) {
    DrawHelp();
    if (m_helpCanvas != nullptr) SDL_BlitSurface(m_helpCanvas->surface(), nullptr, target, nullptr);
  }
  if (whole) {
    SDL_UpdateWindowSurface(m_window);
  } else {
    SDL_UpdateWindowSurfaceRects(m_window, shown.data(), static_cast<int>(shown.size()));
  }
  m_exposed = false;
}

}  // namespace host::desktop
