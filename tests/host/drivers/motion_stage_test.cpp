// The driver's motion stage: raw passes samples on, gravity takes out the slow part, and flick
// reads a push that swings back, at any sample rate, while steady shocks are held back.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "host/drivers/accelerometer.h"
#include "host/drivers/motion_stage.h"

namespace host {
namespace {

// x of the stage's output over a stream of samples every periodMs from 0 to endMs; the
// highest output after fromMs.
int HighestX(MotionMode mode, std::int64_t periodMs, std::int64_t endMs, std::int64_t fromMs,
             const std::function<AccCounts(std::int64_t)>& at) {
  MotionStage stage(mode);
  int highest = -100000;
  for (std::int64_t t = 0; t <= endMs; t += periodMs) {
    AccCounts out = stage.Apply(t, at(t));
    if (t >= fromMs) highest = std::max(highest, int{out.x});
  }
  return highest;
}

// Gravity on x (the handset's x pointing up) plus a push of pushG for pushMs at 5 s, then a
// swing back of swingG for as long.
std::function<AccCounts(std::int64_t)> FlickOnGravity(double pushG, double swingG,
                                                      std::int64_t pushMs) {
  return [=](std::int64_t t) {
    double g = 1.0;
    if (t >= 5000 && t < 5000 + pushMs) g += pushG;
    else if (t >= 5000 + pushMs && t < 5000 + 2 * pushMs) g -= swingG;
    return AccCounts{static_cast<std::int16_t>(std::lround(64 * g)), 0, 0};
  };
}

TEST(MotionStage, ModesNamesAndTheDefault) {
  for (MotionMode mode : {MotionMode::kRaw, MotionMode::kGravity, MotionMode::kFlick}) {
    EXPECT_EQ(mode, MotionModeNamed(MotionModeName(mode)));
  }
  EXPECT_EQ(std::nullopt, MotionModeNamed("Raw"));
  EXPECT_EQ(std::nullopt, MotionModeNamed(""));
  EXPECT_EQ("raw, gravity or flick", MotionModeNames());
  EXPECT_EQ(MotionMode::kFlick, kDefaultMotionMode);
}

TEST(MotionStage, WhatEachModeReadsOfFlicksAndHeldTilts) {
  struct Case {
    const char* what;
    MotionMode mode;
    std::int64_t periodMs;
    std::function<AccCounts(std::int64_t)> at;
    int low, high;  // the highest x after 4 s lies in [low, high]
  };
  auto still = [](std::int64_t) { return AccCounts{64, 0, 0}; };
  auto tilted = [](std::int64_t t) { return AccCounts{static_cast<std::int16_t>(t < 5000 ? 0 : 127), 0, 0}; };
  const Case cases[] = {
      {"raw: gravity adds", MotionMode::kRaw, 10, still, 64, 64},
      {"raw: a flick on gravity", MotionMode::kRaw, 10, FlickOnGravity(2.0, 1.0, 80), 192, 192},
      {"gravity: at rest reads nothing", MotionMode::kGravity, 10, still, 0, 0},
      {"gravity: the flick without gravity", MotionMode::kGravity, 10,
       FlickOnGravity(2.0, 1.0, 80), 118, 128},
      {"flick: at rest reads nothing", MotionMode::kFlick, 10, still, 0, 0},
      {"flick: 2 g swinging back 1 g reads 2 g", MotionMode::kFlick, 10,
       FlickOnGravity(2.0, 1.0, 80), 126, 130},
      {"flick: at 26 Hz too", MotionMode::kFlick, 38, FlickOnGravity(2.0, 1.0, 80), 126, 130},
      {"flick: 2.5 g for 120 ms", MotionMode::kFlick, 10, FlickOnGravity(2.5, 1.25, 120), 156,
       164},
      {"flick: a push that only comes back to rest reads 2/3 of it", MotionMode::kFlick, 10,
       FlickOnGravity(2.0, 0.0, 80), 82, 88},
      {"flick: a held tilt reads nothing", MotionMode::kFlick, 10, tilted, -10, 10},
  };
  for (const Case& c : cases) {
    int highest = HighestX(c.mode, c.periodMs, 8000, 4000, c.at);
    EXPECT_GE(highest, c.low) << c.what;
    EXPECT_LE(highest, c.high) << c.what;
  }
}

TEST(MotionStage, SteadyShocksMustBeatTheirOwnHeight) {
  // After 3 s at rest, strides every 400 ms of a 3 g push swinging back 1.5 g: alone, each
  // would read 3 g; after the first second the guard keeps them below the default threshold.
  MotionStage stage(MotionMode::kFlick);
  int over = 0;
  for (std::int64_t t = 0; t <= 20'000; t += 10) {
    std::int64_t phase = t % 400;
    double g = t < 3000 ? 0.0 : phase < 60 ? 3.0 : phase < 120 ? -1.5 : 0.0;
    AccCounts out = stage.Apply(t, AccCounts{0, 0, static_cast<std::int16_t>(std::lround(64 * g))});
    if (out.z >= 120 && t >= 4000) ++over;
  }
  EXPECT_EQ(0, over);  // after the first strides of the first second
  // A flick two seconds after the strides end reads as it would alone.
  int flick = 0;
  for (std::int64_t t = 20'010; t <= 23'000; t += 10) {
    double g = t >= 22'500 && t < 22'580 ? 2.0 : t >= 22'580 && t < 22'660 ? -1.0 : 0.0;
    flick = std::max<int>(flick, stage.Apply(t, AccCounts{0, 0, static_cast<std::int16_t>(std::lround(64 * g))}).z);
  }
  EXPECT_GE(flick, 120);
}

TEST(MotionStage, ResetForgetsAndTimeGoingBackStartsAfresh) {
  MotionStage stage(MotionMode::kGravity);
  for (std::int64_t t = 0; t <= 5000; t += 10) stage.Apply(t, AccCounts{0, 0, 64});
  EXPECT_EQ(0, stage.Apply(5010, AccCounts{0, 0, 64}).z);
  // Afresh, the first sample is all gravity.
  EXPECT_EQ(0, stage.Apply(0, AccCounts{0, 0, -64}).z);
  stage.Reset();
  EXPECT_EQ(0, stage.Apply(100, AccCounts{50, 0, 0}).x);
}

}  // namespace
}  // namespace host
