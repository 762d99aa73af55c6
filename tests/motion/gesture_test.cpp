// The detector's decision on one sample.
#include "motion/gesture.h"

#include <gtest/gtest.h>

namespace {

TEST(DetectGesture, XReachingItsThresholdWinsThenZ) {
  struct Case {
    int x, z, minaccX, minaccZ;
    Gesture expected;
  };
  const Case cases[] = {
      {119, 119, 120, 120, Gesture::kNone},
      {120, 0, 120, 120, Gesture::kNext},       // equal counts as reached
      {0, 120, 120, 120, Gesture::kPrevious},
      {125, 122, 120, 120, Gesture::kNext},     // both reached: x wins
      {127, 127, 128, 128, Gesture::kNone},     // 128 is out of a signed byte's reach
      {127, 127, 128, 80, Gesture::kPrevious},
      {-128, -56, 80, 80, Gesture::kNone},      // 0x80 and 0xC8 are negative
      {80, 0, 80, 128, Gesture::kNext},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, DetectGesture(static_cast<std::int8_t>(c.x),
                                        static_cast<std::int8_t>(c.z), c.minaccX, c.minaccZ))
        << c.x << " " << c.z << " " << c.minaccX << " " << c.minaccZ;
  }
}

}  // namespace
