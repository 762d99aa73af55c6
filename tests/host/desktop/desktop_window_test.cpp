// The desktop window on SDL's dummy video driver (no display): the screen shown 1:1 above the
// footer, the footer's texts and tilt pad, and what the footer is made of.
#include "host/desktop/desktop_window.h"

#include <gtest/gtest.h>

#include "host/crt/utf.h"
#include "host/desktop/desktop.h"
#include "host/programs/songs.h"
#include "host/screen/theme.h"
#include "tests/host/screen/panel_fixture.h"
#include "tests/support/expect_value.h"

namespace host::desktop {
namespace {

screen::Rgb WindowPixel(SDL_Window* window, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  SDL_LockSurface(surface);
  Uint32 pixel = 0;
  SDL_memcpy(&pixel,
             static_cast<Uint8*>(surface->pixels) + y * surface->pitch +
                 x * surface->format->BytesPerPixel,
             surface->format->BytesPerPixel);
  SDL_UnlockSurface(surface);
  screen::Rgb c;
  SDL_GetRGB(pixel, surface->format, &c.r, &c.g, &c.b);
  return c;
}

class DesktopWindowTest : public ::testing::Test {
 protected:
  DesktopWindowTest() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    // A display with room for the work area at its own size.
    SDL_SetHint(SDL_HINT_DISPLAY_USABLE_BOUNDS, "0,0,1920,1200");
    EXPECT_EQ(0, SDL_Init(SDL_INIT_VIDEO)) << SDL_GetError();
    m_window = test_support::ExpectValue(DesktopWindow::Create("Quorvane", 480, 720, {}));
  }
  ~DesktopWindowTest() override {
    m_window.reset();
    SDL_SetHint(SDL_HINT_DISPLAY_USABLE_BOUNDS, nullptr);
    SDL_Quit();
  }

  // The footer's texts from..to (all by default).
  std::vector<std::u16string> FooterTexts(std::pair<std::size_t, std::size_t> range = {0, 99}) const {
    std::vector<std::u16string> texts;
    for (const screen::TextBox& box : m_window->footer().texts()) texts.push_back(box.text);
    texts.resize(std::min(texts.size(), range.second));
    texts.erase(texts.begin(), texts.begin() + std::min(texts.size(), range.first));
    return texts;
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::unique_ptr<DesktopWindow> m_window;
};

TEST_F(DesktopWindowTest, ShowsTheScreenAboveTheFooter) {
  screen_test::Panel panel;
  m_window->Refresh(m_handset);
  SDL_Window* window = m_window->window();
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(m_window->layout().width, w);
  EXPECT_EQ(m_window->layout().height, h);
  EXPECT_EQ(1, m_window->renderer().paints());
  for (POINT p : {POINT{5, 5}, POINT{240, 700}, POINT{400, 300}}) {
    EXPECT_EQ(m_window->renderer().canvas().PixelAt(p.x, p.y), WindowPixel(window, p.x, p.y));
  }
  EXPECT_EQ(screen::theme::kHome, WindowPixel(window, 2, m_window->layout().footer.top + 2));

  m_window->Refresh(m_handset);
  EXPECT_EQ(1, m_window->renderer().paints()) << "nothing changed";
  panel.switches[1].SetState(1);
  m_window->Refresh(m_handset);
  EXPECT_EQ(2, m_window->renderer().paints());
}

TEST_F(DesktopWindowTest, FooterTellsWhatPlaysAndWhatTheAccelerometerReads) {
  FooterInfo info;
  info.accelerometerOpen = false;
  m_window->set_footer([&info] { return info; });
  m_window->Refresh(m_handset);
  EXPECT_EQ((std::vector<std::u16string>{u"音乐播放器：未运行", u"加速度计：已关闭", u"尚未读取",
                                         u"Esc：返回 · Home：主屏幕 · F1：帮助"}),
            FooterTexts({0, 4}));
  info.accelerometerOpen.reset();
  info.watching = true;
  m_window->Refresh(m_handset);
  EXPECT_EQ(u"加速度计", FooterTexts()[1]);
  EXPECT_EQ(u"演示：脚本代替用户操作", FooterTexts()[3]);

  info.nowPlaying = u"3/8 纸船";
  info.playing = true;
  info.accelerometerOpen = true;
  info.listening = false;
  info.live = AccSample{127, 0, 0};
  info.tilt = AccSample{127, 0, 0};
  m_window->Refresh(m_handset);
  EXPECT_EQ((std::vector<std::u16string>{u"播放器：3/8 纸船（播放中）",
                                         u"加速度计：已打开，暂停监听 2 秒", u"x 127    y 0    z 0"}),
            FooterTexts({0, 3}));
  const DesktopLayout& layout = m_window->layout();
  POINT knob = PadPoint(layout.tiltPad, 127, 0);
  EXPECT_EQ(screen::theme::kTextOnDark, WindowPixel(m_window->window(), knob.x - 4, knob.y));
  POINT rest = PadPoint(layout.tiltPad, 0, 0);
  EXPECT_NE(screen::theme::kTextOnDark, WindowPixel(m_window->window(), rest.x + 3, rest.y + 3));
}

// The footer's lines in each language: in Chinese nothing but the song's own title is English.
TEST_F(DesktopWindowTest, TheFooterSpeaksTheWindowsLanguage) {
  struct Case {
    screen::Language language;
    std::function<void(FooterInfo&)> set;
    std::vector<std::u16string> lines;  // the player, the accelerometer, the values, the hint
  };
  auto paused = [](FooterInfo& info) {
    info.nowPlaying = u"1/8 Paper Boats";
    info.playing = false;
    info.accelerometerOpen = true;
    info.listening = true;
  };
  auto resting = [](FooterInfo& info) {
    info.nowPlaying = u"mpv: Rain (Playing)";  // a player that says it itself
    info.accelerometerOpen = true;
    info.listening = false;
    info.live = AccSample{0, 0, 0};
    info.panelHidden = true;
  };
  auto gesturesPaused = [&paused](FooterInfo& info) {
    paused(info);
    info.gesturesPaused = true;  // --gestures when-playing, and the player is paused
  };
  const Case cases[] = {
      {screen::Language::kChinese, gesturesPaused,
       {u"播放器：1/8 Paper Boats（已暂停）", u"加速度计：已打开，手势已暂停：未在播放", u"尚未读取",
        u"Esc：返回 · Home：主屏幕 · F1：帮助"}},
      {screen::Language::kEnglish, gesturesPaused,
       {u"Player: 1/8 Paper Boats (paused)", u"Accelerometer: on, gestures paused: not playing",
        u"not read yet", u"Esc: back · Home: home screen · F1: help"}},
      {screen::Language::kChinese, paused,
       {u"播放器：1/8 Paper Boats（已暂停）", u"加速度计：已打开，监听中", u"尚未读取",
        u"Esc：返回 · Home：主屏幕 · F1：帮助"}},
      {screen::Language::kEnglish, paused,
       {u"Player: 1/8 Paper Boats (paused)", u"Accelerometer: on, listening", u"not read yet",
        u"Esc: back · Home: home screen · F1: help"}},
      {screen::Language::kChinese, resting,
       {u"播放器：mpv: Rain (Playing)", u"加速度计：已打开，暂停监听 2 秒", u"x 0    y 0    z 0",
        u"已隐藏：在主屏幕上点按 Quorvane"}},
      {screen::Language::kEnglish, resting,
       {u"Player: mpv: Rain (Playing)", u"Accelerometer: on, resting 2 s", u"x 0    y 0    z 0",
        u"hidden: tap Quorvane on the home screen"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(screen::LanguageName(c.language));
    screen::ScreenRendererOptions options;
    options.language = c.language;
    m_window = test_support::ExpectValue(DesktopWindow::Create("Quorvane", 480, 720, options));
    FooterInfo info;
    c.set(info);
    m_window->set_footer([&info] { return info; });
    m_window->Refresh(m_handset);
    EXPECT_EQ(c.lines, FooterTexts({0, 4}));
  }
}

// The pad is the live meter: it marks where "next" and "previous" lie, draws the threshold of
// the slider's value on both axes, clear of the marks, and the dot follows the sensor as the
// driver reads it, in the lines' colour once the tilt gives a command.
TEST_F(DesktopWindowTest, ThePadMarksNextAndPreviousAndTheThreshold) {
  constexpr screen::Rgb kThreshold{255, 112, 67};
  FooterInfo info;
  m_window->set_footer([&info] { return info; });
  const RECT& pad = m_window->layout().tiltPad;
  const int top = m_window->layout().footer.top;
  auto pixel = [&](int x, int y) { return WindowPixel(m_window->window(), x, y); };
  POINT centre = PadPoint(pad, 0, 0);
  for (int threshold : {80, 100, 120, 128}) {
    SCOPED_TRACE(threshold);
    info.threshold = threshold;
    m_window->Refresh(m_handset);
    std::vector<RECT> marks;
    for (const screen::TextBox& box : m_window->footer().texts()) {
      if (box.text == u"下一首" || box.text == u"上一首") marks.push_back(screen::Offset(box.box, 0, top));
    }
    ASSERT_EQ(2u, marks.size());
    EXPECT_GT(marks[0].left, centre.x) << "next: the right edge";
    EXPECT_LT(marks[0].bottom, centre.y);
    EXPECT_GT(marks[1].top, centre.y) << "previous: the bottom edge";
    // The threshold lines cross where x = z = threshold, inside the pad's knob travel.
    POINT line = PadPoint(screen::Inset(pad, 9, 9), threshold, threshold);
    EXPECT_EQ(kThreshold, pixel(line.x, centre.y - 10));
    EXPECT_EQ(kThreshold, pixel(pad.left + 6, line.y));
    for (const RECT& mark : marks) {
      for (int y = mark.top - 1; y <= mark.bottom; ++y) {
        for (int x = mark.left - 1; x <= mark.right; ++x) {
          ASSERT_NE(kThreshold, pixel(x, y)) << "a line crosses a mark at " << x << "," << y;
        }
      }
    }
  }
  info.threshold = 100;
  struct Dot {
    AccSample live;
    screen::Rgb colour;
  };
  const Dot dots[] = {{{0, 0, 0}, {176, 190, 197}},           // at rest
                      {{0, 0, 64}, screen::theme::kTextOnDark},  // tilted, below the threshold
                      {{99, 0, 0}, screen::theme::kTextOnDark},
                      {{-127, 0, -127}, screen::theme::kTextOnDark},  // the other way: nothing
                      {{100, 0, 0}, kThreshold},                   // at the threshold: next
                      {{0, 0, 127}, kThreshold}};                  // previous
  for (const Dot& d : dots) {
    info.live = info.tilt = d.live;
    m_window->Refresh(m_handset);
    POINT dot = PadPoint(screen::Inset(pad, 9, 9), d.live.x, d.live.z);
    EXPECT_EQ(d.colour, pixel(dot.x, dot.y)) << int{d.live.x} << "," << int{d.live.z};
  }
}

TEST_F(DesktopWindowTest, TheHelpListsEveryKeyAndMouseAction) {
  m_window->ShowHelp(true);
  m_window->Refresh(m_handset);
  ASSERT_NE(nullptr, m_window->help());
  auto drawn = [this](std::u16string_view text) {
    int count = 0;
    for (const screen::TextBox& box : m_window->help()->texts()) count += box.text == text;
    return count;
  };
  for (const HelpRow& row : HelpRows(screen::Language::kChinese)) {
    EXPECT_EQ(1, drawn(row.input)) << ToUtf8(row.input);
    EXPECT_EQ(1, drawn(row.action)) << ToUtf8(row.action);
  }
}

// The application runs inside its process's Start for the whole session, which keeps a player
// that Close music ended alive as an object: the footer must not show it.
TEST_F(DesktopWindowTest, TheFooterForgetsAPlayerThatCloseMusicEnded) {
  programs::MusicPlayerService service(m_handset, programs::BuiltInSongs());
  m_window->set_footer([&service] {
    FooterInfo info;
    ShowNowPlaying(service, info);
    return info;
  });
  struct Application final : Program {
    std::function<void()> body;
    void Start(Handset&, DWORD) override { body(); }
  };
  auto application = std::make_unique<Application>();
  std::vector<std::u16string> shown;
  application->body = [&] {
    ASSERT_TRUE(m_handset.Launch(programs::kMusicPlayerPath));
    m_window->Refresh(m_handset);
    shown.push_back(FooterTexts()[0]);
    m_handset.SendToWindow(service.Running().back()->window(), WM_CLOSE, 0, 0);
    m_window->Refresh(m_handset);
    shown.push_back(FooterTexts()[0]);
  };
  m_handset.StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe", std::move(application));
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(0u, shown[0].rfind(u"播放器：1/8 ", 0)) << ToUtf8(shown[0]);
  EXPECT_EQ(u"音乐播放器：未运行", shown[1]);
}

TEST_F(DesktopWindowTest, AChangedStampRepaintsTheScreen) {
  std::u16string stamp = u"0:01";
  m_window->set_screen_stamp([&stamp] { return stamp; });
  m_window->Refresh(m_handset);
  m_window->Refresh(m_handset);
  EXPECT_EQ(1, m_window->renderer().paints());
  stamp = u"0:02";
  m_window->Refresh(m_handset);
  EXPECT_EQ(2, m_window->renderer().paints());
}

// The footer's hint for a hidden panel follows the application's window, the first of the UI
// library's windows: there is none before it is made, and other programs' windows do not count.
TEST_F(DesktopWindowTest, ThePanelIsHiddenWhenTheApplicationsWindowIs) {
  EXPECT_FALSE(PanelHidden()) << "no window yet";
  m_handset.CreateWindow(u"Other", u"正在播放", {0, 0, 480, 720}, 0, nullptr);
  EXPECT_FALSE(PanelHidden()) << "another program's window";
  screen_test::Panel panel;
  EXPECT_FALSE(PanelHidden());
  ShowWindow(panel.wnd.m_hWnd, SW_HIDE);
  EXPECT_TRUE(PanelHidden());
  ShowWindow(panel.wnd.m_hWnd, SW_SHOW);
  EXPECT_FALSE(PanelHidden());
}

TEST(PlayerLines, TellTheSongItsPlaceAndTheTime) {
  auto songs = std::make_shared<const std::vector<programs::Song>>(
      std::vector<programs::Song>{{u"纸船", 210'000}, {u"Rain", 59'000}});
  programs::NowPlaying now{songs, 0, true, 65'400};
  EXPECT_EQ((std::vector<std::u16string>{u"纸船", u"第 1 首，共 2 首", u"播放中  1:05 / 3:30"}),
            PlayerLines(now, screen::Language::kChinese));
  now = programs::NowPlaying{songs, 1, false, 0};
  EXPECT_EQ((std::vector<std::u16string>{u"Rain", u"Song 2 of 2", u"Paused  0:00 / 0:59"}),
            PlayerLines(now, screen::Language::kEnglish));
}

TEST(WatchedSensor, KeepsTheLastSampleThatWasReadAndWhen) {
  SimulatedAccelerometer sensor;
  VirtualClock clock;
  WatchedSensor watched(sensor, clock);
  EXPECT_EQ(std::nullopt, watched.last());
  sensor.set_sample({5, 6, 7});
  clock.AdvanceTo(1000);
  EXPECT_EQ((AccSample{5, 6, 7}), watched.Read());
  EXPECT_TRUE(watched.Listening(1000 + kListeningGapMs));
  EXPECT_FALSE(watched.Listening(1001 + kListeningGapMs));
  sensor.set_reads_fail(true);
  sensor.set_sample({1, 1, 1});
  EXPECT_EQ(std::nullopt, watched.Read());
  EXPECT_EQ((AccSample{5, 6, 7}), watched.last());
  sensor.set_present(false);
  EXPECT_FALSE(watched.Present());
}

// The live meter asks the sensor itself: what it shows is not the driver's read, and it tells
// nothing about whether the detector listens.
TEST(WatchedSensor, LiveValuesAreNotTheDriversReads) {
  SimulatedAccelerometer sensor;
  VirtualClock clock;
  WatchedSensor watched(sensor, clock);
  sensor.set_sample({9, 0, 64});
  EXPECT_EQ((AccSample{9, 0, 64}), watched.Live());
  EXPECT_EQ(std::nullopt, watched.last());
  EXPECT_FALSE(watched.Listening(0));
}

}  // namespace
}  // namespace host::desktop

namespace host::desktop {
namespace {

// A window on a display whose usable area the test sets (SDL's dummy driver takes it from a
// hint), over a panel on a work area of the size given.
class FittedWindowTest : public ::testing::Test {
 protected:
  void Open(int workWidth, int workHeight, const char* usable) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    SDL_SetHint(SDL_HINT_DISPLAY_USABLE_BOUNDS, usable);
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO)) << SDL_GetError();
    m_handset.set_work_area({0, 0, workWidth, workHeight});
    m_panel = std::make_unique<screen_test::Panel>();
    m_window =
        test_support::ExpectValue(DesktopWindow::Create("Quorvane", workWidth, workHeight, {}));
    ASSERT_NE(nullptr, m_window);
    m_window->Refresh(m_handset);
  }
  ~FittedWindowTest() override {
    m_window.reset();
    m_panel.reset();
    SDL_SetHint(SDL_HINT_DISPLAY_USABLE_BOUNDS, nullptr);
    SDL_Quit();
  }
  static bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::unique_ptr<screen_test::Panel> m_panel;
  std::unique_ptr<DesktopWindow> m_window;
};

TEST_F(FittedWindowTest, ALargeWorkAreaIsScaledToTheDisplayAndClicksMapBack) {
  Open(1080, 1600, "0,0,1280,900");
  int w = 0, h = 0;
  SDL_GetWindowSize(m_window->window(), &w, &h);
  EXPECT_LE(w, 1280);
  EXPECT_LE(h, 900);
  const DesktopLayout layout = m_window->layout();
  RECT window{0, 0, w, h};
  EXPECT_LT(layout.scale, 1.0);
  EXPECT_TRUE(Inside(layout.footer, window));
  EXPECT_TRUE(Inside(layout.tiltPad, window));
  EXPECT_NEAR(1080.0 / 1600.0,
              static_cast<double>(screen::Width(layout.screen)) / screen::Height(layout.screen),
              0.01);
  // The toolbar is on the window, drawn in its colour, and a click on it reaches it.
  RECT toolbar = WindowRect(layout, m_panel->toolbar.GetRect());
  EXPECT_TRUE(Inside(toolbar, layout.screen));
  EXPECT_EQ(screen::theme::kToolbar,
            WindowPixel(m_window->window(), toolbar.left + 4, toolbar.top + 4));
  POINT back = WorkAreaPoint(layout, (toolbar.left + toolbar.right) / 2, toolbar.bottom - 2);
  EXPECT_TRUE(screen::Contains(m_panel->toolbar.GetRect(), back.x, back.y));

  // Resized, the scale follows.
  m_window->Resized(400, 600);
  m_window->Refresh(m_handset);
  EXPECT_LE(m_window->layout().footer.bottom, 600);
  EXPECT_LT(m_window->layout().scale, layout.scale);
}

TEST_F(FittedWindowTest, ASmallWorkAreaKeepsEveryTextInsideItsPlace) {
  Open(320, 440, "0,0,1280,900");
  m_panel->start.SetText(u"开启音乐并隐藏音乐界面");
  FooterInfo info;
  info.accelerometerOpen = true;
  info.listening = true;
  info.live = AccSample{-128, -128, -128};
  info.tilt = info.live;
  m_window->set_footer([&info] { return info; });
  m_window->Refresh(m_handset);
  const DesktopLayout& layout = m_window->layout();
  EXPECT_EQ(1.0, layout.scale);
  EXPECT_EQ(320, layout.width);
  // The footer stacks: every text above the pad and inside the window.
  int top = layout.footer.top;
  for (const screen::TextBox& text : m_window->footer().texts()) {
    RECT box = screen::Offset(text.box, 0, top);
    EXPECT_TRUE(Inside(box, {0, top, 320, layout.height})) << ToUtf8(text.text);
    bool onPad = text.text == u"下一首" || text.text == u"上一首";
    if (!onPad) {
      EXPECT_LE(box.bottom, layout.tiltPad.top) << ToUtf8(text.text);
    }
  }
  // The start button's text is drawn inside the button.
  RECT button = m_panel->start.GetRect();
  for (const screen::TextBox& text : m_window->renderer().texts()) {
    if (text.text.rfind(u"开启", 0) != 0) continue;
    EXPECT_TRUE(Inside(text.box, button)) << ToUtf8(text.text);
  }
}

}  // namespace
}  // namespace host::desktop
