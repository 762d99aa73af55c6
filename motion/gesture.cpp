#include "motion/gesture.h"

Gesture DetectGesture(std::int8_t x, std::int8_t z, int minaccX, int minaccZ) {
  if (static_cast<int>(x) >= minaccX) return Gesture::kNext;
  if (static_cast<int>(z) >= minaccZ) return Gesture::kPrevious;
  return Gesture::kNone;
}
