// Tilting by hand: keys and the pad set x and z, and everything falls back to rest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/kernel/clock.h"
#include "host/sensors/manual_tilt.h"

namespace host::sensors {
namespace {

std::string Show(AccSample s) {
  return std::to_string(s.x) + " " + std::to_string(s.y) + " " + std::to_string(s.z);
}

TEST(ManualTilt, KeysLeanOneAxisEachWhileHeld) {
  struct Case {
    std::vector<TiltKey> held;
    const char* sample;
  };
  const Case cases[] = {
      {{}, "0 0 0"},
      {{TiltKey::kRight}, "127 0 0"},
      {{TiltKey::kDown}, "0 0 127"},
      {{TiltKey::kLeft}, "-127 0 0"},
      {{TiltKey::kUp}, "0 0 -127"},
      {{TiltKey::kRight, TiltKey::kDown}, "127 0 127"},
      {{TiltKey::kRight, TiltKey::kLeft}, "0 0 0"},
      {{TiltKey::kDown, TiltKey::kUp, TiltKey::kRight}, "127 0 0"},
  };
  for (const Case& c : cases) {
    VirtualClock clock;
    ManualTiltSensor sensor(clock);
    for (TiltKey key : c.held) sensor.Press(key);
    clock.Advance(100);  // held past the peak window's span
    EXPECT_EQ(c.sample, Show(*sensor.Read())) << c.held.size() << " keys";
    for (TiltKey key : c.held) sensor.Release(key);
    clock.Advance(100);
    EXPECT_EQ("0 0 0", Show(*sensor.Read()));
  }
}

TEST(ManualTilt, ReleasingOneKeyLeavesTheOtherAxisLeaning) {
  VirtualClock clock;
  ManualTiltSensor sensor(clock);
  sensor.Press(TiltKey::kRight);
  sensor.Press(TiltKey::kDown);
  sensor.Release(TiltKey::kRight);
  EXPECT_EQ("0 0 127", Show(sensor.Sample()));
}

TEST(ManualTilt, PadWinsOverKeysWhileHeldAndIsClamped) {
  VirtualClock clock;
  ManualTiltSensor sensor(clock);
  EXPECT_TRUE(sensor.Present());
  sensor.Press(TiltKey::kRight);
  sensor.SetPad(-40, 300);
  EXPECT_EQ("-40 0 127", Show(sensor.Sample()));
  sensor.SetPad(-500, 12);
  EXPECT_EQ("-128 0 12", Show(sensor.Sample()));
  sensor.ReleasePad();
  EXPECT_EQ("127 0 0", Show(sensor.Sample()));
  sensor.SetPad(5, 5);
  sensor.ReleaseAll();
  EXPECT_EQ("0 0 0", Show(sensor.Sample()));
}

}  // namespace
}  // namespace host::sensors

namespace host::sensors {
namespace {

TEST(ManualTilt, ATapShorterThanThePollCountsAtTheNextPoll) {
  VirtualClock clock;
  ManualTiltSensor sensor(clock);
  clock.AdvanceTo(1'030);
  sensor.Press(TiltKey::kRight);  // an instant tap: pressed and released at once
  sensor.Release(TiltKey::kRight);
  EXPECT_EQ("0 0 0", Show(sensor.Sample()));
  struct Case {
    std::int64_t at;
    const char* read;
  };
  const Case polls[] = {{1'030, "127 0 0"}, {1'100, "127 0 0"}, {1'129, "127 0 0"},
                        {1'130, "0 0 0"},   {1'200, "0 0 0"}};
  for (const Case& poll : polls) {
    clock.AdvanceTo(poll.at);
    EXPECT_EQ(poll.read, Show(*sensor.Read())) << poll.at;
  }
  // Held longer, it reads as held; released, the release counts once the press left the span.
  sensor.Press(TiltKey::kDown);
  clock.Advance(500);
  EXPECT_EQ("0 0 127", Show(*sensor.Read()));
  sensor.Release(TiltKey::kDown);
  EXPECT_EQ("0 0 0", Show(*sensor.Read()));
}

}  // namespace
}  // namespace host::sensors
