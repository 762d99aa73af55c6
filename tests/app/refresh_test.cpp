// The state refresh and the start of the player, by the combinations that decide them. The
// one-shot timers and the slider over time are in the scenarios (tests/scenarios/).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "host/ui/ui_state.h"
#include "player/player_control.h"
#include "tests/app/app_handset.h"

namespace {

using Lines = std::vector<std::string>;

class RefreshTest : public AppHandset {
 protected:
  // The start button as "text type enabled".
  static std::string StartButton(CAccWnd& wnd) {
    const host::ui::ControlState& button = host::ui::StateOf(wnd.m_btnStartMusic);
    return Text(wnd.m_btnStartMusic) + " " + std::to_string(button.buttonType) +
           (button.enabled ? " enabled" : " disabled");
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
      {"no accelerometer, auto run fails", false, false, {u"autorun=1"}, false,
       "启动重力加速器失败", kMissingButton, {"launch \\Windows\\MzMusic.exe false"}, 0},
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







}  // namespace
