#include "host/desktop/desktop_layout.h"

#include <algorithm>
#include <cmath>

namespace host::desktop {
namespace {

constexpr int kNowPlayingHeight = 40;
constexpr int kPadSize = 104;
constexpr int kMargin = 10;
constexpr int kReadoutRows = 3;
constexpr int kReadoutRow = 30;
constexpr int kFullScale = 127;
// The screen never shrinks below this share of its size, however small the window.
constexpr double kMinScale = 0.1;

int Scaled(int pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }

}  // namespace

int FooterHeight(int windowWidth) {
  int height = kNowPlayingHeight + kPadSize + 2 * kMargin;
  if (windowWidth < kNarrowFooter) height += kReadoutRows * kReadoutRow + kMargin;
  return height;
}

DesktopLayout LayoutFor(int workWidth, int workHeight) {
  return LayoutIn(workWidth, workHeight, workWidth, workHeight + FooterHeight(workWidth));
}

DesktopLayout LayoutIn(int workWidth, int workHeight, int windowWidth, int windowHeight) {
  DesktopLayout layout;
  layout.width = windowWidth;
  layout.height = windowHeight;
  int footerHeight = FooterHeight(windowWidth);
  double fitWidth = static_cast<double>(windowWidth) / std::max(workWidth, 1);
  double fitHeight = static_cast<double>(windowHeight - footerHeight) / std::max(workHeight, 1);
  layout.scale = std::max(kMinScale, std::min(fitWidth, fitHeight));
  int screenWidth = Scaled(workWidth, layout.scale);
  int screenHeight = Scaled(workHeight, layout.scale);
  int left = std::max(0, (windowWidth - screenWidth) / 2);
  layout.screen = {left, 0, left + screenWidth, screenHeight};
  int top = screenHeight;
  layout.footer = {0, top, windowWidth, top + footerHeight};
  layout.nowPlaying = {0, top, windowWidth, top + kNowPlayingHeight};
  top += kNowPlayingHeight + kMargin;
  if (windowWidth < kNarrowFooter) {
    layout.readout = {kMargin, top, windowWidth - kMargin, top + kReadoutRows * kReadoutRow};
    top = layout.readout.bottom + kMargin;
    int padLeft = (windowWidth - kPadSize) / 2;
    layout.tiltPad = {padLeft, top, padLeft + kPadSize, top + kPadSize};
  } else {
    layout.tiltPad = {windowWidth - kMargin - kPadSize, top, windowWidth - kMargin,
                      top + kPadSize};
    layout.readout = {kMargin, top, layout.tiltPad.left - kMargin, top + kPadSize};
  }
  return layout;
}

std::pair<int, int> WindowSizeFor(int workWidth, int workHeight, int availWidth,
                                  int availHeight, double preferredScale) {
  double scale = preferredScale;
  // The footer's height depends on the width: two rounds settle it.
  for (int round = 0; round < 2; ++round) {
    int footer = FooterHeight(Scaled(workWidth, scale));
    double fit = std::min(static_cast<double>(availWidth) / std::max(workWidth, 1),
                          static_cast<double>(availHeight - footer) / std::max(workHeight, 1));
    scale = std::max(kMinScale, std::min(preferredScale, fit));
  }
  int width = Scaled(workWidth, scale);
  return {width, Scaled(workHeight, scale) + FooterHeight(width)};
}

POINT WorkAreaPoint(const DesktopLayout& layout, int x, int y) {
  auto back = [&](int d) { return static_cast<LONG>(std::floor(d / layout.scale)); };
  return {back(x - layout.screen.left), back(y - layout.screen.top)};
}

RECT WindowRect(const DesktopLayout& layout, const RECT& r) {
  auto to = [&](int v) { return static_cast<LONG>(std::lround(v * layout.scale)); };
  return {layout.screen.left + to(r.left), layout.screen.top + to(r.top),
          layout.screen.left + to(r.right), layout.screen.top + to(r.bottom)};
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
