// Start-up of the application: the window over work areas of other sizes, and the settings it
// starts from. The layout at 480 x 720 is in tests/app/start_up_test.cpp; the first start
// without settings is a full trace (startup_no_settings.trace).
#include "tests/scenarios/scenario_test.h"

namespace scenario_test {
namespace {

using StartUpScenario = ScenarioTest;

// The value label at the window widths of these scenarios: its x is the width less 60.
constexpr char kValueLabelAtWidth0[] = "@-60,194";
constexpr char kValueLabelAtWidth320[] = "@260,194";

Json Rect(int x, int y, int width, int height) { return {x, y, width, height}; }

// A snapshot's fields for the slider's position and the four switches' states (1 on, 0 off).
Json SettingsShown(int pos, int gesture, int autoHide, int autoRun, int autoPlay) {
  return {{kSlider + "/pos", pos},
          {kGestureSwitch + "/state", gesture},
          {kAutoHideSwitch + "/state", autoHide},
          {kAutoRunSwitch + "/state", autoRun},
          {kAutoPlaySwitch + "/state", autoPlay}};
}

TEST_F(StartUpScenario, EmptyWorkAreaPlacesEverythingByTheSameRules) {
  Run("startup_empty_work_area");
  EXPECT_TRUE(Events({"snapshot"},
                     {Snapshot(0, {{"/window/rect", Rect(0, 0, 0, 0)},
                                   {"/window/visible", true},
                                   {"/window/controls/0/rect", Rect(0, -65, 0, 65)},
                                   {kScroll + "/rect", Rect(0, 0, 0, -65)},
                                   {kStartButton + "/rect", Rect(50, 82, -100, 70)},
                                   {kValueControl + "/rect", Rect(-60, 194, 50, 70)},
                                   {kSlider + "/rect", Rect(100, 194, -180, 70)},
                                   {kGestureSwitch + "/rect", Rect(-120, 264, 110, 70)},
                                   {kAutoPlaySwitch + "/rect", Rect(-120, 474, 110, 70)}})}));
  EXPECT_TRUE(Events({Expected("text", {{"ctl", kValueLabelAtWidth0}}), "open",
                      Expected("fire", {{"id", TIMER_POLL}})},
                     {Text(0, kValueLabelAtWidth0, "120"), Open(0, true), Fire(100, TIMER_POLL),
                      Fire(200, TIMER_POLL), Fire(300, TIMER_POLL)}));
}

TEST_F(StartUpScenario, SmallWorkAreaScrolls) {
  Run("startup_small_work_area");
  EXPECT_TRUE(Events({"snapshot"},
                     {Snapshot(0, {{"/window/rect", Rect(0, 40, 320, 440)},
                                   {"/window/controls/0/rect", Rect(0, 375, 320, 65)},
                                   {kScroll + "/rect", Rect(0, 0, 320, 375)},
                                   {kScroll + "/scrollbar", true},
                                   {kStartButton + "/rect", Rect(50, 82, 220, 70)},
                                   {kValueControl + "/rect", Rect(260, 194, 50, 70)},
                                   {kSlider + "/rect", Rect(100, 194, 140, 70)},
                                   {kGestureSwitch + "/rect", Rect(200, 264, 110, 70)},
                                   {kAutoPlaySwitch + "/rect", Rect(200, 474, 110, 70)}})}));
  // The player runs: the status line and the start button keep their first texts.
  EXPECT_TRUE(Events({StatusTexts(), StartButtonTexts(),
                      Expected("text", {{"ctl", kValueLabelAtWidth320}}), "open", "timer"},
                     {Status(0, kGettingState), StartButtonText(0, kPlayerRunningButton),
                      Text(0, kValueLabelAtWidth320, "120"), Open(0, true),
                      Timer(0, TIMER_POLL, 100)}));
}

TEST_F(StartUpScenario, StoredSettingsAreLoadedBeforeTheWindowExists) {
  Run("startup_stored_settings");
  const std::string stored = SettingsText(95, 85, 110, 0, 0, 0, 0);
  EXPECT_TRUE(Events({"fopen", "title", Expected("kill", {{"id", TIMER_SENSITIVITY}})},
                     {AnyNumberOf(SettingsOpen(0, false)), Title(0),
                      // Dragged to 100 and back to 95: the commit saves nothing.
                      Kill(2000, TIMER_SENSITIVITY),
                      SettingsSave(2000)}));  // exit processing
  EXPECT_TRUE(Events({ValueTexts(), StatusTexts(), "debug", "timer", "kill", "launch",
                      Expected("fire", {{"id", TIMER_POLL}})},
                     {Status(0, kGettingState), Value(0, "95"), Status(0, kPlayerMissing),
                      // Gesture control off: a reference of a device never opened given
                      // back, the poll that never ran stopped; auto-run off: no launch.
                      Debug(0, kOpenFailedErr18), Kill(0, TIMER_POLL), Status(0, kGestureOff),
                      Value(0, "100"), Timer(0, TIMER_SENSITIVITY, 2000),
                      Value(0, "95"), Timer(0, TIMER_SENSITIVITY, 2000),
                      Value(2000, "95"), Kill(2000, TIMER_SENSITIVITY)}));
  EXPECT_TRUE(Events({"snapshot"}, {Snapshot(0, SettingsShown(95, 0, 0, 0, 0))}));
  EXPECT_TRUE(Events({FileEvents()}, {SettingsFile(0, stored), SettingsFile(2000, stored)}));
}

TEST_F(StartUpScenario, StoredValuesOutsideTheirLimits) {
  Run("startup_settings_limits");
  EXPECT_TRUE(Events({ValueTexts(), StatusTexts(), "launch"},
                     {Status(0, kGettingState), Value(0, "80"), Status(0, kGestureOff)}));
  EXPECT_TRUE(Events({"snapshot"}, {Snapshot(0, SettingsShown(80, 0, 0, 1, 1))}));
  // Exit processing saves the values as loaded; the key "skin" stays.
  const std::string stored =
      "[Powered By Zelbin]\r\n  minacc_x=79\r\n  minacc_y=129\r\n  minacc_z=-5\r\n  autoacc=2"
      "\r\n  autohide=2\r\n  autorun=1\r\n  skin=dark";
  const std::string saved =
      "[Powered By Zelbin]\r\n  minacc_x=80\r\n  minacc_y=128\r\n  minacc_z=80\r\n  autoacc=0"
      "\r\n  autohide=0\r\n  autorun=1\r\n  skin=dark\r\n  autoplay=1";
  EXPECT_TRUE(Events({FileEvents()}, {SettingsFile(0, stored), AnyNumberOf(FileEvents()),
                                      SettingsFile(0, saved)}));
}

}  // namespace
}  // namespace scenario_test
