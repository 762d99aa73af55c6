#include "host/ui/input.h"

#include "host/kernel/handset.h"
#include "host/ui/hit_test.h"
#include "host/ui/ui_registry.h"
#include "host/ui/ui_state.h"

namespace host::ui {
namespace {

UiWin* FindIn(const std::vector<UiWin*>& controls, int id) {
  for (UiWin* control : controls) {
    if (StateOf(*control).id == id) return control;
    if (UiWin* found = FindIn(StateOf(*control).children, id)) return found;
  }
  return nullptr;
}

void Tap(Handset& handset, CMzWnd& wnd, POINT at) {
  SendPointer(handset, wnd, PointerAction::kDown, at.x, at.y);
  SendPointer(handset, wnd, PointerAction::kUp, at.x, at.y);
}

}  // namespace

UINT MessageOf(PointerAction action) {
  switch (action) {
    case PointerAction::kDown:
      return WM_LBUTTONDOWN;
    case PointerAction::kMove:
      return WM_MOUSEMOVE;
    case PointerAction::kUp:
      return WM_LBUTTONUP;
  }
  return WM_NULL;
}

LPARAM PointerLParam(int x, int y) {
  auto lo = static_cast<std::uint16_t>(x);
  auto hi = static_cast<std::uint16_t>(y);
  return static_cast<LPARAM>((static_cast<std::uint32_t>(hi) << 16) | lo);
}

CMzWnd* FindWnd(HWND hwnd) { return WindowObject(hwnd); }

CMzWnd* ForegroundWnd(const Handset& handset) {
  if (CMzWnd* modal = TopModal()) return modal;
  std::vector<WindowInfo> windows = handset.Windows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if (!it->visible) continue;
    if (CMzWnd* wnd = WindowObject(it->hwnd)) return wnd;
  }
  return nullptr;
}

CPopupMenu* OpenMenu() { return dynamic_cast<CPopupMenu*>(TopModal()); }

UiWin* FindControl(CMzWnd& wnd, int id) { return FindIn(StateOf(wnd).controls, id); }

void SendPointer(Handset& handset, CMzWnd& wnd, PointerAction action, int x, int y) {
  WPARAM buttons = action == PointerAction::kUp ? 0 : kPointerPressed;
  handset.SendToWindow(wnd.m_hWnd, MessageOf(action), buttons, PointerLParam(x, y));
}

bool SendScreenPointer(Handset& handset, PointerAction action, int x, int y) {
  CMzWnd* wnd = ForegroundWnd(handset);
  if (wnd == nullptr) return false;
  const WindowInfo* info = handset.FindWindowInfo(wnd->m_hWnd);
  if (info == nullptr) return false;
  SendPointer(handset, *wnd, action, x - info->rect.left, y - info->rect.top);
  return true;
}

bool TapControl(Handset& handset, UiWin& control) {
  CMzWnd* wnd = WindowOf(control);
  if (wnd == nullptr) return false;
  POINT centre = CentreOf(control);
  if (HitTest(*wnd, centre.x, centre.y) != &control) return false;
  Tap(handset, *wnd, centre);
  return true;
}

bool PickMenuItem(Handset& handset, int id) {
  CPopupMenu* menu = OpenMenu();
  if (menu == nullptr) return false;
  const std::vector<MenuItem>& items = MenuStateOf(*menu).items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].id != id) continue;
    int top = static_cast<int>(i) * kMenuItemHeight;
    Tap(handset, *menu, {menu->GetWidth() / 2, top + kMenuItemHeight / 2});
    return true;
  }
  return false;
}

bool WheelAt(CMzWnd& wnd, int x, int y, int delta) {
  for (UiWin* c = HitTest(wnd, x, y); c != nullptr; c = StateOf(*c).parent) {
    if (StateOf(*c).kind == UiKind::kScroll && IsEnabledInTree(*c)) {
      return ScrollTo(*c, StateOf(*c).scrollOffset + delta);
    }
  }
  return false;
}

void SetSliderPad(CUiStatusBar& slider, int pos) { slider.SetPadpos(pos); }

int ScrollControlTo(UiWin& container, int offset) {
  ScrollTo(container, offset);
  return StateOf(container).scrollOffset;
}

}  // namespace host::ui
