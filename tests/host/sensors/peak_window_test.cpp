// The peak window: per axis the highest sample of (t - 100 ms, t], else the latest sample.
#include <gtest/gtest.h>

#include <string>

#include "host/kernel/clock.h"
#include "host/sensors/peak_window.h"

namespace host::sensors {
namespace {

std::string Text(std::optional<AccCounts> s) {
  if (!s) return "none";
  return std::to_string(s->x) + "," + std::to_string(s->y) + "," + std::to_string(s->z);
}

TEST(PeakWindow, ReadsThePeakOfTheLast100MsElseTheLatestSample) {
  struct Step {
    const char* what;
    std::int64_t atMs;
    std::optional<AccCounts> add;  // else read
    const char* read;
  };
  const Step steps[] = {
      {"nothing yet", 0, std::nullopt, "none"},
      {"rest", 0, AccCounts{0, 0, 64}, ""},
      {"flick of 30 ms", 40, AccCounts{125, -3, 60}, ""},
      {"back at rest", 70, AccCounts{0, 0, 64}, ""},
      {"the flick is within the span", 100, std::nullopt, "125,0,64"},
      {"still at 139", 139, std::nullopt, "125,0,64"},
      {"gone at 140: (40, 140]", 140, std::nullopt, "0,0,64"},
      {"nothing added for long: the latest", 5'000, std::nullopt, "0,0,64"},
      {"negative values: the highest", 5'010, AccCounts{-100, -5, -128}, ""},
      {"...of them all", 5'020, AccCounts{-90, -50, -120}, ""},
      {"per axis", 5'030, std::nullopt, "-90,-5,-120"},
      {"same millisecond merges", 5'030, AccCounts{-95, 7, -121}, ""},
      {"merged", 5'031, std::nullopt, "-90,7,-120"},
      {"a slot reused 100 ms later", 5'130, AccCounts{1, 1, 1}, ""},
      {"the older value is out", 5'130, std::nullopt, "1,1,1"},
      {"wide counts are kept (32 g)", 5'300, AccCounts{256, -300, 2048}, ""},
      {"...unclamped", 5'300, std::nullopt, "256,-300,2048"},
  };
  PeakWindow window;
  VirtualClock clock;
  for (const Step& step : steps) {
    clock.AdvanceTo(step.atMs);
    if (step.add) {
      window.Add(clock.NowMs(), *step.add);
    } else {
      EXPECT_EQ(step.read, Text(window.Peak(clock.NowMs()))) << step.what;
    }
  }
  window.Clear();
  EXPECT_EQ("none", Text(window.Peak(clock.NowMs())));
}

TEST(PeakWindow, SamplesAt100HzCatchEveryFlickLongerThanOnePeriod) {
  // A 15 ms flick among 100 Hz samples, read by a 100 ms poll at every phase.
  for (std::int64_t phase = 0; phase < 100; ++phase) {
    PeakWindow window;
    bool caught = false;
    for (std::int64_t t = 0; t <= 1'000; ++t) {
      if (t % 10 == 0) window.Add(t, AccCounts{static_cast<std::int16_t>(t >= 500 && t < 515 ? 127 : 0), 0, 0});
      if (t % 100 == phase && window.Peak(t)->x == 127) caught = true;
    }
    EXPECT_TRUE(caught) << "poll phase " << phase;
  }
}

}  // namespace
}  // namespace host::sensors
