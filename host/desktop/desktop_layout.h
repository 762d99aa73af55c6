// Where things lie in the desktop window: the handset's screen at the top at its own size, and
// under it a footer with what the music player plays, the accelerometer's last sample and a tilt
// pad. All in window pixels.
#pragma once

#include <utility>

#include "host/drivers/accelerometer.h"
#include "platform/windows.h"

namespace host::desktop {

struct DesktopLayout {
  int width = 0;
  int height = 0;
  RECT screen{};      // the work area, drawn 1:1
  RECT footer{};      // everything under the screen
  RECT nowPlaying{};  // the first line of the footer
  RECT readout{};     // the accelerometer's values, left of the pad
  RECT tiltPad{};     // a square at the footer's right
};

// The layout for a work area of the size given.
DesktopLayout LayoutFor(int workWidth, int workHeight);

// The tilt the pad gives at a window point: x grows to the right, z downwards (the handset's top
// tilted towards the user), the pad's edges being ±127; points outside are clamped.
std::pair<int, int> TiltAt(const RECT& pad, int x, int y);
// Where the pad shows a tilt of x, z (the inverse of TiltAt).
POINT PadPoint(const RECT& pad, int x, int z);

}  // namespace host::desktop
