#include "host/screen/home_screen.h"

#include <algorithm>

#include "host/screen/canvas.h"

namespace host::screen {
namespace {

constexpr int kMargin = 24;
constexpr int kRow = 96;
constexpr int kGap = 16;

std::u16string AsciiLower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return text;
}

std::u16string WithoutExe(std::u16string name) {
  if (name.size() > 4 && AsciiLower(name.substr(name.size() - 4)) == u".exe") {
    name.resize(name.size() - 4);
  }
  return name;
}

// The file name of a handset path.
std::u16string FileName(const std::u16string& path) {
  std::size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

bool SamePath(const std::u16string& a, const std::u16string& b) {
  return AsciiLower(a) == AsciiLower(b);
}

}  // namespace

std::vector<HomeEntry> HomeEntries(const Handset& handset) {
  std::vector<WindowInfo> windows = handset.Windows();
  std::vector<HomeEntry> entries;
  std::vector<ProcessInfo> processes = handset.Processes();
  for (const ProcessInfo& process : processes) {
    HomeEntry entry{process.pid, process.path, WithoutExe(process.exeName), nullptr, {}};
    for (const WindowInfo& window : windows) {
      if (window.pid == process.pid) {
        entry.window = window.hwnd;
        entry.title = window.title;
        break;
      }
    }
    entries.push_back(std::move(entry));
  }
  for (const std::u16string& path : handset.ProgramPaths()) {
    bool running = std::any_of(processes.begin(), processes.end(),
                               [&path](const ProcessInfo& p) { return SamePath(p.path, path); });
    if (!running) entries.push_back({0, path, WithoutExe(FileName(path)), nullptr, {}});
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
  if (entry.pid == 0) return Handset::Current().Launch(entry.path) != FALSE;
  if (entry.window == nullptr || !IsWindow(entry.window)) return false;
  ShowWindow(entry.window, SW_SHOW);
  return true;
}

}  // namespace host::screen
