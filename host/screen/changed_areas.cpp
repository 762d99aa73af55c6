#include "host/screen/changed_areas.h"

#include <algorithm>

#include "host/screen/canvas.h"

namespace host::screen {
namespace {

RECT Union(const RECT& a, const RECT& b) {
  if (IsEmpty(a)) return b;
  if (IsEmpty(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

bool SameFrame(const WindowView& a, const WindowView& b) {
  return a.hwnd == b.hwnd && a.visible == b.visible && a.rect == b.rect && a.ours == b.ours &&
         a.className == b.className;
}

bool SameControlList(const std::vector<ControlView>& a, const std::vector<ControlView>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].id != b[i].id) return false;
  }
  return true;
}

// Whether the controls differ in nothing but their children.
bool SameOwn(const ControlView& a, const ControlView& b) {
  ControlView x = a;
  ControlView y = b;
  x.children.clear();
  y.children.clear();
  return x == y;
}

// Adds where the control differs, within clip; at is the window's top-left in work-area pixels.
// Children are drawn in the window's coordinates too, clipped to their parent.
void AddControlChanges(const ControlView& before, const ControlView& after, POINT at,
                       const RECT& clip, std::vector<RECT>& areas) {
  if (before == after) return;
  RECT now = Offset(after.rect, at.x, at.y);
  if (SameOwn(before, after) && SameControlList(before.children, after.children)) {
    RECT inside = Intersect(now, clip);
    for (std::size_t i = 0; i < after.children.size(); ++i) {
      AddControlChanges(before.children[i], after.children[i], at, inside, areas);
    }
    return;
  }
  RECT area = Intersect(Union(Offset(before.rect, at.x, at.y), now), clip);
  if (!IsEmpty(area)) areas.push_back(area);
}

// Adds where the window, shown the same place in both, differs; in work-area pixels.
void AddWindowChanges(const WindowView& before, const WindowView& after, POINT origin,
                      std::vector<RECT>& areas) {
  if (before == after) return;
  RECT window = Offset(after.rect, origin.x, origin.y);
  if (!after.ours || before.title != after.title || before.menuItems != after.menuItems ||
      !SameControlList(before.controls, after.controls)) {
    areas.push_back(window);
    return;
  }
  for (std::size_t i = 0; i < after.controls.size(); ++i) {
    AddControlChanges(before.controls[i], after.controls[i], {window.left, window.top}, window,
                      areas);
  }
}

long long Area(const std::vector<RECT>& areas) {
  long long sum = 0;
  for (const RECT& r : areas) sum += static_cast<long long>(Width(r)) * Height(r);
  return sum;
}

}  // namespace

std::vector<RECT> ChangedAreas(const ScreenView& before, const ScreenView& after) {
  if (!(before.workArea == after.workArea) || before.windows.size() != after.windows.size() ||
      before == after) {
    return {};
  }
  POINT origin{-after.workArea.left, -after.workArea.top};
  RECT screen{0, 0, Width(after.workArea), Height(after.workArea)};
  std::vector<RECT> areas;
  bool anyVisible = false;
  for (std::size_t i = 0; i < after.windows.size(); ++i) {
    const WindowView& old = before.windows[i];
    const WindowView& now = after.windows[i];
    if (!SameFrame(old, now)) return {};
    if (!now.visible) continue;
    anyVisible = true;
    AddWindowChanges(old, now, origin, areas);
  }
  std::erase_if(areas, [&](RECT& r) {
    r = Intersect(r, screen);
    return IsEmpty(r);
  });
  if (!anyVisible || areas.empty() || 2 * Area(areas) > static_cast<long long>(Width(screen)) *
                                                            Height(screen)) {
    return {};
  }
  return areas;
}

}  // namespace host::screen
