// The gesture detector's decision on one accelerometer sample: skip to the next song, to the
// previous one, or nothing. The main window's poll tick (app/acc_gesture.cpp) reads the sample,
// keeps the deaf time and asks the player.
#pragma once

#include <cstdint>

enum class Gesture { kNone, kNext, kPrevious };

// x (taken as a signed byte) at or above minaccX means the next song; otherwise z at or above
// minaccZ the previous one. x wins when both are reached; the y axis plays no part.
Gesture DetectGesture(std::int8_t x, std::int8_t z, int minaccX, int minaccZ);
