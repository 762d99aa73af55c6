// The music player as the application finds, starts, commands and closes it.
#include "tests/scenarios/scenario_test.h"

namespace scenario_test {
namespace {

using PlayerScenario = ScenarioTest;

const Expected kPlayerHideTimer("timer", {{"id", TIMER_PLAYER_HIDE}});
const Expected kPlayerHideKill("kill", {{"id", TIMER_PLAYER_HIDE}});

TEST_F(PlayerScenario, AutoRunStartsThePlayerAtOnce) {
  Run("autorun_launch");
  EXPECT_TRUE(Events(
      {"launch", "post", "timer", "kill", Expected("show", {{"to", kNowPlaying}}), StatusTexts()},
      {Status(0, kGettingState), Status(0, kPlayerMissing), Timer(0, TIMER_POLL, 100),
       // Auto-run on: the refresh launches the player; auto-play arms the player-hide timer.
       Status(0, kPlayerMissing), Launch(0, true), Status(0, kMusicStarted),
       Timer(0, TIMER_POLL, 100), Timer(0, TIMER_PLAYER_HIDE, 2000), Timer(0, TIMER_POLL, 100),
       PlayerCommand(2000, kPlayerToggle), Show(2000, kNowPlaying, kSwHide),
       Kill(2000, TIMER_PLAYER_HIDE),
       // The player gone and launches failing: auto-hide on refreshes, which tries a launch.
       Status(2000, kPlayerMissing), Launch(2000, false), Status(2000, kMusicFailed),
       Timer(2000, TIMER_POLL, 100), Timer(2000, TIMER_SELF_HIDE, 2000),
       // The start button tries once more.
       Launch(2000, false), Status(2000, kMusicFailed)}));
}

TEST_F(PlayerScenario, PlayerHideTimerTogglesAndHidesOnce) {
  Run("player_hide_timer");
  EXPECT_TRUE(Events({"launch", "post", "show", kPlayerHideTimer, kPlayerHideKill},
                     {Show(0, kMainWindow, kSwShow), Launch(0, true),
                      Timer(0, TIMER_PLAYER_HIDE, 2000), PlayerCommand(2000, kPlayerToggle),
                      Show(2000, kNowPlaying, kSwHide), Kill(2000, TIMER_PLAYER_HIDE),
                      // The player gone before the timer: nothing posted, no window hidden.
                      Launch(2000, true), Timer(2000, TIMER_PLAYER_HIDE, 2000),
                      Show(4000, nullptr, kSwHide), Kill(4000, TIMER_PLAYER_HIDE)}));
}

TEST_F(PlayerScenario, StartButtonArmsThePollOverAClosedDevice) {
  Run("start_button");
  EXPECT_TRUE(Events({"launch", "timer", "kill", "debug", "open", "close"},
                     {Open(0, true), Timer(0, TIMER_POLL, 100),
                      Debug(0, kClosing), Close(0), Kill(0, TIMER_POLL),  // gesture off
                      Launch(0, false),                                   // no timer
                      Debug(0, kOpenFailedErr18), Kill(0, TIMER_POLL),    // auto-play off
                      Launch(0, true), Timer(0, TIMER_POLL, 100),         // the poll alone
                      Debug(2100, kNotOpened)}));                         // its 21st tick
}

TEST_F(PlayerScenario, CloseMusicIsRecheckedTwoSecondsLater) {
  Run("close_music_recheck");
  EXPECT_TRUE(Events({"post", "open", "timer", "kill", StatusTexts(), StartButtonTexts()},
                     {Status(0, kGettingState), StartButtonText(0, kPlayerRunningButton),
                      Open(0, true), Timer(0, TIMER_POLL, 100), CloseRequest(0),
                      Timer(0, TIMER_RECHECK, 2000), Status(2000, kPlayerMissing),
                      StartButtonText(2000, kStartPlayerButton), Timer(2000, TIMER_POLL, 100),
                      Kill(2000, TIMER_RECHECK)}));
}

TEST_F(PlayerScenario, CloseMusicWithAutoRunStartsThePlayerAgain) {
  Run("close_music_autorun");
  EXPECT_TRUE(Events({"post", "launch", "timer", "kill", StatusTexts()},
                     {Status(0, kGettingState), Timer(0, TIMER_POLL, 100),
                      Timer(0, TIMER_POLL, 100), CloseRequest(0), Timer(0, TIMER_RECHECK, 2000),
                      Status(2000, kPlayerMissing), Launch(2000, true),
                      Status(2000, kMusicStarted), Timer(2000, TIMER_POLL, 100),
                      Timer(2000, TIMER_PLAYER_HIDE, 2000), Timer(2000, TIMER_POLL, 100),
                      Kill(2000, TIMER_RECHECK)}));
}

TEST_F(PlayerScenario, PlayerIsFoundByItsWholeExecutableNameInAnyCase) {
  Run("player_search_names");
  EXPECT_TRUE(Events({"post", "menu-end", Expected("text", {{"ctl", kStatusLine}, {"text", kNoPlayerFound}})},
                     {Status(2100, kNoPlayerFound),                // the gesture finds no player
                      MenuEnd(2100, IDM_PAUSE),                    // pause posts nothing
                      MenuEnd(2100, IDM_PAUSE), PlayerCommand(2100, kPlayerToggle),  // MZMUSIC.EXE
                      PlayerCommand(4100, kPlayerNext)}));
}

TEST_F(PlayerScenario, CommandsGoToTheFirstOfTheFourTitles) {
  Run("player_search_titles");
  EXPECT_TRUE(Events({"post"}, {PlayerCommand(0, kPlayerToggle, "播放列表"),
                                CloseRequest(0, "播放列表"),
                                PlayerCommand(0, kPlayerToggle, "艺术家"),
                                PlayerCommand(0, kPlayerToggle, kNowPlaying)}));
}

TEST_F(PlayerScenario, ProcessWithoutItsWindowsCountsAsNoPlayer) {
  Run("player_without_window");
  EXPECT_TRUE(Events({"launch", "post", StatusTexts()},
                     {Status(0, kGettingState), Status(0, kPlayerMissing),
                      Status(0, kPlayerMissing), Status(0, kGestureOff),  // gesture off
                      Status(0, kPlayerMissing), Launch(0, true),          // auto-run on
                      Status(0, kMusicStarted), Status(0, kGestureOff),
                      PlayerCommand(0, kPlayerToggle)}));
  EXPECT_TRUE(Events({"snapshot"},
                     {Snapshot(0, {{"/processes", {"MzMusic.exe", "Quorvane.exe", "MzMusic.exe"}}})}));
}

}  // namespace
}  // namespace scenario_test
