#include "host/screen/home_screen.h"

#include "host/screen/canvas.h"

namespace host::screen {
namespace {

constexpr int kMargin = 24;
constexpr int kRow = 96;
constexpr int kGap = 16;

}  // namespace

std::vector<RECT> HomeButtonRects(int width, int height, std::size_t count) {
  std::vector<RECT> rects;
  int top = kHomeHeading;
  for (std::size_t i = 0; i < count && top + kRow <= height; ++i) {
    rects.push_back({kMargin, top, width - kMargin, top + kRow});
    top += kRow + kGap;
  }
  return rects;
}

int HomeButtonAt(int width, int height, std::size_t count, int x, int y) {
  std::vector<RECT> rects = HomeButtonRects(width, height, count);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (Contains(rects[i], x, y)) return static_cast<int>(i);
  }
  return -1;
}

bool ShowProgram(Handset& handset, const ProgramView& entry) {
  if (entry.pid == 0) return handset.Launch(entry.path) != FALSE;
  if (entry.window == nullptr || !IsWindow(entry.window)) return false;
  ShowWindow(entry.window, SW_SHOW);
  return true;
}

}  // namespace host::screen
