// The screen drawn into pixels: where texts land, how controls look in their states, the menu,
// other programs' windows and the home screen.
#include "host/screen/screen_renderer.h"

#include <gtest/gtest.h>

#include "host/crt/utf.h"
#include "host/screen/control_painter.h"
#include "host/screen/font_lookup.h"
#include "host/screen/home_screen.h"
#include "host/screen/theme.h"
#include "host/ui/ui_state.h"
#include "tests/host/screen/panel_fixture.h"
#include "tests/support/expect_value.h"

namespace host::screen {
namespace {

using screen_test::Inside;
using screen_test::Panel;
using screen_test::Str;

bool Greyish(Rgb c) { return std::abs(c.r - c.g) < 12 && std::abs(c.g - c.b) < 12; }
bool Greenish(Rgb c) { return c.g > c.r + 60 && c.g > c.b + 60; }
bool Bluish(Rgb c) { return c.b > c.r + 60 && c.b > c.g + 30; }
int Brightness(Rgb c) { return c.r + c.g + c.b; }
POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class ScreenRendererTest : public ::testing::Test {
 protected:
  ScreenRendererTest() {
    m_renderer = test_support::ExpectValue(ScreenRenderer::Create(m_options));
  }

  void Paint() { m_renderer->Paint(CaptureScreen(m_handset)); }

  // The boxes of the texts drawn, in drawing order; "" when the text was not drawn.
  std::vector<TextBox> Drawn(std::u16string_view text) const {
    std::vector<TextBox> found;
    for (const TextBox& box : m_renderer->texts()) {
      if (box.text == text) found.push_back(box);
    }
    return found;
  }
  Rgb Pixel(POINT p) const { return m_renderer->canvas().PixelAt(p.x, p.y); }
  int Brightest(const RECT& r) const {
    int most = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) most = std::max(most, Brightness(Pixel({x, y})));
    }
    return most;
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  ScreenRendererOptions m_options;
  std::unique_ptr<ScreenRenderer> m_renderer;
};

TEST_F(ScreenRendererTest, EveryTextOfThePanelIsDrawnInsideItsControl) {
  Panel panel;
  Paint();
  RECT screen{0, 0, 480, 720};
  struct Case {
    std::u16string text;
    UiWin* control;
  };
  const Case cases[] = {
      {u"基本状态", &panel.captionState},   {u"正在获取状态", &panel.status},
      {u"音乐进程已开启", &panel.start},   {u"参数设置", &panel.captionParams},
      {u"敏感度", &panel.lblSensitivity},  {u"120", &panel.lblValue},
      {u"重力换歌开启", &panel.switchLabels[0]}, {u"自动隐藏界面", &panel.switchLabels[1]},
      {u"自动运行音乐", &panel.switchLabels[2]}, {u"自动播放隐藏", &panel.switchLabels[3]},
  };
  for (const Case& c : cases) {
    std::vector<TextBox> drawn = Drawn(c.text);
    ASSERT_EQ(1u, drawn.size()) << std::string(c.text.begin(), c.text.end()).size();
    RECT control = Intersect(c.control->GetRect(), screen);
    EXPECT_TRUE(Inside(drawn[0].box, control))
        << Str(drawn[0].box) << " not in " << Str(control);
    // Left-aligned texts keep off the control's left edge, and stand vertically centred.
    EXPECT_GT(drawn[0].box.left, control.left);
    EXPECT_LE(std::abs(Centre(drawn[0].box).y - Centre(control).y), 2) << Str(drawn[0].box);
  }
  EXPECT_GT(Centre(Drawn(u"音乐进程已开启")[0].box).x, Centre(panel.start.GetRect()).x - 3)
      << "a button's text is centred";
}

TEST_F(ScreenRendererTest, ToolbarButtonsTakeEqualThirdsWithTheirTexts) {
  Panel panel;
  panel.toolbar.SetButton(1, false, true, u"操作");
  panel.toolbar.SetButton(3, true, false, u"看不见");
  Paint();
  RECT bar = panel.toolbar.GetRect();
  const std::u16string texts[] = {u"隐藏", u"操作", u"退出"};
  for (int i = 0; i < 3; ++i) {
    std::vector<TextBox> drawn = Drawn(texts[i]);
    ASSERT_EQ(1u, drawn.size());
    RECT slot = ToolbarSlot(bar, i, 4);
    EXPECT_TRUE(Inside(drawn[0].box, slot)) << Str(drawn[0].box) << " not in " << Str(slot);
    EXPECT_EQ(i, host::ui::ToolbarButtonAt(panel.toolbar, Centre(drawn[0].box).x));
  }
  EXPECT_TRUE(Drawn(u"看不见").empty()) << "an invisible button shows nothing";
  EXPECT_EQ(theme::kToolbar, Pixel({bar.left + 2, bar.top + 2}));
  EXPECT_GT(Brightest(Drawn(u"隐藏")[0].box), Brightest(Drawn(u"操作")[0].box) + 150)
      << "an enabled button's text is lighter than a disabled one's";
}

TEST_F(ScreenRendererTest, SwitchesShowOnAndOffInDifferentColours) {
  Panel panel(0b0101);
  Paint();
  for (int i = 0; i < 4; ++i) {
    bool on = i % 2 == 0;
    RECT track = SwitchTrack(panel.switches[i].GetRect());
    // Beside the centre towards the knob's resting side lies the bare track.
    POINT bare = {on ? track.left + 8 : track.right - 8, Centre(track).y};
    Rgb colour = Pixel(bare);
    if (on) {
      EXPECT_TRUE(Greenish(colour)) << "switch " << i;
    } else {
      EXPECT_TRUE(Greyish(colour) && Brightness(colour) < Brightness(theme::kWindow)) << i;
    }
  }
  panel.switches[0].SetState(0);
  panel.switches[1].SetState(1);
  Paint();
  RECT first = SwitchTrack(panel.switches[0].GetRect());
  RECT second = SwitchTrack(panel.switches[1].GetRect());
  EXPECT_TRUE(Greyish(Pixel({first.right - 8, Centre(first).y})));
  EXPECT_TRUE(Greenish(Pixel({second.left + 8, Centre(second).y})));
}

TEST_F(ScreenRendererTest, StartButtonHasAPlainDisabledLookAndAnActionLook) {
  Panel panel;
  RECT face = panel.start.GetRect();
  POINT beside{face.left + 14, Centre(face).y};  // on the face, left of the text
  Paint();
  Rgb disabled = Pixel(beside);
  EXPECT_TRUE(Greyish(disabled)) << "type 6, disabled";

  panel.start.SetText(u"开启音乐并隐藏音乐界面");
  panel.start.SetButtonType(7);
  panel.start.SetEnable(true);
  Paint();
  EXPECT_TRUE(Bluish(Pixel(beside))) << "type 7, enabled";
  ASSERT_EQ(1u, Drawn(u"开启音乐并隐藏音乐界面").size());
  EXPECT_TRUE(Inside(Drawn(u"开启音乐并隐藏音乐界面")[0].box, face));

  panel.start.SetButtonType(6);
  Paint();
  Rgb enabledPlain = Pixel(beside);
  EXPECT_TRUE(Greyish(enabledPlain));
  EXPECT_NE(disabled, enabledPlain) << "disabled and enabled type 6 differ";
}

TEST_F(ScreenRendererTest, SliderPadFollowsThePosition) {
  Panel panel;
  RECT rect = panel.slider.GetRect();
  int y = Centre(rect).y;
  auto padX = [&](int pos) {
    panel.slider.SetPadpos(pos);
    Paint();
    int first = -1, last = -1;
    for (int x = rect.left; x < rect.right; ++x) {
      if (Pixel({x, y - 10}) == theme::kSliderPad) {
        if (first < 0) first = x;
        last = x;
      }
    }
    return (first + last) / 2;
  };
  int low = padX(80);
  int middle = padX(104);
  int high = padX(128);
  EXPECT_LT(low, middle);
  EXPECT_LT(middle, high);
  EXPECT_NEAR(Centre(rect).x, middle, 2);
  EXPECT_GE(low - 16, rect.left) << "the pad stays inside the slider";
  EXPECT_LE(high + 16, rect.right);
}

TEST_F(ScreenRendererTest, TallContentScrollsClippedToTheContainerWithABar) {
  m_handset.set_work_area({0, 0, 480, 400});
  Panel panel;
  RECT container = panel.scroll.GetRect();
  ASSERT_EQ(335, container.bottom);
  Paint();
  EXPECT_TRUE(Drawn(u"自动播放隐藏").empty()) << "below the container: not drawn";
  std::vector<TextBox> cut = Drawn(u"自动隐藏界面");  // row 334..404: one pixel visible
  ASSERT_EQ(1u, cut.size());
  EXPECT_TRUE(Inside(cut[0].clip, container));
  std::optional<RECT> thumb = ScrollThumb(ViewOf(panel.scroll));
  ASSERT_TRUE(thumb.has_value());
  EXPECT_EQ(container.top, thumb->top);
  EXPECT_EQ(theme::kScrollThumb, Pixel({thumb->left + 3, thumb->top + 20}));

  host::ui::ScrollTo(panel.scroll, 1000);  // clamped to the end: 544 - 335
  Paint();
  thumb = ScrollThumb(ViewOf(panel.scroll));
  EXPECT_EQ(container.bottom, thumb->bottom);
  EXPECT_TRUE(Drawn(u"基本状态").empty()) << "scrolled out at the top";
  std::vector<TextBox> last = Drawn(u"自动播放隐藏");
  ASSERT_EQ(1u, last.size());
  EXPECT_TRUE(Inside(last[0].box, container));
  EXPECT_EQ(theme::kToolbar, Pixel({2, container.bottom + 2})) << "the toolbar is not covered";
}

TEST_F(ScreenRendererTest, ContentThatFitsHasNoBar) {
  Panel panel;
  Paint();
  EXPECT_FALSE(ScrollThumb(ViewOf(panel.scroll)).has_value());
  EXPECT_EQ(theme::kWindow, Pixel({478, 600}));
}

TEST_F(ScreenRendererTest, OpenMenuLiesAtTheBottomOverAShadedScreen) {
  Panel panel;
  Paint();
  Rgb before = Pixel({240, 30});
  CPopupMenu menu;
  const std::pair<int, std::u16string> items[] = {
      {124, u"返回"}, {122, u"全部关闭"}, {121, u"关闭音乐"}, {120, u"音乐暂停"}};
  for (const auto& [id, text] : items) {
    PopupMenuItemProp item;
    item.text = text.c_str();
    item.attribute = 1;
    item.id = id;
    menu.AddItem(item);
  }
  int height = menu.GetHeight();
  menu.Create(0, 720 - height, 480, height, panel.wnd.m_hWnd, 0, WS_POPUP);
  menu.Show(true, true);
  Paint();
  EXPECT_LT(Brightness(Pixel({240, 30})), Brightness(before) - 100) << "the panel is shaded";
  int top = 720 - height;
  for (std::size_t i = 0; i < 4; ++i) {
    std::vector<TextBox> drawn = Drawn(items[i].second);
    ASSERT_EQ(1u, drawn.size()) << i;
    RECT row{0, top + 70 * static_cast<int>(i), 480, top + 70 * static_cast<int>(i) + 70};
    EXPECT_TRUE(Inside(drawn[0].box, row)) << Str(drawn[0].box) << " not in " << Str(row);
    EXPECT_EQ(host::ui::MenuItemAt(menu, 240, Centre(drawn[0].box).y - top), static_cast<int>(i));
  }
  EXPECT_EQ(theme::kMenu, Pixel({4, top + 5}));
}

TEST_F(ScreenRendererTest, AnotherProgramsWindowShowsItsTitleAndLines) {
  m_options.windowLines = [](const WindowView& window) {
    return window.title == u"正在播放" ? std::vector<std::u16string>{u"3/8 纸船", u"playing"}
                                       : std::vector<std::u16string>{};
  };
  m_renderer = test_support::ExpectValue(ScreenRenderer::Create(m_options));
  HWND player = m_handset.CreateWindow(u"MzMusic", u"正在播放", {0, 0, 480, 720}, 0, nullptr);
  ShowWindow(player, SW_SHOW);
  Paint();
  ASSERT_EQ(1u, Drawn(u"正在播放").size());
  ASSERT_EQ(1u, Drawn(u"3/8 纸船").size());
  ASSERT_EQ(1u, Drawn(u"playing").size());
  EXPECT_LT(Drawn(u"正在播放")[0].box.bottom, Drawn(u"3/8 纸船")[0].box.top);
  EXPECT_LT(Drawn(u"3/8 纸船")[0].box.bottom, Drawn(u"playing")[0].box.top);
}

TEST_F(ScreenRendererTest, WithEveryWindowHiddenTheHomeScreenListsTheRunningPrograms) {
  DWORD app = m_handset.StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe", nullptr);
  m_handset.set_current_pid(app);
  Panel panel;
  DWORD player = m_handset.StartProcess(u"\\Windows\\MzMusic.exe", nullptr);
  HWND playerWnd =
      m_handset.CreateWindow(u"MzMusic", u"正在播放", {0, 0, 480, 720}, player, nullptr);
  Paint();
  EXPECT_TRUE(m_renderer->home().empty()) << "a window is visible";
  EXPECT_TRUE(Drawn(u"Quorvane").empty());

  ShowWindow(panel.wnd.m_hWnd, SW_HIDE);
  Paint();
  ASSERT_EQ(2u, m_renderer->home().size());
  EXPECT_EQ(u"Quorvane", m_renderer->home()[0].name);
  EXPECT_EQ(panel.wnd.m_hWnd, m_renderer->home()[0].window);
  EXPECT_EQ(u"MzMusic", m_renderer->home()[1].name);
  EXPECT_EQ(playerWnd, m_renderer->home()[1].window);
  std::vector<RECT> buttons = HomeButtonRects(480, 720, 2);
  for (std::size_t i = 0; i < 2; ++i) {
    std::vector<TextBox> name = Drawn(m_renderer->home()[i].name);
    ASSERT_EQ(1u, name.size());
    EXPECT_TRUE(Inside(name[0].box, buttons[i]));
    POINT c = Centre(name[0].box);
    EXPECT_EQ(static_cast<int>(i), HomeButtonAt(480, 720, 2, c.x, c.y));
  }

  EXPECT_TRUE(ShowProgram(m_handset, m_renderer->home()[0]));
  EXPECT_TRUE(IsWindowVisible(panel.wnd.m_hWnd));
  EXPECT_FALSE(IsWindowVisible(playerWnd));
}

// A program that shows one window over the work area when it starts.
class WindowedProgram final : public Program {
 public:
  void Start(Handset&, DWORD pid) override {
    ShowWindow(Handset::Current().CreateWindow(u"MzMusic", u"正在播放", {0, 0, 480, 720}, pid,
                                               nullptr),
               SW_SHOW);
  }
};

TEST_F(ScreenRendererTest, TheHomeScreenListsInstalledProgramsAndStartsOneThatDoesNotRun) {
  Paint();
  EXPECT_TRUE(m_renderer->home().empty());
  EXPECT_EQ(1u, Drawn(u"程序").size());
  EXPECT_FALSE(ShowProgram(m_handset, ProgramView{}));
  EXPECT_EQ(-1, HomeButtonAt(480, 720, 0, 240, 150));

  m_handset.RegisterProgram(u"\\Windows\\MzMusic.exe",
                            [] { return std::make_unique<WindowedProgram>(); });
  Paint();
  ASSERT_EQ(1u, m_renderer->home().size());
  EXPECT_EQ(0u, m_renderer->home()[0].pid) << "not running";
  EXPECT_EQ(u"MzMusic", m_renderer->home()[0].name);
  EXPECT_EQ(1u, Drawn(u"未运行").size());
  EXPECT_TRUE(ShowProgram(m_handset, m_renderer->home()[0]));
  ASSERT_EQ(1u, m_handset.Processes().size());
  Paint();
  EXPECT_TRUE(m_renderer->home().empty()) << "its window is shown";
}

TEST_F(ScreenRendererTest, InEnglishTheApplicationsFixedTextsAreDrawnInEnglish) {
  m_options.language = Language::kEnglish;
  m_renderer = test_support::ExpectValue(ScreenRenderer::Create(m_options));
  Panel panel;
  panel.status.SetText(u"没有操作，监听中");
  Paint();
  for (std::u16string_view text : {u"Status", u"Listening for flicks", u"Threshold",
                                   u"Hide", u"Operations", u"Exit", u"120"}) {
    EXPECT_EQ(1u, Drawn(text).size()) << ToUtf8(text);
  }
  EXPECT_TRUE(Drawn(u"基本状态").empty());
  EXPECT_EQ(u"没有操作，监听中", host::ui::StateOf(panel.status).text)
      << "the control keeps its own text";
}

// The labels are as wide as the window and lie under the slider and the switches of their rows.
// At phone widths the English ones are longer than the room before those: they are drawn
// smaller, then cut with "…", and end before the control of their row, as the Chinese ones do.
TEST_F(ScreenRendererTest, LabelsEndBeforeTheSliderOrSwitchOfTheirRow) {
  struct Case {
    Language language;
    RECT area;
    bool fitted;  // some switch's label is drawn smaller or cut ("Threshold" always is)
  };
  const Case cases[] = {
      {Language::kEnglish, {0, 0, 480, 720}, false}, {Language::kEnglish, {0, 0, 360, 720}, true},
      {Language::kEnglish, {0, 0, 320, 480}, true},  {Language::kChinese, {0, 0, 320, 480}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(LanguageName(c.language)) + " " + std::to_string(c.area.right) +
                 "x" + std::to_string(c.area.bottom));
    m_options.language = c.language;
    m_renderer = test_support::ExpectValue(ScreenRenderer::Create(m_options));
    m_handset.set_work_area(c.area);
    Panel panel;
    Paint();
    std::pair<UiStatic*, UiWin*> rows[] = {{&panel.lblSensitivity, &panel.slider},
                                           {&panel.switchLabels[0], &panel.switches[0]},
                                           {&panel.switchLabels[1], &panel.switches[1]},
                                           {&panel.switchLabels[2], &panel.switches[2]},
                                           {&panel.switchLabels[3], &panel.switches[3]}};
    bool fitted = false;
    for (auto [label, control] : rows) {
      RECT row = label->GetRect();
      RECT next = control->GetRect();
      if (row.bottom > c.area.bottom - Panel::kToolbarHeight) continue;  // (partly) hidden
      std::vector<TextBox> drawn;
      for (const TextBox& text : m_renderer->texts()) {
        POINT centre = Centre(text.box);
        if (centre.y > row.top && centre.y < row.bottom && text.box.left < next.left) {
          drawn.push_back(text);
        }
      }
      ASSERT_EQ(1u, drawn.size()) << ToUtf8(Shown(ui::StateOf(*label).text, c.language));
      EXPECT_LE(drawn[0].box.right, next.left) << ToUtf8(drawn[0].text);
      EXPECT_GT(drawn[0].box.left, row.left);
      std::u16string_view full = Shown(ui::StateOf(*label).text, c.language);
      int fullHeight = m_renderer->canvas().Measure(full, theme::kTextSize, Weight::kRegular).second;
      bool smaller = drawn[0].text != full || Height(drawn[0].box) < fullHeight;
      fitted = fitted || (label != &panel.lblSensitivity && smaller);
    }
    EXPECT_EQ(c.fitted, fitted);
  }
}

TEST(TextFitting, ATextShrinksToTheMinimumThenEndsWithAnEllipsis) {
  std::unique_ptr<Canvas> canvas =
      test_support::ExpectValue(Canvas::Create(600, 100, FindCjkFont("").value_or("")));
  ASSERT_NE(nullptr, canvas);
  const std::u16string text = u"Accelerometer ACC0: open, listening";
  TextStyle style;
  style.size = 22;
  auto [full, fullHeight] = canvas->Measure(text, 22, Weight::kRegular);
  struct Case {
    int width;
    bool smaller;   // drawn at a smaller size
    bool ellipsis;  // cut
  };
  const Case cases[] = {{full + 10, false, false}, {full * 4 / 5, true, false}, {60, true, true}};
  for (const Case& c : cases) {
    canvas->ForgetTexts();
    RECT box{0, 0, c.width, 100};
    RECT drawn = canvas->Text(text, box, style);
    const std::u16string& shown = canvas->texts().back().text;
    EXPECT_LE(Width(drawn), c.width) << c.width;
    EXPECT_EQ(c.smaller, Height(drawn) < fullHeight) << c.width;
    EXPECT_EQ(c.ellipsis, shown.back() == u'\u2026') << c.width;
    if (!c.ellipsis) {
      EXPECT_EQ(text, shown);
    }
  }
}

TEST_F(ScreenRendererTest, TheCanvasFollowsTheWorkAreaAndItsOrigin) {
  m_handset.set_work_area({0, 40, 320, 480});
  Panel panel;
  Paint();
  EXPECT_EQ(320, m_renderer->canvas().width());
  EXPECT_EQ(440, m_renderer->canvas().height());
  std::vector<TextBox> caption = Drawn(u"基本状态");
  ASSERT_EQ(1u, caption.size());
  EXPECT_LT(caption[0].box.top, 42) << "window y 40 is the canvas's top row";
}

}  // namespace
}  // namespace host::screen
