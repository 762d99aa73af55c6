// The desktop window's mouse and keys as the handset's input: what a click, a drag, the wheel, the
// tilt pad and the keys do to the panel, to another program's window and on the home screen.
#include "host/desktop/desktop_input.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "host/screen/home_screen.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"
#include "tests/host/screen/panel_fixture.h"

namespace host::desktop {
namespace {

using screen_test::Panel;

// Stops a modal run that waits for more events than a test pushed: after many refreshes it
// closes the window.
class FakeView final : public DesktopView {
 public:
  const DesktopLayout& layout() const override { return m_layout; }
  bool Refresh(const Handset&) override {
    if (paint) paint();
    if (++refreshes == 200) {
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    }
    return paint != nullptr;
  }
  void Exposed() override { ++exposes; }
  void ShowHelp(bool shown) override { help = shown; }
  bool help_shown() const override { return help; }
  std::function<void()> paint;  // what a refresh costs, e.g. time on a busy machine
  int refreshes = 0;
  int exposes = 0;
  bool help = false;

 private:
  DesktopLayout m_layout = LayoutFor(480, 720);
};

// SDL's events as the window delivers them: the type, and fill sets the rest.
template <class Fill>
SDL_Event Event(Uint32 type, Fill fill) {
  SDL_Event e{};
  e.type = type;
  fill(e);
  return e;
}
SDL_Event Button(Uint32 type, int x, int y) {
  return Event(type, [&](SDL_Event& e) {
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
  });
}
SDL_Event Motion(int x, int y) {
  return Event(SDL_MOUSEMOTION, [&](SDL_Event& e) {
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = SDL_BUTTON_LMASK;
  });
}
SDL_Event Key(Uint32 type, SDL_Keycode key, bool repeat = false) {
  return Event(type, [&](SDL_Event& e) {
    e.key.keysym.sym = key;
    e.key.repeat = repeat ? 1 : 0;
  });
}
SDL_Event Wheel(int x, int y, int notches) {
  return Event(SDL_MOUSEWHEEL, [&](SDL_Event& e) {
    e.wheel.y = notches;
    e.wheel.mouseX = x;
    e.wheel.mouseY = y;
  });
}
SDL_Event WindowEvent(Uint8 what) {
  return Event(SDL_WINDOWEVENT, [&](SDL_Event& e) { e.window.event = what; });
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class DesktopInputTest : public ::testing::Test {
 protected:
  DesktopInputTest() {
    SDL_Init(SDL_INIT_EVENTS);
    m_handset.set_input(&m_input);
  }
  ~DesktopInputTest() override { SDL_Quit(); }

  void Handle(const SDL_Event& e) { m_input.Handle(e); }
  void Click(POINT p) {
    Handle(Button(SDL_MOUSEBUTTONDOWN, p.x, p.y));
    Handle(Button(SDL_MOUSEBUTTONUP, p.x, p.y));
  }
  void Drag(POINT from, POINT to) {
    Handle(Button(SDL_MOUSEBUTTONDOWN, from.x, from.y));
    for (int i = 1; i <= 4; ++i) {
      Handle(Motion(from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4));
    }
    Handle(Button(SDL_MOUSEBUTTONUP, to.x, to.y));
  }
  static void Push(const SDL_Event& e) {
    SDL_Event copy = e;
    SDL_PushEvent(&copy);
  }
  // Runs the message loop as an application does; returns the quit code.
  int RunLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return static_cast<int>(msg.wParam);
  }
  AccSample Tilt() const { return m_tilt.Sample(); }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  FakeView m_view;
  sensors::ManualTiltSensor m_tilt{m_clock};
  DesktopInput m_input{m_handset, m_view, &m_tilt};
};

TEST_F(DesktopInputTest, TheMouseWorksThePanelLikeAFinger) {
  Panel panel(0b0001);
  Click(Centre(panel.switches[0].GetRect()));
  Click(Centre(panel.switches[1].GetRect()));
  EXPECT_EQ(0u, panel.switches[0].GetState());
  EXPECT_EQ(1u, panel.switches[1].GetState());

  RECT slider = panel.slider.GetRect();
  Drag(Centre(slider), {slider.right - 1, Centre(slider).y});
  EXPECT_EQ(host::ui::PadposAt(panel.slider, slider.right - 1), panel.slider.GetPadpos());
  EXPECT_EQ(128, panel.slider.GetPadpos());

  // The footer is no part of the handset's screen.
  Click({Centre(panel.switches[1].GetRect()).x, m_view.layout().footer.top + 5});
  EXPECT_EQ(1u, panel.switches[1].GetState());
}

TEST_F(DesktopInputTest, DraggingOrTheWheelScrollsTallContent) {
  m_handset.set_work_area({0, 0, 480, 400});
  Panel panel;
  POINT caption = Centre(panel.captionParams.GetRect());  // lets the pointer through
  Drag(caption, {caption.x, caption.y - 100});
  EXPECT_EQ(100, host::ui::StateOf(panel.scroll).scrollOffset);

  Handle(Wheel(caption.x, caption.y, 1));  // away from the user: the content comes down
  EXPECT_EQ(100 - kWheelStepPx, host::ui::StateOf(panel.scroll).scrollOffset);
  int end = host::ui::MaxScrollOffset(panel.scroll);
  Handle(Wheel(caption.x, caption.y, -3));
  EXPECT_EQ(end, host::ui::StateOf(panel.scroll).scrollOffset);
  Handle(Wheel(caption.x, m_view.layout().footer.top + 5, 2));
  EXPECT_EQ(end, host::ui::StateOf(panel.scroll).scrollOffset) << "not over the screen";
}

TEST_F(DesktopInputTest, TheTiltPadAndTheArrowKeysTiltWhileHeld) {
  const RECT& pad = m_view.layout().tiltPad;
  POINT p = PadPoint(pad, 64, -32);
  Handle(Button(SDL_MOUSEBUTTONDOWN, p.x, p.y));
  EXPECT_EQ((AccSample{64, 0, -32}), Tilt());
  Handle(Motion(pad.right + 40, pad.bottom + 40));  // beyond the pad: clamped
  EXPECT_EQ((AccSample{127, 0, 127}), Tilt());
  Handle(Button(SDL_MOUSEBUTTONUP, pad.right + 40, pad.bottom + 40));
  EXPECT_EQ((AccSample{0, 0, 0}), Tilt());

  // Each arrow leans the handset the way the pad's dot then moves.
  const std::pair<SDL_Keycode, POINT> arrows[] = {
      {SDLK_RIGHT, {1, 0}}, {SDLK_LEFT, {-1, 0}}, {SDLK_DOWN, {0, 1}}, {SDLK_UP, {0, -1}}};
  POINT centre = PadPoint(pad, 0, 0);
  auto sign = [](int d) { return (d > 0) - (d < 0); };
  for (auto [key, direction] : arrows) {
    Handle(Key(SDL_KEYDOWN, key));
    POINT dot = PadPoint(pad, Tilt().x, Tilt().z);
    EXPECT_EQ(direction.x, sign(dot.x - centre.x)) << SDL_GetKeyName(key);
    EXPECT_EQ(direction.y, sign(dot.y - centre.y)) << SDL_GetKeyName(key);
    Handle(Key(SDL_KEYUP, key));
  }
  Handle(Key(SDL_KEYDOWN, SDLK_RIGHT));
  Handle(Key(SDL_KEYDOWN, SDLK_DOWN));
  Handle(Key(SDL_KEYUP, SDLK_RIGHT));
  Handle(Key(SDL_KEYDOWN, SDLK_RIGHT, true));  // a key repeat presses nothing
  EXPECT_EQ((AccSample{0, 0, sensors::kFullTilt}), Tilt());
  Handle(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
  EXPECT_EQ((AccSample{0, 0, 0}), Tilt());
}

TEST_F(DesktopInputTest, WithoutAManualSensorKeysAndPadDoNothing) {
  DesktopInput input(m_handset, m_view, nullptr);
  Panel panel;
  POINT p = Centre(m_view.layout().tiltPad);
  input.Handle(Button(SDL_MOUSEBUTTONDOWN, p.x, p.y));
  input.Handle(Key(SDL_KEYDOWN, SDLK_UP));
  input.Handle(Button(SDL_MOUSEBUTTONUP, p.x, p.y));
  EXPECT_EQ((AccSample{0, 0, 0}), Tilt());
}

TEST_F(DesktopInputTest, EscapeLeavesAnOpenMenuAsATapBesideItsItems) {
  Panel panel;
  CPopupMenu menu;
  PopupMenuItemProp item;
  item.text = u"返回";
  item.id = 124;
  menu.AddItem(item);
  Push(Key(SDL_KEYDOWN, SDLK_RIGHT));  // not for the menu
  Push(Key(SDL_KEYDOWN, SDLK_ESCAPE));
  EXPECT_EQ(0, menu.DoModal());
  EXPECT_EQ(sensors::kFullTilt, Tilt().x);
  EXPECT_FALSE(m_input.closed());
}

TEST_F(DesktopInputTest, EscapeHidesAnotherProgramsWindowOnTop) {
  Panel panel;
  HWND player = m_handset.CreateWindow(u"MzMusicPlayerWnd", u"正在播放", {0, 0, 480, 720}, 0,
                                       [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
  ShowWindow(player, SW_SHOW);
  Handle(Key(SDL_KEYDOWN, SDLK_ESCAPE));
  EXPECT_FALSE(IsWindowVisible(player));
  EXPECT_TRUE(IsWindowVisible(panel.wnd.m_hWnd));
  Handle(Key(SDL_KEYDOWN, SDLK_ESCAPE));
  EXPECT_TRUE(IsWindowVisible(panel.wnd.m_hWnd)) << "the application's window stays";
}

TEST_F(DesktopInputTest, F1OrAQuestionMarkShowTheHelpAndAKeyOrAClickClosesIt) {
  Panel panel;
  Handle(Key(SDL_KEYDOWN, SDLK_F1));
  EXPECT_TRUE(m_view.help);
  Handle(Key(SDL_KEYDOWN, SDLK_ESCAPE));
  EXPECT_FALSE(m_view.help);
  SDL_Event question{};
  question.type = SDL_TEXTINPUT;
  question.text.text[0] = '?';
  Handle(Key(SDL_KEYDOWN, SDLK_SLASH));
  Handle(question);
  EXPECT_TRUE(m_view.help);
  Click(Centre(panel.switches[1].GetRect()));
  EXPECT_FALSE(m_view.help);
  EXPECT_EQ(0u, panel.switches[1].GetState()) << "the click only closed the help";
}

TEST_F(DesktopInputTest, AClickInAnOpenMenuPicksTheItem) {
  Panel panel;
  CPopupMenu menu;
  const std::pair<int, const char16_t*> items[] = {{124, u"返回"}, {122, u"全部关闭"}};
  for (const auto& [id, text] : items) {
    PopupMenuItemProp item;
    item.text = text;
    item.id = id;
    menu.AddItem(item);
  }
  int second = 720 - menu.GetHeight() + host::ui::kMenuItemHeight * 3 / 2;
  Push(Button(SDL_MOUSEBUTTONDOWN, 240, second));
  Push(Motion(250, second + 2));
  Push(Button(SDL_MOUSEBUTTONUP, 250, second + 2));
  EXPECT_EQ(122, menu.DoModal());
  EXPECT_GT(m_view.refreshes, 0) << "the view is refreshed before each wait";
}

TEST_F(DesktopInputTest, ClosingTheWindowEndsTheLoopAsAtShutdown) {
  Panel panel;
  Push(WindowEvent(SDL_WINDOWEVENT_EXPOSED));
  Push(WindowEvent(SDL_WINDOWEVENT_CLOSE));
  EXPECT_EQ(0, RunLoop());
  EXPECT_TRUE(m_input.closed());
  EXPECT_EQ(1, m_view.exposes);
  EXPECT_FALSE(m_input.Idle(-1)) << "no input comes after the window has gone";

  DesktopInput other(m_handset, m_view, &m_tilt);
  m_handset.set_input(&other);
  Push(SDL_Event{SDL_QUIT});
  EXPECT_EQ(0, RunLoop());
  EXPECT_TRUE(other.closed());
}

// On a busy machine a turn of the loop is slow: a paint of what a tilt changed takes longer
// than the 100 ms poll, so every turn brings a tick. The events that wait are all handled in
// one wait, so a close request right behind a tilt key ends the loop at once rather than a turn
// (a paint and a tick) per event later, while more input may keep coming.
TEST_F(DesktopInputTest, ACloseRequestRightAfterATiltKeyEndsTheLoopAtOnce) {
  Panel panel;
  int ticks = 0;
  HWND poller = m_handset.CreateWindow(u"Poller", u"", {0, 0, 1, 1}, 0,
                                       [&ticks](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                                         ticks += msg == WM_TIMER;
                                         return 0;
                                       });
  SetTimer(poller, 1, 100, nullptr);
  m_view.paint = [this] { m_clock.Advance(150); };
  Push(Key(SDL_KEYDOWN, SDLK_RIGHT));
  Push(Motion(300, 10));
  Push(Motion(310, 5));
  Push(Key(SDL_KEYUP, SDLK_RIGHT));
  Push(WindowEvent(SDL_WINDOWEVENT_CLOSE));
  EXPECT_EQ(0, RunLoop());
  EXPECT_TRUE(m_input.closed());
  EXPECT_EQ(0, ticks) << "a turn of the loop per event";
  EXPECT_EQ(1, m_view.refreshes);
  EXPECT_EQ(sensors::kFullTilt, m_tilt.Read()->x) << "the tap of the key is still read once";
}

TEST_F(DesktopInputTest, HomeHidesEveryWindowAndATapOnAProgramShowsItAgain) {
  DWORD app = m_handset.StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe", nullptr);
  m_handset.set_current_pid(app);
  Panel panel;
  Handle(Key(SDL_KEYDOWN, SDLK_HOME));
  EXPECT_FALSE(IsWindowVisible(panel.wnd.m_hWnd));

  RECT button = screen::HomeButtonRects(480, 720, 1)[0];
  Drag(Centre(button), {Centre(button).x, button.bottom + 30});  // let go elsewhere: nothing
  EXPECT_FALSE(IsWindowVisible(panel.wnd.m_hWnd));
  Click({button.left + 5, button.top + 5});
  EXPECT_TRUE(IsWindowVisible(panel.wnd.m_hWnd));
}

TEST_F(DesktopInputTest, AnotherProgramsWindowOnTopGetsThePointer) {
  Panel panel;
  std::vector<std::string> received;
  HWND player = m_handset.CreateWindow(
      u"MzMusicPlayerWnd", u"正在播放", {0, 0, 480, 720}, 0,
      [&received](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        received.push_back(std::to_string(msg) + " " + std::to_string(wParam) + " " +
                           std::to_string(LOWORD(lParam)) + "," + std::to_string(HIWORD(lParam)));
        return 0;
      });
  ShowWindow(player, SW_SHOW);
  POINT at = Centre(panel.switches[1].GetRect());
  Drag(at, {at.x, at.y + 8});
  std::string x = std::to_string(at.x);
  EXPECT_EQ((std::vector<std::string>{
                "24 1 0,0",                                      // WM_SHOWWINDOW, shown
                "513 1 " + x + "," + std::to_string(at.y),       // WM_LBUTTONDOWN
                "512 1 " + x + "," + std::to_string(at.y + 2),   // WM_MOUSEMOVE ...
                "512 1 " + x + "," + std::to_string(at.y + 4),
                "512 1 " + x + "," + std::to_string(at.y + 6),
                "512 1 " + x + "," + std::to_string(at.y + 8),
                "514 0 " + x + "," + std::to_string(at.y + 8),   // WM_LBUTTONUP
            }),
            received);
  EXPECT_EQ(0u, panel.switches[1].GetState()) << "the panel beneath heard nothing";
}

// An inner source that counts its waits and ends the input after a few.
class CountingInput final : public InputSource {
 public:
  bool Idle(std::int64_t) override { return ++waits < 3; }
  int waits = 0;
};

TEST_F(DesktopInputTest, WatchingShowsAnotherSourcesRunUntilTheWindowCloses) {
  Panel panel;
  CountingInput runner;
  WatchingInput watching(m_handset, m_view, runner);
  m_handset.set_input(&watching);
  Push(Button(SDL_MOUSEBUTTONDOWN, 415, 299));  // left alone: the switch stays as it is
  Push(Button(SDL_MOUSEBUTTONUP, 415, 299));
  EXPECT_EQ(0, RunLoop());
  EXPECT_EQ(3, runner.waits);
  EXPECT_EQ(3, m_view.refreshes);
  EXPECT_EQ(1u, panel.switches[0].GetState());

  runner.waits = 0;
  Push(WindowEvent(SDL_WINDOWEVENT_CLOSE));
  EXPECT_EQ(0, RunLoop());
  EXPECT_TRUE(watching.closed());
  EXPECT_EQ(0, runner.waits) << "the run is not asked on once the window has gone";
}

TEST(DesktopLayout, ThePadMapsPointsToTiltAndBack) {
  DesktopLayout layout = LayoutFor(480, 720);
  EXPECT_EQ(480, layout.width);
  EXPECT_EQ((RECT{0, 0, 480, 720}.bottom), layout.screen.bottom);
  EXPECT_EQ(layout.screen.bottom, layout.footer.top);
  EXPECT_EQ(layout.height, layout.footer.bottom);
  EXPECT_LE(layout.tiltPad.right, layout.width);
  EXPECT_LE(layout.readout.right, layout.tiltPad.left);
  const RECT& pad = layout.tiltPad;
  struct Case {
    int x, z;
  };
  for (Case c : {Case{0, 0}, Case{127, 0}, Case{-127, 127}, Case{64, -32}, Case{-5, 90}}) {
    POINT p = PadPoint(pad, c.x, c.z);
    auto [x, z] = TiltAt(pad, p.x, p.y);
    EXPECT_NEAR(c.x, x, 2) << c.x << "," << c.z;
    EXPECT_NEAR(c.z, z, 2) << c.x << "," << c.z;
  }
  EXPECT_EQ(std::make_pair(-127, -127), TiltAt(pad, -1000, -1000));
}

}  // namespace
}  // namespace host::desktop
