// The gate of "gestures only while music plays": what the back-end is told and what a read
// answers as the driver opens and closes ACC0: and the player starts and stops.
#include "host/drivers/gesture_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/drivers/motion_stage.h"

namespace host {
namespace {

// A streaming back-end that logs what it is told and answers reads with its sample.
class LoggingSensor final : public AccelerometerSensor {
 public:
  bool Present() const override { return true; }
  std::optional<AccSample> Read() override {
    log += "read ";
    return ClampedToBytes(sample);
  }
  std::optional<MotionMode> motion_mode() const override { return mode; }
  void Opened() override { log += "opened "; }
  void Closed() override { log += "closed "; }

  std::string log;
  AccCounts sample{120, 0, 0};
  std::optional<MotionMode> mode = MotionMode::kFlick;
};

std::string Text(const std::optional<AccSample>& sample) {
  if (!sample) return "fail";
  return std::to_string(sample->x) + "," + std::to_string(sample->y) + "," +
         std::to_string(sample->z);
}

TEST(GestureGate, SamplesOnlyWhileTheDriverIsOpenAndThePlayerPlays) {
  LoggingSensor sensor;
  GestureGate gate(sensor);
  AccelerometerDriver driver(gate);
  struct Step {
    const char* action;  // open, close, play, pause, read
    const char* told;    // what the back-end heard
    const char* read;    // for read: what ACC0: answers
  };
  const std::vector<Step> steps = {
      {"read", "", "0,0,0"},  // not open, not playing: at rest
      {"open", "", ""},
      {"read", "", "0,0,0"},  // open but paused: at rest, and the back-end is not asked
      {"play", "opened ", ""},
      {"read", "read ", "120,0,0"},
      {"play", "", ""},  // no change: nothing told
      {"pause", "closed ", ""},
      {"read", "", "0,0,0"},
      {"play", "opened ", ""},  // afresh: the back-end forgets what it had
      {"close", "closed ", ""},
      {"pause", "", ""},  // ACC0: is closed: nothing to close
      {"play", "", ""},
      {"open", "opened ", ""},
      {"open", "", ""},  // a second handle
      {"close", "", ""},
      {"read", "read ", "120,0,0"},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    sensor.log.clear();
    std::string read;
    std::string action = step.action;
    if (action == "open") {
      ASSERT_EQ(DWORD{ERROR_SUCCESS}, driver.Open(0, 0));
    }
    if (action == "close") driver.Close();
    if (action == "play") gate.SetPlaying(true);
    if (action == "pause") gate.SetPlaying(false);
    if (action == "read") read = Text(gate.Read());
    EXPECT_EQ(step.told, sensor.log) << "step " << i << " (" << action << ")";
    EXPECT_EQ(step.read, read) << "step " << i << " (" << action << ")";
  }
  EXPECT_TRUE(gate.sampling());
}

TEST(GestureGate, ClosesTheBackEndWhenDestroyedOpen) {
  LoggingSensor sensor;
  {
    GestureGate gate(sensor);
    gate.Opened();
    gate.SetPlaying(true);
  }
  EXPECT_EQ("opened closed ", sensor.log);
}

TEST(GestureGate, AtRestNeverReachesAThreshold) {
  struct Case {
    std::optional<MotionMode> mode;
    AccTap tap;
    AccCounts expected;
  };
  const std::vector<Case> cases = {
      {MotionMode::kFlick, AccTap::kStaged, {0, 0, 0}},
      {MotionMode::kGravity, AccTap::kStaged, {0, 0, 0}},
      {MotionMode::kRaw, AccTap::kStaged, {0, 0, kAccCountsPerG}},
      // What a recorder reads before the stage: gravity on z, whatever the stage.
      {MotionMode::kFlick, AccTap::kSource, {0, 0, kAccCountsPerG}},
      // The hand tilt rests at 0.
      {std::nullopt, AccTap::kStaged, {0, 0, 0}},
      {std::nullopt, AccTap::kSource, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    LoggingSensor sensor;
    sensor.mode = c.mode;
    GestureGate gate(sensor);
    std::optional<AccCounts> read = gate.ReadCounts(c.tap);
    ASSERT_TRUE(read);
    EXPECT_EQ(c.expected, *read) << (c.mode ? MotionModeName(*c.mode) : "none");
    EXPECT_LT(read->x, 80);
    EXPECT_LT(read->z, 80);
    EXPECT_EQ("", sensor.log);
  }
}

TEST(GestureGate, ModeNames) {
  EXPECT_EQ(GestureMode::kWhenPlaying, GestureModeNamed("when-playing"));
  EXPECT_EQ(GestureMode::kAlways, GestureModeNamed("always"));
  EXPECT_EQ(std::nullopt, GestureModeNamed("playing"));
  EXPECT_EQ(std::nullopt, GestureModeNamed(""));
  EXPECT_STREQ("when-playing", GestureModeName(GestureMode::kWhenPlaying));
}

}  // namespace
}  // namespace host
