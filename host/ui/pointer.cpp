// What the pointer does to a window's controls. A press starts on the control under it (see
// host/ui/hit_test.h); moves drag a slider's pad or scroll a container the press started on;
// a release on the same control (the same toolbar button) taps it. Controls disabled in their
// tree ignore all of it.
#include "host/ui/hit_test.h"
#include "host/ui/ui_library.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"

namespace host::ui {
namespace {

WPARAM CommandOf(const UiWin& control) {
  return static_cast<WPARAM>(static_cast<WORD>(StateOf(control).id));
}

}  // namespace

void PointerDown(CMzWnd& wnd, int x, int y) {
  Press& press = Access::Of(wnd).press;
  press = Press{};
  press.active = true;
  press.control = HitTest(wnd, x, y);
  press.lastY = y;
  if (press.control != nullptr && StateOf(*press.control).kind == UiKind::kToolbar) {
    press.toolbarButton = ToolbarButtonAt(static_cast<UiToolbar_Text&>(*press.control), x);
  }
}

void PointerMove(CMzWnd& wnd, int x, int y) {
  Press& press = Access::Of(wnd).press;
  UiWin* control = press.control;
  if (!press.active || control == nullptr || !IsEnabledInTree(*control)) return;
  switch (StateOf(*control).kind) {
    case UiKind::kSlider: {
      auto* slider = static_cast<CUiStatusBar*>(control);
      slider->SetPadpos(PadposAt(*slider, x));
      break;
    }
    case UiKind::kScroll:
      ScrollTo(*control, StateOf(*control).scrollOffset + press.lastY - y);
      break;
    default:
      break;
  }
  press.lastY = y;
}

void PointerUp(CMzWnd& wnd, int x, int y) {
  Press press = Access::Of(wnd).press;
  Access::Of(wnd).press = Press{};
  if (!press.active || press.control == nullptr) return;
  UiWin* control = HitTest(wnd, x, y);
  if (control != press.control || !IsEnabledInTree(*control)) return;
  switch (StateOf(*control).kind) {
    case UiKind::kButton: {
      auto* button = static_cast<UiButton*>(control);
      const ControlState& state = StateOf(*button);
      if (state.buttonMode == UiButton::kModeSwitch) {
        button->SetState(state.buttonState == UiButton::kStateOn ? 0 : UiButton::kStateOn);
      }
      wnd.OnUiCommand(CommandOf(*button), 0);
      break;
    }
    case UiKind::kToolbar: {
      auto* toolbar = static_cast<UiToolbar_Text*>(control);
      int index = ToolbarButtonAt(*toolbar, x);
      if (index < 0 || index != press.toolbarButton) return;
      const ToolbarButton& button = StateOf(*toolbar).buttons[index];
      if (!button.enabled || !button.visible) return;
      wnd.OnUiCommand(CommandOf(*toolbar), index);
      break;
    }
    default:
      break;
  }
}

void ForgetControl(CMzWnd& wnd, UiWin* control) {
  Press& press = Access::Of(wnd).press;
  for (const UiWin* p = press.control; p != nullptr; p = StateOf(*p).parent) {
    if (p == control) {
      press.control = nullptr;
      return;
    }
  }
}

}  // namespace host::ui
