// The main window's commands: the switches, the toolbar and the operations menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "host/ui/input.h"
#include "tests/app/app_handset.h"

namespace {

using Lines = std::vector<std::string>;

class CommandsTest : public AppHandset {
 protected:
  // A command as the library delivers it, with the high 16 bits of wParam not zero.
  static void Command(CAccWnd& wnd, int id, LPARAM lParam = 0) {
    wnd.OnUiCommand((WPARAM{0xBEEF} << 16) | static_cast<WPARAM>(id), lParam);
  }
  // Leaves out what the UI library posts to its own windows.
  Lines PlayerPostsTimersAndQuits() {
    Lines lines;
    for (const std::string& line : m_log.Of({"post", "timer", "quit"})) {
      if (line.rfind("post  ", 0) != 0) lines.push_back(line);
    }
    return lines;
  }
};

TEST_F(CommandsTest, SwitchesAreStoredAndSavedAtOnce) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  struct Row {
    int id;
    UiButton& button;
    bool& field;
    const char16_t* key;
  };
  const Row rows[] = {
      {IDC_AUTOPLAY, wnd.m_btnAutoPlay, wnd.m_config.autoplay, u"autoplay"},
      {IDC_AUTORUN, wnd.m_btnAutoRun, wnd.m_config.autorun, u"autorun"},
      {IDC_AUTOHIDE, wnd.m_btnAutoHide, wnd.m_config.autohide, u"autohide"},
      {IDC_GESTURE, wnd.m_btnGesture, wnd.m_config.autoacc, u"autoacc"},
  };
  // Any state but 1 is off.
  const DWORD states[] = {1, 0, 2, 1, 0xFFFFFFFF, 1};
  for (const Row& row : rows) {
    for (DWORD state : states) {
      row.button.SetState(state);
      Command(wnd, row.id);
      int expected = state == 1 ? 1 : 0;
      EXPECT_EQ(expected == 1, row.field) << row.id << " state " << state;
      EXPECT_EQ(expected, Stored(row.key)) << row.id << " state " << state;
    }
  }
}

TEST_F(CommandsTest, EverySwitchCommandRefreshesTheState) {
  CAccWnd& wnd = OpenWindow();
  ASSERT_FALSE(PlayerRunning());
  m_log.Clear();

  // Auto-run on while the player is missing starts it at once.
  wnd.m_btnAutoRun.SetState(1);
  Command(wnd, IDC_AUTORUN);
  EXPECT_TRUE(PlayerRunning());
  EXPECT_EQ("音乐已开启！", Text(wnd.m_status));

  // Auto-hide on while gesture control works hides the window 2 s later.
  wnd.m_btnAutoHide.SetState(1);
  Command(wnd, IDC_AUTOHIDE);
  RunUntil(Now() + 1999);
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd));
  RunUntil(Now() + 1);
  EXPECT_FALSE(IsWindowVisible(wnd.m_hWnd));

  // Gesture off stops the poll and gives back one of the references taken so far.
  EXPECT_EQ(1, m_driver.open_count());
  m_log.Clear();
  wnd.m_btnGesture.SetState(0);
  Command(wnd, IDC_GESTURE);
  EXPECT_EQ(Lines{"kill 1"}, m_log.Of({"timer", "kill"}));
  EXPECT_EQ("重力加速器被配置为关闭", Text(wnd.m_status));
  EXPECT_EQ(1, m_driver.open_count()) << "three references were taken, one given back";
}

TEST_F(CommandsTest, ToolbarHidesAndIgnoresOtherButtonsAndControls) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  m_log.Clear();
  Command(wnd, IDC_TOOLBAR, 3);
  Command(wnd, IDC_TOOLBAR, -1);
  Command(wnd, IDC_SCROLL, 1);
  Command(wnd, IDC_SENSITIVITY, 2);
  Command(wnd, 104);
  Command(wnd, 0);
  EXPECT_EQ(Lines{}, m_log.lines());
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd));

  Command(wnd, IDC_TOOLBAR, kToolbarHide);
  EXPECT_FALSE(IsWindowVisible(wnd.m_hWnd));
  EXPECT_TRUE(PlayerRunning());
}

TEST_F(CommandsTest, OperationsMenuSitsOnTheBottomOfTheWorkArea) {
  const RECT areas[] = {{0, 0, 480, 720}, {0, 40, 320, 520}};
  const Lines expected[] = {
      {"menu [0,440,480,280] [[124,\"返回\",1],[122,\"全部关闭\",1],[121,\"关闭音乐\",1],"
       "[120,\"音乐暂停\",1]]"},
      {"menu [0,240,320,280] [[124,\"返回\",1],[122,\"全部关闭\",1],[121,\"关闭音乐\",1],"
       "[120,\"音乐暂停\",1]]"},
  };
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  for (int i = 0; i < 2; ++i) {
    m_handset.set_work_area(areas[i]);
    // Opened twice: each run shows the four items once.
    for (int run = 0; run < 2; ++run) {
      m_log.Clear();
      m_input.At(Now() + 10, [] { ASSERT_TRUE(host::ui::PickMenuItem(IDM_BACK)); });
      Command(wnd, IDC_TOOLBAR, kToolbarOperations);
      EXPECT_EQ(expected[i], m_log.Of({"menu"}));
      EXPECT_EQ(areas[i].bottom - 280, wnd.m_menuRect.top);
      EXPECT_EQ(areas[i].bottom, wnd.m_menuRect.bottom);
      EXPECT_EQ(wnd.m_hWnd, wnd.m_menu.parent_hwnd());
      EXPECT_EQ(WS_POPUP, wnd.m_menu.style());
    }
  }
}

TEST_F(CommandsTest, OperationsMenuItemsAct) {
  struct Row {
    int item;
    Lines events;        // posts to the player, timers and quits after the pick
    bool playerRuns;     // 3 s later
    const char* button;  // the start button's text then
  };
  const char kRunning[] = "音乐进程已开启";
  const Row rows[] = {
      {IDM_BACK, {}, true, kRunning},
      {IDM_PAUSE, {"post 正在播放 4293918723 2 0"}, true, kRunning},
      // The re-check 2 s later finds the player gone and offers the start button.
      {IDM_CLOSE_MUSIC, {"post 正在播放 16 0 0", "timer 13 2000"}, false, "开启音乐并隐藏音乐界面"},
      {IDM_CLOSE_ALL, {"post 正在播放 16 0 0", "quit 0"}, false, kRunning},
      // Left without a pick.
      {0, {}, true, kRunning},
  };
  for (const Row& row : rows) {
    WriteSettings({u"autoacc=0"});
    if (!PlayerRunning()) StartPlayer();
    CAccWnd& wnd = OpenWindow();
    m_log.Clear();
    m_input.At(Now() + 10, [&] {
      if (row.item != 0) {
        ASSERT_TRUE(host::ui::PickMenuItem(row.item));
      } else {
        host::ui::SendScreenPointer(host::ui::PointerAction::kDown, 240, 10);
        host::ui::SendScreenPointer(host::ui::PointerAction::kUp, 240, 10);
      }
    });
    Command(wnd, IDC_TOOLBAR, kToolbarOperations);
    EXPECT_EQ(row.item, wnd.m_menuChoice);
    EXPECT_EQ(row.events, PlayerPostsTimersAndQuits()) << row.item;
    RunUntil(Now() + 3000);
    EXPECT_EQ(row.playerRuns, PlayerRunning()) << row.item;
    EXPECT_EQ(row.button, Text(wnd.m_btnStartMusic)) << row.item;
  }
}

}  // namespace
