#include "host/screen/home_screen.h"

#include "host/screen/canvas.h"

namespace host::screen {
namespace {

constexpr int kMargin = 24;
constexpr int kRow = 96;
constexpr int kGap = 16;

std::u16string WithoutExe(std::u16string name) {
  if (name.size() > 4) {
    std::u16string tail = name.substr(name.size() - 4);
    for (char16_t& c : tail) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    if (tail == u".exe") name.resize(name.size() - 4);
  }
  return name;
}

}  // namespace

std::vector<HomeEntry> HomeEntries(const Handset& handset) {
  std::vector<WindowInfo> windows = handset.Windows();
  std::vector<HomeEntry> entries;
  for (const ProcessInfo& process : handset.Processes()) {
    HomeEntry entry{process.pid, WithoutExe(process.exeName), nullptr, {}};
    for (const WindowInfo& window : windows) {
      if (window.pid == process.pid) {
        entry.window = window.hwnd;
        entry.title = window.title;
        break;
      }
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

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

bool ShowProgram(const HomeEntry& entry) {
  if (entry.window == nullptr || !IsWindow(entry.window)) return false;
  ShowWindow(entry.window, SW_SHOW);
  return true;
}

}  // namespace host::screen
