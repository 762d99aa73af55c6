// What the pointer does to a window's controls. A press starts on the control under it (see
// host/ui/hit_test.h); moves drag a slider's pad or scroll a container the press started on;
// a release on the same control (the same toolbar button) taps it. Controls disabled in their
// tree ignore all of it.
#include "host/ui/hit_test.h"
#include "platform/mzfc.h"

namespace {

WPARAM CommandOf(const UiWin& control) {
  return static_cast<WPARAM>(static_cast<WORD>(control.GetID()));
}

}  // namespace

void CMzWnd::PointerDown(int x, int y) {
  m_press = Press{};
  m_press.active = true;
  m_press.control = host::ui::HitTest(*this, x, y);
  m_press.lastY = y;
  if (m_press.control != nullptr && m_press.control->kind() == UiKind::kToolbar) {
    m_press.toolbarButton = static_cast<UiToolbar_Text*>(m_press.control)->ButtonAt(x);
  }
}

void CMzWnd::PointerMove(int x, int y) {
  UiWin* control = m_press.control;
  if (!m_press.active || control == nullptr || !control->IsEnabledInTree()) return;
  switch (control->kind()) {
    case UiKind::kSlider: {
      auto* slider = static_cast<CUiStatusBar*>(control);
      slider->SetPadpos(slider->PadposAt(x));
      break;
    }
    case UiKind::kScroll:
      control->ScrollBy(m_press.lastY - y);
      break;
    default:
      break;
  }
  m_press.lastY = y;
}

void CMzWnd::PointerUp(int x, int y) {
  Press press = m_press;
  m_press = Press{};
  if (!press.active || press.control == nullptr) return;
  UiWin* control = host::ui::HitTest(*this, x, y);
  if (control != press.control || !control->IsEnabledInTree()) return;
  switch (control->kind()) {
    case UiKind::kButton: {
      auto* button = static_cast<UiButton*>(control);
      if (button->mode() == UiButton::kModeSwitch) {
        button->SetState(button->state() == UiButton::kStateOn ? 0 : UiButton::kStateOn);
      }
      OnUiCommand(CommandOf(*button), 0);
      break;
    }
    case UiKind::kToolbar: {
      auto* toolbar = static_cast<UiToolbar_Text*>(control);
      int index = toolbar->ButtonAt(x);
      if (index < 0 || index != press.toolbarButton) return;
      const UiToolbar_Text::Button& button = toolbar->buttons()[index];
      if (!button.enabled || !button.visible) return;
      OnUiCommand(CommandOf(*toolbar), index);
      break;
    }
    default:
      break;
  }
}

void CMzWnd::ForgetControl(UiWin* control) {
  for (const UiWin* p = m_press.control; p != nullptr; p = p->parent()) {
    if (p == control) {
      m_press.control = nullptr;
      return;
    }
  }
}
