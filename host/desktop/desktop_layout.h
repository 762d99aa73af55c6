// Where things lie in the desktop window: the handset's screen at the top, scaled to the window
// with its aspect kept and centred, and under it a footer with what the music player plays, the
// accelerometer's live values and a tilt pad. All in window pixels. A narrow window stacks the
// footer: the values above, the pad under them.
#pragma once

#include <utility>

#include "host/drivers/accelerometer.h"
#include "platform/windows.h"

namespace host::desktop {

struct DesktopLayout {
  int width = 0;
  int height = 0;
  double scale = 1.0;  // window pixels per work-area pixel
  RECT screen{};       // where the work area is drawn, scaled
  RECT footer{};       // the footer: the window's full width, under the screen
  RECT nowPlaying{};   // the first line of the footer
  RECT readout{};      // the accelerometer's values
  RECT tiltPad{};      // a square: at the footer's right, or under the values when narrow
};

// Footers narrower than this stack the values over the pad.
inline constexpr int kNarrowFooter = 400;

// The height of the footer in a window this wide.
int FooterHeight(int windowWidth);

// The work area at its own size (scale 1).
DesktopLayout LayoutFor(int workWidth, int workHeight);
// The layout in a window of windowWidth x windowHeight: the screen as large as fits above the
// footer.
DesktopLayout LayoutIn(int workWidth, int workHeight, int windowWidth, int windowHeight);
// The window size for a work area on a display whose usable area is availWidth x availHeight:
// the work area at preferredScale (above 1 on HiDPI displays), smaller when it does not fit.
std::pair<int, int> WindowSizeFor(int workWidth, int workHeight, int availWidth,
                                  int availHeight, double preferredScale);

// The work-area point under a window point (the inverse of the screen's scaling); outside the
// screen it lies outside the work area.
POINT WorkAreaPoint(const DesktopLayout& layout, int x, int y);
// The window rectangle that shows a work-area rectangle.
RECT WindowRect(const DesktopLayout& layout, const RECT& workArea);

// The tilt the pad gives at a window point: x grows to the right, z downwards (the handset's top
// tilted towards the user), the pad's edges being ±127; points outside are clamped.
std::pair<int, int> TiltAt(const RECT& pad, int x, int y);
// Where the pad shows a tilt of x, z (the inverse of TiltAt).
POINT PadPoint(const RECT& pad, int x, int z);

}  // namespace host::desktop
