// The main window's commands as a user gives them: the toolbar, the switches, the operations
// menu and the one-shot timers they arm.
#include "tests/scenarios/scenario_test.h"

namespace scenario_test {
namespace {

using CommandScenario = ScenarioTest;

TEST_F(CommandScenario, ToolbarHidesAndOtherCommandsDoNothing) {
  Run("commands_toolbar");
  EXPECT_TRUE(Events({"show", "timer", "kill", "post", "quit", "menu", "launch", "open", "close",
                      "debug", "invalidate", StatusTexts()},
                     {Status(0, kGettingState), Open(0, true), Timer(0, TIMER_POLL, 100),
                      Show(0, kMainWindow, kSwShow),
                      // The gesture switch, then 0x1006B: the same switch read again.
                      Debug(0, kClosing), Close(0), Kill(0, TIMER_POLL), Status(0, kGestureOff),
                      Invalidate(0), Debug(0, kOpenFailedErr0), Kill(0, TIMER_POLL),
                      Status(0, kGestureOff), Invalidate(0),
                      // Hide; the toolbar's index 3 and -1, ids 102, 106, 104, 0, 111: nothing.
                      Show(0, kMainWindow, kSwHide),
                      // Exit.
                      Quit(0), Debug(0, kOpenFailedErr0)}));
}

TEST_F(CommandScenario, GestureSwitchClosesAndReopensTheDevice) {
  Run("switch_gesture");
  EXPECT_TRUE(Events({"open", "close", "ioctl", "timer", "kill", StatusTexts()},
                     {Status(0, kGettingState), Open(0, true), HandOver(0),
                      Timer(0, TIMER_POLL, 100),
                      Close(0), Kill(0, TIMER_POLL), Status(0, kGestureOff),
                      // On again: the status line is left as it was.
                      Open(300, true), HandOver(300), Timer(300, TIMER_POLL, 100)}));
}

TEST_F(CommandScenario, SelfHideComesTwoSecondsAfterTheLastRefresh) {
  Run("self_hide_timer");
  EXPECT_TRUE(Events({"show", "timer", "kill", "post", "quit", "invalidate", StatusTexts()},
                     {Status(0, kGettingState), Timer(0, TIMER_POLL, 100),
                      Show(0, kMainWindow, kSwShow),
                      Timer(0, TIMER_POLL, 100), Timer(0, TIMER_SELF_HIDE, 2000),
                      Timer(1500, TIMER_POLL, 100), Timer(1500, TIMER_SELF_HIDE, 2000),
                      Show(3500, kMainWindow, kSwHide), Kill(3500, TIMER_SELF_HIDE),
                      // Gesture control off: no self-hide armed.
                      Kill(3500, TIMER_POLL), Status(3500, kGestureOff), Invalidate(3500)}));
  // Timers 0, 2, 14 and 0xFFFFFFFF reach the window and do nothing (nothing follows above).
  EXPECT_TRUE(Events({Expected("fire", Json::object(), 6000)},
                     {Fire(6000, 0), Fire(6000, 2), Fire(6000, 14), Fire(6000, 0xFFFFFFFF)}));
}

TEST_F(CommandScenario, OperationsMenuItemsAct) {
  Run("menu_items");
  const Json rect = {40, 420, 400, 280};  // on the bottom of the work area 40,60 - 440,700
  EXPECT_TRUE(Events(
      {"menu", "menu-end", "post", Expected("timer", {{"id", TIMER_RECHECK}}), "quit",
       StatusTexts(), StartButtonTexts()},
      {Status(0, kGettingState), StartButtonText(0, kPlayerRunningButton),
       Status(0, kGestureOff),
       Menu(0, rect), MenuEnd(0, IDM_BACK),
       Menu(0, rect), MenuEnd(0, IDM_PAUSE), PlayerCommand(0, kPlayerToggle),
       Menu(0, rect), MenuEnd(0, 0),           // tapped outside
       Menu(0, rect), MenuEnd(0, IDM_PAUSE),   // no player: nothing posted
       Menu(0, rect), MenuEnd(0, IDM_CLOSE_MUSIC), CloseRequest(0, nullptr),
       Timer(0, TIMER_RECHECK, 2000),
       Status(2000, kPlayerMissing), StartButtonText(2000, kStartPlayerButton),
       Status(2000, kGestureOff),
       Menu(2000, rect), MenuEnd(2000, IDM_CLOSE_ALL), CloseRequest(2000, nullptr), Quit(2000)}));
}

TEST_F(CommandScenario, SliderIsCommittedTwoSecondsAfterTheLastMoveInsideIt) {
  Run("slider_commit");
  const Expected sensitivityTimer("timer", {{"id", TIMER_SENSITIVITY}});
  const Expected sensitivityKill("kill", {{"id", TIMER_SENSITIVITY}});
  EXPECT_TRUE(Events({ValueTexts(), sensitivityTimer, sensitivityKill},
                     {Value(0, "120"), Value(0, "90"), Timer(0, TIMER_SENSITIVITY, 2000),
                      // The move on the slider's edge does nothing.
                      Value(1000, "95"), Timer(1000, TIMER_SENSITIVITY, 2000),
                      Value(3000, "95"), Kill(3000, TIMER_SENSITIVITY)}));
  // Saved once by the commit, between the gesture switch and exit processing.
  EXPECT_TRUE(Events({WriteOpens(), sensitivityKill},
                     {SettingsOpen(0, true), SettingsSave(0), SettingsSave(3000),
                      Kill(3000, TIMER_SENSITIVITY), SettingsSave(3000)}));
  EXPECT_TRUE(Events({Expected("file", {{"text", SettingsText(95, 95, 95, 0, 0, 0, 1)}})},
                     {SettingsFile(3000, SettingsText(95, 95, 95, 0, 0, 0, 1))}));
}

TEST_F(CommandScenario, SliderNumberShowsTheValueCommittedAfterADragPastTheEnd) {
  Run("slider_past_end");
  const std::string stored = SettingsText(80, 80, 80, 0, 0, 0, 1);
  EXPECT_TRUE(Events({ValueTexts(), Expected("file", {{"text", stored}})},
                     {Value(0, "120"), Value(0, "96"), Value(2000, "80"),
                      SettingsFile(2000, stored)}));
}

TEST_F(CommandScenario, SliderEdgesAreOutsideAndAReturnSavesNothing) {
  Run("slider_edges");
  const std::vector<Expected> inside = {Value(0, "100"), Invalidate(0),
                                        Timer(0, TIMER_SENSITIVITY, 2000)};
  EXPECT_TRUE(Events({ValueTexts(), "invalidate", Expected("timer", {{"id", TIMER_SENSITIVITY}}),
                      Expected("kill", {{"id", TIMER_SENSITIVITY}})},
                     {Value(0, "120"), Invalidate(0),  // the gesture switch
                      // Four moves on the edges: nothing; four one pixel inside.
                      inside, inside, inside, inside,
                      Value(1000, "120"), Invalidate(1000), Timer(1000, TIMER_SENSITIVITY, 2000),
                      Value(3000, "120"), Kill(3000, TIMER_SENSITIVITY)}));
  // Only exit processing saves.
  EXPECT_TRUE(Events({WriteOpens()}, {SettingsSave(3000)}));
}

}  // namespace
}  // namespace scenario_test
