// The program from process start to exit: the application object, the main window over the work
// area and its layout. The settings it starts from and the ways of ending it are in the
// scenarios (tests/scenarios/startup_scenarios_test.cpp, settings_scenarios_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <optional>
#include <vector>

#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "host/crt/utf.h"
#include "host/ui/ui_state.h"
#include "tests/app/app_handset.h"

namespace {

class StartUpTest : public AppHandset {};

struct Placed {
  int x, y, width, height;
  bool operator==(const Placed&) const = default;
};

Placed PlaceOf(const UiWin& control) {
  const host::ui::ControlState& state = host::ui::StateOf(control);
  return {state.x, state.y, state.width, state.height};
}

TEST_F(StartUpTest, ControlsAreLaidOutOverTheWorkArea) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  struct Row {
    const char* name;
    UiWin& control;
    UiWin* parent;
    Placed place;
    int id;
    const char* text;
    std::optional<DWORD> format;
  };
  UiWin* scroll = &wnd.m_scroll;
  const std::optional<DWORD> none;
  const Row rows[] = {
      {"toolbar", wnd.m_toolbar, nullptr, {0, 655, 480, 65}, IDC_TOOLBAR, "", none},
      {"scroll", wnd.m_scroll, nullptr, {0, 0, 480, 655}, IDC_SCROLL, "", none},
      {"caption state", wnd.m_captionState, scroll, {0, 0, 480, 42}, 0, "基本状态", none},
      {"status", wnd.m_status, scroll, {0, 42, 480, 40}, 0, "正在获取状态", none},
      {"start", wnd.m_btnStartMusic, scroll, {50, 82, 380, 70}, IDC_START_MUSIC, "音乐进程已开启",
       none},
      {"caption params", wnd.m_captionParams, scroll, {0, 152, 480, 42}, 0, "参数设置", none},
      {"sensitivity", wnd.m_lblSensitivity, scroll, {10, 194, 480, 70}, 0, "敏感度", DT_VCENTER},
      {"value", wnd.m_lblSensitivityValue, scroll, {420, 194, 50, 70}, 0, "120", DT_VCENTER},
      {"slider", wnd.m_sliderSensitivity, scroll, {100, 194, 300, 70}, IDC_SENSITIVITY, "", none},
      {"gesture", wnd.m_lblGesture, scroll, {10, 264, 480, 70}, 0, "重力换歌开启", DT_VCENTER},
      {"gesture switch", wnd.m_btnGesture, scroll, {360, 264, 110, 70}, IDC_GESTURE, "", none},
      {"auto hide", wnd.m_lblAutoHide, scroll, {10, 334, 480, 70}, 0, "自动隐藏界面", DT_VCENTER},
      {"auto hide switch", wnd.m_btnAutoHide, scroll, {360, 334, 110, 70}, IDC_AUTOHIDE, "", none},
      {"auto run", wnd.m_lblAutoRun, scroll, {10, 404, 480, 70}, 0, "自动运行音乐", DT_VCENTER},
      {"auto run switch", wnd.m_btnAutoRun, scroll, {360, 404, 110, 70}, IDC_AUTORUN, "", none},
      {"auto play", wnd.m_lblAutoPlay, scroll, {10, 474, 480, 70}, 0, "自动播放隐藏", DT_VCENTER},
      {"auto play switch", wnd.m_btnAutoPlay, scroll, {360, 474, 110, 70}, IDC_AUTOPLAY, "",
       none},
  };
  std::vector<UiWin*> children;
  for (const Row& row : rows) {
    EXPECT_EQ(row.place, PlaceOf(row.control)) << row.name;
    EXPECT_EQ(row.parent, host::ui::StateOf(row.control).parent) << row.name;
    EXPECT_EQ(row.id, host::ui::StateOf(row.control).id) << row.name;
    EXPECT_EQ(row.text, Text(row.control)) << row.name;
    EXPECT_EQ(row.format, host::ui::StateOf(row.control).format) << row.name;
    if (row.parent != nullptr) children.push_back(&row.control);
  }
  // Added in the order of the rows, the toolbar first.
  EXPECT_EQ((std::vector<UiWin*>{&wnd.m_toolbar, &wnd.m_scroll}), host::ui::StateOf(wnd).controls);
  EXPECT_EQ(children, host::ui::StateOf(wnd.m_scroll).children);
  EXPECT_TRUE(host::ui::StateOf(wnd.m_scroll).scrollBar);
  EXPECT_EQ(544, host::ui::ContentHeight(wnd.m_scroll));

  ASSERT_EQ(3u, host::ui::StateOf(wnd.m_toolbar).buttons.size());
  const char* labels[] = {"隐藏", "操作", "退出"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(labels[i], host::ToUtf8(host::ui::StateOf(wnd.m_toolbar).buttons[i].text));
    EXPECT_TRUE(host::ui::StateOf(wnd.m_toolbar).buttons[i].enabled);
    EXPECT_TRUE(host::ui::StateOf(wnd.m_toolbar).buttons[i].visible);
  }

  EXPECT_FALSE(host::ui::StateOf(wnd.m_btnStartMusic).enabled);
  EXPECT_EQ(6, host::ui::StateOf(wnd.m_btnStartMusic).buttonType);
  EXPECT_EQ(80, host::ui::StateOf(wnd.m_sliderSensitivity).sliderMin);
  EXPECT_EQ(128, host::ui::StateOf(wnd.m_sliderSensitivity).sliderMax);
  EXPECT_EQ(120, wnd.m_sliderSensitivity.GetPadpos());
  for (UiButton* button : {&wnd.m_btnGesture, &wnd.m_btnAutoHide, &wnd.m_btnAutoRun,
                           &wnd.m_btnAutoPlay}) {
    EXPECT_EQ(11, host::ui::StateOf(*button).buttonType);
    EXPECT_EQ(1, host::ui::StateOf(*button).buttonMode);
  }
}

TEST_F(StartUpTest, MainWindowCoversTheWorkAreaWithItsClassAndTitle) {
  const RECT areas[] = {{0, 0, 480, 720}, {0, 40, 320, 520}, {10, 10, 10, 10}};
  for (const RECT& area : areas) {
    m_handset.set_work_area(area);
    std::optional<host::WindowInfo> seen;
    m_input.At(Now() + 1, [&] { seen = *m_handset.FindWindowInfo(ProgramWindow().m_hWnd); });
    m_input.At(Now() + 2, [] { ProgramWindow().OnUiCommand(IDC_TOOLBAR, kToolbarExit); });
    EXPECT_EQ(0, RunProgram(Now() + 10));
    ASSERT_TRUE(seen.has_value()) << area.top;
    EXPECT_EQ(area.left, seen->rect.left);
    EXPECT_EQ(area.top, seen->rect.top);
    EXPECT_EQ(area.right, seen->rect.right);
    EXPECT_EQ(area.bottom, seen->rect.bottom);
    EXPECT_TRUE(seen->visible);
    EXPECT_EQ(u"ZelbinAccWnd", seen->className);
    EXPECT_EQ(u"Quorvane", seen->title);
  }
  // The program's windows are gone with it.
  EXPECT_EQ(nullptr, FindWindowW(u"ZelbinAccWnd", nullptr));
}




}  // namespace
