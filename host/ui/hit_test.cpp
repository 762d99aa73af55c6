#include "host/ui/hit_test.h"

#include <algorithm>

#include "host/ui/ui_state.h"

namespace host::ui {
namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool Contains(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

UiWin* HitTestIn(const std::vector<UiWin*>& controls, const RECT& clip, int x, int y) {
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    UiWin* control = *it;
    RECT visible = Intersect(RectOf(*control), clip);
    if (!Contains(visible, x, y)) continue;
    if (UiWin* child = HitTestIn(StateOf(*control).children, visible, x, y)) return child;
    if (TakesPointer(*control)) return control;
  }
  return nullptr;
}

}  // namespace

bool TakesPointer(const UiWin& control) {
  switch (StateOf(control).kind) {
    case UiKind::kToolbar:
    case UiKind::kScroll:
    case UiKind::kButton:
    case UiKind::kSlider:
      return true;
    case UiKind::kWin:
    case UiKind::kCaption:
    case UiKind::kStatic:
      return false;
  }
  return false;
}

UiWin* HitTest(CMzWnd& wnd, int x, int y) {
  RECT client{0, 0, wnd.GetWidth(), wnd.GetHeight()};
  return HitTestIn(StateOf(wnd).controls, client, x, y);
}

POINT CentreOf(const UiWin& control) {
  RECT r = RectOf(control);
  return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
}

}  // namespace host::ui
