// The desktop window on SDL's dummy video driver (no display): the screen shown 1:1 above the
// footer, the footer's texts and tilt pad, and what the footer is made of.
#include "host/desktop/desktop_window.h"

#include <gtest/gtest.h>

#include "host/desktop/desktop.h"
#include "host/screen/theme.h"
#include "tests/host/screen/panel_fixture.h"

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
    EXPECT_EQ(0, SDL_Init(SDL_INIT_VIDEO)) << SDL_GetError();
    std::string error;
    m_window = DesktopWindow::Create("Quorvane", 480, 720, {}, error);
    EXPECT_NE(nullptr, m_window) << error;
  }
  ~DesktopWindowTest() override {
    m_window.reset();
    SDL_Quit();
  }

  std::vector<std::u16string> FooterTexts() const {
    std::vector<std::u16string> texts;
    for (const screen::TextBox& box : m_window->footer().texts()) texts.push_back(box.text);
    return texts;
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::unique_ptr<DesktopWindow> m_window;
};

TEST_F(DesktopWindowTest, ShowsTheScreenAboveTheFooter) {
  screen_test::Panel panel;
  m_window->Refresh();
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

  m_window->Refresh();
  EXPECT_EQ(1, m_window->renderer().paints()) << "nothing changed";
  panel.switches[1].SetState(1);
  m_window->Refresh();
  EXPECT_EQ(2, m_window->renderer().paints());
}

TEST_F(DesktopWindowTest, FooterTellsWhatPlaysAndWhatTheAccelerometerRead) {
  FooterInfo info;
  info.accelerometerOpen = false;
  m_window->set_footer([&info] { return info; });
  m_window->Refresh();
  EXPECT_EQ((std::vector<std::u16string>{u"Music player: not running",
                                         u"Accelerometer ACC0: closed", u"not read yet",
                                         u"Esc: back  ·  Home"}),
            FooterTexts());
  info.accelerometerOpen.reset();
  info.watching = true;
  m_window->Refresh();
  EXPECT_EQ(u"Accelerometer ACC0:", FooterTexts()[1]);
  EXPECT_EQ(u"Demo: a script plays the user's part", FooterTexts()[3]);

  info.nowPlaying = u"3/8 纸船 (playing)";
  info.accelerometerOpen = true;
  info.lastRead = AccSample{12, 0, -3};
  info.tilt = AccSample{127, 0, 0};
  m_window->Refresh();
  std::vector<std::u16string> texts = FooterTexts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(u"Player: 3/8 纸船 (playing)", texts[0]);
  EXPECT_EQ(u"Accelerometer ACC0: open", texts[1]);
  EXPECT_EQ(u"x 12    y 0    z -3", texts[2]);
  const DesktopLayout& layout = m_window->layout();
  POINT knob = PadPoint(layout.tiltPad, 127, 0);
  EXPECT_EQ(screen::theme::kHomeIcon, WindowPixel(m_window->window(), knob.x - 4, knob.y));
  POINT rest = PadPoint(layout.tiltPad, 0, 0);
  EXPECT_NE(screen::theme::kHomeIcon, WindowPixel(m_window->window(), rest.x + 3, rest.y + 3));
}

TEST_F(DesktopWindowTest, AChangedStampRepaintsTheScreen) {
  std::u16string stamp = u"0:01";
  m_window->set_screen_stamp([&stamp] { return stamp; });
  m_window->Refresh();
  m_window->Refresh();
  EXPECT_EQ(1, m_window->renderer().paints());
  stamp = u"0:02";
  m_window->Refresh();
  EXPECT_EQ(2, m_window->renderer().paints());
}

TEST(PlayerLines, TellTheSongItsPlaceAndTheTime) {
  auto songs = std::make_shared<const std::vector<programs::Song>>(
      std::vector<programs::Song>{{u"纸船", 210'000}, {u"Rain", 59'000}});
  programs::NowPlaying now{songs, 0, true, 65'400};
  EXPECT_EQ((std::vector<std::u16string>{u"纸船", u"Song 1 of 2", u"Playing  1:05 / 3:30"}),
            PlayerLines(now));
  now = programs::NowPlaying{songs, 1, false, 0};
  EXPECT_EQ((std::vector<std::u16string>{u"Rain", u"Song 2 of 2", u"Paused  0:00 / 0:59"}),
            PlayerLines(now));
}

TEST(WatchedSensor, KeepsTheLastSampleThatWasRead) {
  SimulatedAccelerometer sensor;
  WatchedSensor watched(sensor);
  EXPECT_EQ(std::nullopt, watched.last());
  sensor.set_sample({5, 6, 7});
  EXPECT_EQ((AccSample{5, 6, 7}), watched.Read());
  sensor.set_reads_fail(true);
  sensor.set_sample({1, 1, 1});
  EXPECT_EQ(std::nullopt, watched.Read());
  EXPECT_EQ((AccSample{5, 6, 7}), watched.last());
  sensor.set_present(false);
  EXPECT_FALSE(watched.Present());
}

}  // namespace
}  // namespace host::desktop
