#include "host/desktop/desktop_layout.h"

#include <algorithm>
#include <cmath>

namespace host::desktop {
namespace {

constexpr int kNowPlayingHeight = 40;
constexpr int kPadSize = 104;
constexpr int kMargin = 10;
constexpr int kFullScale = 127;

}  // namespace

DesktopLayout LayoutFor(int workWidth, int workHeight) {
  DesktopLayout layout;
  layout.width = workWidth;
  int footerHeight = kNowPlayingHeight + kPadSize + 2 * kMargin;
  layout.height = workHeight + footerHeight;
  layout.screen = {0, 0, workWidth, workHeight};
  layout.footer = {0, workHeight, workWidth, layout.height};
  layout.nowPlaying = {0, workHeight, workWidth, workHeight + kNowPlayingHeight};
  int top = workHeight + kNowPlayingHeight + kMargin;
  layout.tiltPad = {workWidth - kMargin - kPadSize, top, workWidth - kMargin, top + kPadSize};
  layout.readout = {kMargin, top, layout.tiltPad.left - kMargin, top + kPadSize};
  return layout;
}

std::pair<int, int> TiltAt(const RECT& pad, int x, int y) {
  double half = (pad.right - pad.left) / 2.0;
  if (half <= 0) return {0, 0};
  double cx = (pad.left + pad.right) / 2.0;
  double cy = (pad.top + pad.bottom) / 2.0;
  auto scale = [&](double d) {
    return std::clamp(static_cast<int>(std::lround(d / half * kFullScale)), -kFullScale,
                      kFullScale);
  };
  return {scale(x - cx), scale(y - cy)};
}

POINT PadPoint(const RECT& pad, int x, int z) {
  double half = (pad.right - pad.left) / 2.0;
  double cx = (pad.left + pad.right) / 2.0;
  double cy = (pad.top + pad.bottom) / 2.0;
  return {static_cast<LONG>(std::lround(cx + x * half / kFullScale)),
          static_cast<LONG>(std::lround(cy + z * half / kFullScale))};
}

}  // namespace host::desktop
