// The settings file over a run of the application: when it is loaded and saved, and what it
// holds in the end.
#include "tests/scenarios/scenario_test.h"

namespace scenario_test {
namespace {

using SettingsScenario = ScenarioTest;

const std::string kDefaults = SettingsText(120, 120, 120, 1, 0, 0, 1);

TEST_F(SettingsScenario, ExitSavesAndExitProcessingSavesAgain) {
  Run("exit");
  EXPECT_TRUE(Events({WriteOpens(), "quit", "close", "exit"},
                     {SettingsOpen(0, true),  // the file made, with the mark alone
                      SettingsSave(0), Quit(0), Close(0), SettingsSave(0), Exit(0)}));
  // The second save writes the values the file holds: it stays as it is.
  EXPECT_TRUE(Events({FileEvents(), "quit"},
                     {SettingsFile(0, ""), AnyNumberOf(FileEvents()), SettingsFile(0, kDefaults),
                      Quit(0)}));
}

TEST_F(SettingsScenario, EveryChangeSavesAllSevenKeys) {
  Run("settings_exit");
  EXPECT_TRUE(Events({WriteOpens(), "quit", "close", "exit",
                      Expected("kill", {{"id", TIMER_SENSITIVITY}})},
                     {SettingsOpen(0, true),
                      SettingsSave(0),                                   // auto-run on
                      SettingsSave(2000), Kill(2000, TIMER_SENSITIVITY),  // the slider at 100
                      SettingsSave(2000),                                // auto-play off
                      SettingsSave(2000), Quit(2000),                    // Exit; ACC0: stays open
                      SettingsSave(2000), Exit(2000)}));                 // exit processing
  EXPECT_TRUE(Events({FileEvents(), "quit"},
                     {AnyNumberOf(FileEvents()),
                      SettingsFile(0, SettingsText(120, 120, 120, 1, 0, 1, 1)),
                      AnyNumberOf(FileEvents()),
                      SettingsFile(2000, SettingsText(100, 100, 100, 1, 0, 1, 1)),
                      SettingsFile(2000, SettingsText(100, 100, 100, 1, 0, 1, 0)), Quit(2000)}));
}

TEST_F(SettingsScenario, CloseAllSavesOnlyAtExitProcessing) {
  Run("settings_close_all");
  const std::string replaced = SettingsText(100, 100, 100, 0, 0, 1, 0);
  EXPECT_TRUE(Events({WriteOpens(), "post", "quit", "exit"},
                     {CloseRequest(0), Quit(0), SettingsSave(0), Exit(0)}));
  // The application's own values, auto-hide on, go back over the other program's, key by key.
  EXPECT_TRUE(Events({FileEvents(), "quit"},
                     {SettingsFile(0, replaced), Quit(0), AnyNumberOf(FileEvents()),
                      SettingsFile(0, SettingsText(120, 120, 120, 1, 1, 0, 1))}));
}

TEST_F(SettingsScenario, ExecutableInTheRootFolderKeepsItsSettingsThere) {
  Run("settings_root_folder");
  const char kRootFile[] = "\\config.ini";
  const std::string gestureOff = SettingsText(120, 120, 120, 0, 0, 0, 1);
  EXPECT_TRUE(Events({Expected("file", {{"path", kRootFile}, {"text", ""}}),
                      Expected("file", {{"path", kRootFile}, {"text", gestureOff}}),
                      Expected("file", {{"path", kSettingsFile}}), WriteOpens()},
                     {SettingsOpen(0, true, kRootFile), SettingsFile(0, "", kRootFile),
                      // Gesture control off: the first save fills it.
                      SettingsSave(0, kRootFile), SettingsFile(0, gestureOff, kRootFile),
                      Expected("file", {{"path", kSettingsFile}, {"exists", false}}, 0),
                      SettingsSave(0, kRootFile)}));
}


// Ending the application within the 2 s after a drag of the slider: the value the slider shows
// is saved, whether by Exit (which saves it at once) or by exit processing after Close all or
// the handset's shutdown. A pad position that no pointer move showed is not committed.
struct PendingSlider {
  const char* script;
  int stored;  // the thresholds in the file at the end
  bool exitSaves;  // Exit's own save writes it as well
};

class PendingSliderScenario : public ScenarioTest,
                              public testing::WithParamInterface<PendingSlider> {};

void PrintTo(const PendingSlider& c, std::ostream* os) { *os << c.script; }

TEST_P(PendingSliderScenario, EndingBeforeTheCommitSavesTheValueShown) {
  const PendingSlider& c = GetParam();
  Run(c.script);
  // The file as last written; a save of the values it holds already leaves it as it is.
  const Expected stored("file", {{"text", SettingsText(c.stored, c.stored, c.stored, 0, 0, 0, 1)}});
  EXPECT_TRUE(Events({FileEvents(), "exit"}, {AnyNumberOf(FileEvents()), stored, Exit(500)}));
  if (c.exitSaves) {
    EXPECT_TRUE(Events({FileEvents(), "quit"}, {AnyNumberOf(FileEvents()), stored, Quit(500)}));
  }
  EXPECT_TRUE(Events({Expected("fire", {{"id", TIMER_SENSITIVITY}})}, {}))
      << "the commit's timer never fires";
}

INSTANTIATE_TEST_SUITE_P(
    Ending, PendingSliderScenario,
    testing::Values(PendingSlider{"slider_exit_pending", 104, true},
                    PendingSlider{"slider_close_all_pending", 104, false},
                    PendingSlider{"slider_shutdown_pending", 104, false},
                    PendingSlider{"slider_shutdown_unshown", 120, false}),
    [](const testing::TestParamInfo<PendingSlider>& info) {
      return std::string(info.param.script);
    });

}  // namespace
}  // namespace scenario_test
