// Gesture detection with the real application: the poll, the device reads and the commands to
// the player over time. The detector's tick-by-tick rules are in tests/app/gesture_tick_test.cpp;
// the worked example is a full trace (gesture_worked_example.trace).
#include "tests/scenarios/scenario_test.h"

namespace scenario_test {
namespace {

using GestureScenario = ScenarioTest;

TEST_F(GestureScenario, CommandWithoutPlayerStillStartsTheDeafTime) {
  Run("gesture_no_player");
  EXPECT_TRUE(Events({Reads(), "open", "post", "timer", StatusTexts(), StartButtonTexts()},
                     {Status(0, kGettingState), StartButtonText(0, kPlayerRunningButton),
                      Open(0, true), Timer(0, TIMER_POLL, 100),
                      // No player: the refresh offers the start button and takes a further
                      // reference (no new open), then the tick has the last word.
                      Read(2100), Status(2100, kPlayerMissing),
                      StartButtonText(2100, kStartPlayerButton), Timer(2100, TIMER_POLL, 100),
                      Status(2100, kNoPlayerFound),
                      // The 20th tick after the failed command reads again.
                      Read(4100), PlayerCommand(4100, kPlayerNext), Status(4100, kPlayingNext)}));
}

TEST_F(GestureScenario, RestartedPollKeepsTheCounter) {
  Run("gesture_poll_restart");
  EXPECT_TRUE(Events({Reads(), "open", "close", "timer", "kill", "post"},
                     {Open(0, true), Timer(0, TIMER_POLL, 100), Read(2100),
                      Close(2100), Kill(2100, TIMER_POLL),
                      Open(3100, true), Timer(3100, TIMER_POLL, 100),
                      Read(3200), PlayerCommand(3200, kPlayerNext)}));
}

TEST_F(GestureScenario, FailedReadsOnlyCount) {
  Run("gesture_read_failures");
  EXPECT_TRUE(Events({Reads(), "post", StatusTexts(), "invalidate"},
                     {Status(0, kGettingState), Ticks(2100, 2500, ReadFailed),
                      Read(2600), PlayerCommand(2600, kPlayerNext), Status(2600, kPlayingNext),
                      Invalidate(2600)}));
}

TEST_F(GestureScenario, ThresholdsFromTheSliderAgainstSignedBytes) {
  Run("gesture_signed_bytes");
  const std::string thresholds128 = SettingsText(128, 128, 128, 1, 0, 0, 1);
  const std::string thresholds80 = SettingsText(80, 80, 80, 1, 0, 0, 1);
  EXPECT_TRUE(Events({"post", ValueTexts(), Expected("file", {{"text", thresholds128}}),
                      Expected("file", {{"text", thresholds80}})},
                     {Value(0, "120"), Value(0, "128"), Value(2000, "128"),
                      SettingsFile(2000, thresholds128), Value(2100, "80"), Value(4100, "80"),
                      SettingsFile(4100, thresholds80),
                      PlayerCommand(4300, kPlayerNext)}));
  // Listening throughout: every tick reads until the command.
  EXPECT_TRUE(Events({Reads()}, Ticks(2100, 4300, Read)));
}

}  // namespace
}  // namespace scenario_test
