// The pointer on a window's controls: which control a tap reaches, switches, the toolbar,
// slider drags, scrolling and where controls are shown.
#include <memory>

#include "host/ui/ui_state.h"
#include "tests/host/screen/panel_fixture.h"
#include "tests/host/ui/ui_test_support.h"

namespace host::ui_test {
namespace {

// A small control panel: a scrolling container (400 high, content to y 550) over a toolbar.
//   y   0.. 70  a label across the row (lets the pointer through)
//   y  70..140  button 103 at x 50..430
//   y 140..210  slider 106 at x 100..400, 80 to 128
//   y 210..280  a label, and switch 107 at x 360..470
//   y 480..550  switch 108 at x 360..470 (below the container's bottom until scrolled)
class PanelTest : public UiTest {
 protected:
  PanelTest() {
    screen_test::AddFrame(m_wnd, m_toolbar, m_scroll, {0, 0, 480, 720}, 400);
    for (int i = 0; i < 3; ++i) m_toolbar.SetButton(i, true, true, u"B");
    Place(m_label, 0, 10, 0, 480, 70);
    Place(m_button, 103, 50, 70, 380, 70);
    Place(m_slider, 106, 100, 140, 300, 70);
    m_slider.SetRange(80, 128);
    Place(m_switchLabel, 0, 10, 210, 480, 70);
    Place(m_switch, 107, 360, 210, 110, 70);
    Place(m_lowSwitch, 108, 360, 480, 110, 70);
    for (UiButton* b : {&m_switch, &m_lowSwitch}) {
      b->SetButtonType(11);
      b->SetButtonMode(UiButton::kModeSwitch);
    }
    m_wnd.slider = &m_slider;
  }

  void Place(UiWin& control, int id, int x, int y, int w, int h) {
    control.SetID(id);
    control.SetPos(x, y, w, h);
    m_scroll.AddChild(&control);
  }

  void Down(int x, int y) { ui::SendPointer(m_handset, m_wnd, ui::PointerAction::kDown, x, y); }
  void Move(int x, int y) { ui::SendPointer(m_handset, m_wnd, ui::PointerAction::kMove, x, y); }
  void Up(int x, int y) { ui::SendPointer(m_handset, m_wnd, ui::PointerAction::kUp, x, y); }
  std::string TapLog(int x, int y) {
    m_wnd.log.clear();
    Tap(m_wnd, x, y);
    std::string out;
    for (const std::string& e : m_wnd.log) out += (out.empty() ? "" : "; ") + e;
    return out;
  }

  RecordingWnd m_wnd;
  UiToolbar_Text m_toolbar;
  UiScrollWin m_scroll;
  UiStatic m_label;
  UiButton m_button;
  CUiStatusBar m_slider;
  UiStatic m_switchLabel;
  UiButton m_switch;
  UiButton m_lowSwitch;
};

TEST_F(PanelTest, TapReachesTheTopmostControlUnderThePoint) {
  struct Case {
    int x, y;
    const char* expected;
  } cases[] = {
      {415, 245, "command 107 0"},   // the switch, over its row's label
      {100, 245, ""},                // the label: through to the container, which has no command
      {240, 105, "command 103 0"},   // the button
      {49, 105, ""},                 // just left of it
      {0, 660, "command 101 0"},     // toolbar thirds
      {240, 700, "command 101 1"},
      {479, 719, "command 101 2"},
      {240, 600, ""},                // the window between container and toolbar
      {415, 515, ""},                // switch 108 lies below the container's bottom: clipped
      {250, 175, ""},                // a tap on the slider sends nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, TapLog(c.x, c.y)) << "at " << c.x << "," << c.y;
  }
}

TEST_F(PanelTest, ScrolledContentIsHitWhereItIsShown) {
  ASSERT_EQ(150, host::ui::MaxScrollOffset(m_scroll));
  host::ui::ScrollTo(m_scroll, 150);
  EXPECT_EQ("command 108 0", TapLog(415, 365));  // 480..550 now shows at 330..400
  EXPECT_EQ("command 107 0", TapLog(415, 95));   // 210..280 now shows at 60..130
  EXPECT_EQ("", TapLog(240, 30));                // the button scrolled out above the top
  EXPECT_EQ("360,330,470,400", Str(m_lowSwitch.GetRect()));
}

TEST_F(PanelTest, DisabledControlsAndDisabledParentsIgnoreTapsWithoutPassingThemOn) {
  UiButton cover;  // over the button, so the button beneath is not reached either
  cover.SetPos(50, 70, 100, 70);
  cover.SetID(199);
  m_scroll.AddChild(&cover);
  cover.SetEnable(false);
  EXPECT_EQ("", TapLog(60, 105));
  EXPECT_EQ("command 103 0", TapLog(300, 105));

  m_scroll.SetEnable(false);
  EXPECT_EQ("", TapLog(415, 245));
  EXPECT_EQ(0u, m_switch.GetState());
  EXPECT_EQ("command 101 0", TapLog(0, 660));
}

TEST_F(PanelTest, ReleaseMustLandOnTheControlAndToolbarButtonThePressBeganOn) {
  Down(415, 245);
  Up(240, 105);
  Down(10, 700);
  Up(300, 700);
  Down(240, 105);
  Move(400, 130);  // wandering off and back counts as a tap (the press stays on the button)
  Up(420, 120);
  EXPECT_TRUE(SameSequence({"move 400 130 pad=80", "command 103 0"}, m_wnd.log));
}

TEST_F(PanelTest, OnlyEnabledVisibleToolbarButtonsTakeTaps) {
  m_toolbar.SetButton(0, false, true, u"B");
  m_toolbar.SetButton(1, true, false, u"B");
  m_toolbar.SetButton(3, true, true, u"D");  // four buttons now: 120 wide each
  EXPECT_EQ("", TapLog(60, 700));
  EXPECT_EQ("", TapLog(180, 700));
  EXPECT_EQ("command 101 2", TapLog(300, 700));
  EXPECT_EQ("command 101 3", TapLog(420, 700));
}

TEST_F(PanelTest, SwitchTogglesBeforeTheWindowHearsOfTheTap) {
  struct Case {
    DWORD before;
    int mode;
    DWORD after;
  } cases[] = {{0, UiButton::kModeSwitch, 1},
               {1, UiButton::kModeSwitch, 0},
               {5, UiButton::kModeSwitch, 1},  // not on, so a tap turns it on
               {0, 0, 0},                      // a push button keeps its state
               {1, 0, 1}};
  DWORD seen = 99;
  m_wnd.onCommand = [&](int, int) { seen = m_switch.GetState(); };
  for (const Case& c : cases) {
    m_switch.SetButtonMode(c.mode);
    m_switch.SetState(c.before);
    EXPECT_EQ("command 107 0", TapLog(415, 245));
    EXPECT_EQ(c.after, m_switch.GetState()) << c.before << " mode " << c.mode;
    EXPECT_EQ(c.after, seen);
  }
}

TEST_F(PanelTest, SliderPadFollowsADragBeforeOnMouseMove) {
  Down(250, 175);
  for (int x : {100, 400, 250, 106, 50, 450}) Move(x, 175);
  Move(250, 300);  // off the slider: the pad still follows x
  Up(250, 300);
  Move(400, 175);  // no press: the pad stays
  EXPECT_TRUE(SameSequence({"move 100 175 pad=80", "move 400 175 pad=128", "move 250 175 pad=104",
                            "move 106 175 pad=81", "move 50 175 pad=80", "move 450 175 pad=128",
                            "move 250 300 pad=104", "move 400 175 pad=104"},
                           m_wnd.log));
}

TEST_F(PanelTest, DragsNotStartedOnTheSliderLeaveItsPad) {
  m_slider.SetPadpos(90);
  Down(240, 105);  // the button
  Move(390, 175);
  Up(390, 175);
  m_slider.SetEnable(false);
  Down(250, 175);
  Move(390, 175);
  Up(390, 175);
  EXPECT_EQ(90, m_slider.GetPadpos());
}

TEST_F(PanelTest, DragOnEmptyContainerAreaScrollsWithinItsLimits) {
  Down(240, 300);  // below the rows: the container itself
  Move(240, 200);
  EXPECT_EQ(100, host::ui::StateOf(m_scroll).scrollOffset);
  Move(240, 100);
  EXPECT_EQ(150, host::ui::StateOf(m_scroll).scrollOffset);  // clamped at the content's end
  Move(240, 350);
  EXPECT_EQ(0, host::ui::StateOf(m_scroll).scrollOffset);
  Up(240, 350);

  Down(100, 245);  // on a label: it lets the pointer through, so this scrolls too
  Move(100, 205);
  Up(100, 205);
  EXPECT_EQ(40, host::ui::StateOf(m_scroll).scrollOffset);

  Down(240, 65);  // now on the button (70..140 shows at 30..100): no scrolling
  Move(240, 5);
  Up(240, 5);
  EXPECT_EQ(40, host::ui::StateOf(m_scroll).scrollOffset);
}

TEST_F(PanelTest, WheelScrollsTheContainerUnderThePoint) {
  EXPECT_TRUE(ui::WheelAt(m_wnd, 415, 245, 100));  // over a switch inside the container
  EXPECT_EQ(100, host::ui::StateOf(m_scroll).scrollOffset);
  EXPECT_TRUE(ui::WheelAt(m_wnd, 240, 300, 100));
  EXPECT_EQ(150, host::ui::StateOf(m_scroll).scrollOffset);
  EXPECT_FALSE(ui::WheelAt(m_wnd, 240, 300, 1));    // at the end already
  EXPECT_FALSE(ui::WheelAt(m_wnd, 240, 700, -50));  // over the toolbar
  EXPECT_FALSE(ui::WheelAt(m_wnd, 240, 600, -50));  // over no control
  m_scroll.SetEnable(false);
  EXPECT_FALSE(ui::WheelAt(m_wnd, 240, 300, -50));
  EXPECT_EQ(150, host::ui::StateOf(m_scroll).scrollOffset);
}

TEST_F(PanelTest, PressedControlDestroyedMidPressIsForgotten) {
  auto doomed = std::make_unique<UiButton>();
  doomed->SetID(150);
  doomed->SetPos(0, 280, 480, 100);
  m_scroll.AddChild(doomed.get());
  Down(240, 300);
  doomed.reset();
  Move(240, 310);
  Up(240, 300);
  EXPECT_TRUE(SameSequence({"move 240 310 pad=80"}, m_wnd.log));
  EXPECT_EQ(0, host::ui::StateOf(m_scroll).scrollOffset);
}

}  // namespace
}  // namespace host::ui_test
