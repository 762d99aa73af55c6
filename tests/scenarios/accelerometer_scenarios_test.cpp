// The accelerometer as the application uses it: a failed open, and one device shared by
// reference counting.
#include "tests/scenarios/scenario_test.h"

namespace scenario_test {
namespace {

using AccelerometerScenario = ScenarioTest;

TEST_F(AccelerometerScenario, AbsentDeviceIsTriedAgainAtEveryRefresh) {
  Run("accelerometer_absent");
  EXPECT_TRUE(Events({"open", "debug", "timer", "kill", "show", StatusTexts()},
                     {Status(0, kGettingState),
                      Open(0, false), Debug(0, kOpenFailedNotThere),
                      Status(0, kAccelerometerFailed), Show(0, kMainWindow, kSwShow),
                      // Auto-hide on: tried again, failed again, so no self-hide.
                      Open(0, false), Debug(0, kOpenFailedNotThere),
                      Status(0, kAccelerometerFailed),
                      // Auto-play off, with the device there: the poll and the self-hide.
                      Open(3000, true), Timer(3000, TIMER_POLL, 100),
                      Timer(3000, TIMER_SELF_HIDE, 2000), Show(5000, kMainWindow, kSwHide),
                      Kill(5000, TIMER_SELF_HIDE)}));
}

TEST_F(AccelerometerScenario, DeviceClosesWithItsLastReference) {
  Run("accelerometer_references");
  EXPECT_TRUE(Events({"open", "ioctl", "close", "timer", "kill", "quit"},
                     {Open(0, true), HandOver(0), Timer(0, TIMER_POLL, 100),
                      Timer(0, TIMER_POLL, 100),                          // auto-play off: 2
                      Kill(0, TIMER_POLL),                                // gesture off: 1
                      Timer(0, TIMER_POLL, 100), Kill(0, TIMER_POLL),     // on: 2, off: 1
                      Quit(0), Close(0)}));                               // exit: 0
}

}  // namespace
}  // namespace scenario_test
