// The state refresh, the start of the player, the one-shot timers and the sensitivity slider.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "host/ui/input.h"
#include "player/player_control.h"
#include "tests/app/app_handset.h"

namespace {

using Lines = std::vector<std::string>;

class RefreshTest : public AppHandset {
 protected:
  // The start button as "text type enabled".
  static std::string StartButton(CAccWnd& wnd) {
    return Text(wnd.m_btnStartMusic) + " " + std::to_string(wnd.m_btnStartMusic.type()) +
           (wnd.m_btnStartMusic.enabled() ? " enabled" : " disabled");
  }
  void LaunchesFail() {
    m_handset.RegisterProgram(u"\\Windows\\MzMusic.exe", [] { return nullptr; });
  }
};

const char kRunningButton[] = "音乐进程已开启 6 disabled";
const char kMissingButton[] = "开启音乐并隐藏音乐界面 7 enabled";

TEST_F(RefreshTest, StateFollowsThePlayerAndTheSwitches) {
  struct Row {
    const char* name;
    bool playerRuns;
    bool launchWorks;
    std::vector<std::u16string> settings;
    bool sensorPresent;
    const char* status;
    const char* button;
    Lines events;  // launches and timers while the window opens
    int result;    // of a further RefreshState
  };
  const Row rows[] = {
      {"player running", true, true, {}, true, "正在获取状态", kRunningButton,
       {"timer 1 100"}, 1},
      {"auto hide", true, true, {u"autohide=1"}, true, "正在获取状态", kRunningButton,
       {"timer 1 100", "timer 11 2000"}, 1},
      {"no player", false, true, {}, true, "音乐进程没有开启", kMissingButton,
       {"timer 1 100"}, 1},
      {"auto run", false, true, {u"autorun=1"}, true, "音乐已开启！", kRunningButton,
       {"launch \\Windows\\MzMusic.exe true", "timer 1 100", "timer 10 2000", "timer 1 100"}, 1},
      {"auto run without auto play", false, true, {u"autorun=1", u"autoplay=0"}, true,
       "音乐已开启！", kRunningButton,
       {"launch \\Windows\\MzMusic.exe true", "timer 1 100", "timer 1 100"}, 1},
      {"auto run fails", false, false, {u"autorun=1"}, true, "开启音乐失败！", kMissingButton,
       {"launch \\Windows\\MzMusic.exe false", "timer 1 100"}, 1},
      {"gesture off", true, true, {u"autoacc=0", u"autohide=1"}, true, "重力加速器被配置为关闭",
       kRunningButton, {"kill 1"}, 0},
      {"gesture off, auto run", false, true, {u"autoacc=0", u"autorun=1"}, true,
       "重力加速器被配置为关闭", kRunningButton,
       {"launch \\Windows\\MzMusic.exe true", "timer 1 100", "timer 10 2000", "kill 1"}, 0},
      {"no accelerometer", true, true, {u"autohide=1"}, false, "启动重力加速器失败",
       kRunningButton, {}, 0},
      {"no accelerometer, auto run", false, true, {u"autorun=1"}, false, "启动重力加速器失败",
       kRunningButton,
       {"launch \\Windows\\MzMusic.exe true", "timer 1 100", "timer 10 2000"}, 0},
  };
  for (const Row& row : rows) {
    // Each row in a new process, the only one running.
    m_wnd.reset();
    for (const host::ProcessInfo& process : m_handset.Processes()) {
      m_handset.EndProcess(process.pid);
    }
    m_pid = m_handset.StartProcess(kExePath, nullptr);
    m_handset.set_current_pid(m_pid);
    m_handset.RegisterProgram(u"\\Windows\\MzMusic.exe",
                              host::WindowedProgram::Factory({u"正在播放"}, m_playerLog));
    WriteSettings(row.settings);
    m_sensor.set_present(row.sensorPresent);
    if (row.playerRuns) StartPlayer();
    if (!row.launchWorks) LaunchesFail();
    m_log.Clear();

    CAccWnd& wnd = OpenWindow();
    EXPECT_EQ(row.status, Text(wnd.m_status)) << row.name;
    EXPECT_EQ(row.button, StartButton(wnd)) << row.name;
    EXPECT_EQ(row.events, m_log.Of({"launch", "timer", "kill"})) << row.name;
    LaunchesFail();
    EXPECT_EQ(row.result, wnd.RefreshState()) << row.name;
  }
}

TEST_F(RefreshTest, StartButtonLaunchesThePlayer) {
  struct Row {
    const char* name;
    bool launchWorks;
    bool autoplay;
    const char* status;
    const char* button;
    Lines timers;
  };
  const Row rows[] = {
      {"failure", false, true, "开启音乐失败！", kMissingButton, {}},
      {"auto play", true, true, "音乐已开启！", kRunningButton, {"timer 1 100", "timer 10 2000"}},
      {"no auto play", true, false, "音乐已开启！", kRunningButton, {"timer 1 100"}},
  };
  for (const Row& row : rows) {
    WriteSettings({u"autoacc=0", row.autoplay ? u"autoplay=1" : u"autoplay=0"});
    if (row.launchWorks) {
      m_handset.RegisterProgram(u"\\Windows\\MzMusic.exe",
                                host::WindowedProgram::Factory({u"正在播放"}, m_playerLog));
    } else {
      LaunchesFail();
    }
    CAccWnd& wnd = OpenWindow();
    ASSERT_EQ(kMissingButton, StartButton(wnd));
    m_log.Clear();
    wnd.OnUiCommand(IDC_START_MUSIC, 0);
    EXPECT_EQ(row.status, Text(wnd.m_status)) << row.name;
    EXPECT_EQ(row.button, StartButton(wnd)) << row.name;
    EXPECT_EQ(row.timers, m_log.Of({"timer", "kill"})) << row.name;
    EXPECT_EQ(row.launchWorks, PlayerRunning()) << row.name;
    EXPECT_EQ(Lines{}, m_log.Of({"invalidate"})) << row.name;
    if (PlayerRunning()) {
      CloseMusic();
      RunUntil(Now());
    }
  }
}

TEST_F(RefreshTest, PlayerIsToggledAndHiddenTwoSecondsAfterItsLaunch) {
  WriteSettings({u"autorun=1"});
  CAccWnd& wnd = OpenWindow();
  ASSERT_TRUE(PlayerRunning());
  RunUntil(1999);
  EXPECT_EQ(Lines{}, PlayerReceived());
  EXPECT_TRUE(PlayerVisible());
  RunUntil(5000);
  EXPECT_EQ(Lines{"正在播放 4293918723 2 0"}, PlayerReceived());
  EXPECT_FALSE(PlayerVisible());
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd));
  EXPECT_EQ(1, m_log.Count("kill 10"));
}

TEST_F(RefreshTest, SelfHideComesOnceTwoSecondsAfterTheRefresh) {
  WriteSettings({u"autohide=1"});
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  RunUntil(1999);
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd));
  RunUntil(2000);
  EXPECT_FALSE(IsWindowVisible(wnd.m_hWnd));
  EXPECT_EQ(1, m_log.Count("kill 11"));
  wnd.Show(true, true);
  RunUntil(10000);
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd)) << "hidden once per arming";
}

TEST_F(RefreshTest, PlayerHideWithThePlayerGoneSendsNothing) {
  WriteSettings({u"autoacc=0"});
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  SetTimer(wnd.m_hWnd, TIMER_PLAYER_HIDE, 2000, nullptr);
  m_log.Clear();
  CloseMusic();
  RunUntil(20000);
  EXPECT_EQ((Lines{"post 正在播放 16 0 0", "fire 10", "show null 0", "kill 10"}),
            m_log.Of({"post", "fire", "show", "kill"}));
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd));
}

TEST_F(RefreshTest, OtherTimerIdsAreIgnored) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  m_log.Clear();
  for (UINT_PTR id : {0, 2, 9, 14, 100}) wnd.OnTimer(id);
  EXPECT_EQ(Lines{}, m_log.lines());
}

TEST_F(RefreshTest, PointerMovesStrictlyInsideTheSliderShowItsValue) {
  struct Row {
    int dx, dy;  // from the slider's top left corner (100, 194); it is 300 by 70
    bool inside;
  };
  const Row rows[] = {
      {0, 35, false},   {300, 35, false}, {150, 0, false}, {150, 70, false}, {-1, 35, false},
      {1, 35, true},    {299, 35, true},  {150, 1, true},  {150, 69, true},  {1, 1, true},
  };
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  for (const Row& row : rows) {
    wnd.m_sliderSensitivity.SetPadpos(90);
    wnd.m_lblSensitivityValue.SetText(u"120");
    m_log.Clear();
    wnd.OnMouseMove(0, 100 + row.dx, 194 + row.dy);
    EXPECT_EQ(row.inside ? "90" : "120", Text(wnd.m_lblSensitivityValue)) << row.dx << "," << row.dy;
    EXPECT_EQ(row.inside ? Lines{"timer 12 2000"} : Lines{}, m_log.Of({"timer"}))
        << row.dx << "," << row.dy;
  }
  EXPECT_EQ(120, wnd.m_config.minacc_x) << "a move commits nothing";
}

TEST_F(RefreshTest, SensitivityIsCommittedTwoSecondsAfterTheLastMove) {
  WriteSettings({u"minacc_y=100", u"minacc_z=110"});
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  auto dragTo = [&](int pos) {
    host::ui::SetSliderPad(wnd.m_sliderSensitivity, pos);
    wnd.OnMouseMove(0, 250, 229);
  };
  // Back at minacc_x before the 2 s are over: nothing is stored or saved.
  dragTo(90);
  RunUntil(1500);
  dragTo(120);
  RunUntil(4000);
  EXPECT_EQ(120, wnd.m_config.minacc_x);
  EXPECT_EQ(100, wnd.m_config.minacc_y);
  EXPECT_EQ(110, wnd.m_config.minacc_z);
  EXPECT_EQ(std::nullopt, Stored(u"minacc_x"));

  // Every move restarts the 2 s.
  dragTo(95);
  RunUntil(5000);
  dragTo(90);
  RunUntil(6999);
  EXPECT_EQ(120, wnd.m_config.minacc_x);
  RunUntil(7000);
  for (int value : {wnd.m_config.minacc_x, wnd.m_config.minacc_y, wnd.m_config.minacc_z}) {
    EXPECT_EQ(90, value);
  }
  for (const char16_t* key : {u"minacc_x", u"minacc_y", u"minacc_z"}) {
    EXPECT_EQ(90, Stored(key));
  }
  EXPECT_EQ(2, m_log.Count("kill 12"));
}

}  // namespace
