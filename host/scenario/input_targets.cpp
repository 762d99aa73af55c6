#include "host/scenario/input_targets.h"

#include <cstdint>
#include <vector>

#include "host/ui/hit_test.h"
#include "host/ui/input.h"
#include "host/ui/ui_registry.h"
#include "host/ui/ui_state.h"

namespace host::scenario {
namespace {

UiWin* FirstOfKind(const std::vector<UiWin*>& controls, UiKind kind) {
  for (UiWin* control : controls) {
    if (ui::StateOf(*control).kind == kind) return control;
    if (UiWin* found = FirstOfKind(ui::StateOf(*control).children, kind)) return found;
  }
  return nullptr;
}

}  // namespace

Result<POINT> FindTapTarget(CMzWnd& wnd, int id) {
  UiWin* control = ui::FindControl(wnd, id);
  if (control == nullptr) return Error("no control has this id");
  POINT centre = ui::CentreOf(*control);
  if (ui::HitTest(wnd, centre.x, centre.y) != control) {
    return Error("the control's centre " + std::to_string(centre.x) + "," +
                 std::to_string(centre.y) + " is covered or out of view");
  }
  return centre;
}

Result<POINT> FindToolbarTarget(CMzWnd& wnd, int index) {
  auto* toolbar =
      static_cast<UiToolbar_Text*>(FirstOfKind(ui::StateOf(wnd).controls, UiKind::kToolbar));
  if (toolbar == nullptr) return Error("the window has no toolbar");
  auto count = static_cast<std::int64_t>(ui::StateOf(*toolbar).buttons.size());
  if (index >= count) {
    return Error("the toolbar has " + std::to_string(count) + " buttons");
  }
  RECT r = toolbar->GetRect();
  // The middle of the button's slot, in 64 bits: the rectangle's sides are not bounded.
  std::int64_t width = std::int64_t{r.right} - r.left;
  POINT at{static_cast<LONG>(r.left + (2 * std::int64_t{index} + 1) * width / (2 * count)),
           static_cast<LONG>((std::int64_t{r.top} + r.bottom) / 2)};
  if (ui::HitTest(wnd, at.x, at.y) != toolbar) {
    return Error("the toolbar is covered or out of view");
  }
  return at;
}

Result<CUiStatusBar*> FindSlider(CMzWnd& wnd) {
  auto* slider =
      static_cast<CUiStatusBar*>(FirstOfKind(ui::StateOf(wnd).controls, UiKind::kSlider));
  if (slider == nullptr) return Error("the window has no slider");
  return slider;
}

void TapAt(Handset& handset, CMzWnd& wnd, POINT at) {
  CMzWnd* modal = ui::TopModal();
  if (modal == nullptr || modal == &wnd) {
    ui::SendPointer(handset, wnd, ui::PointerAction::kDown, at.x, at.y);
    ui::SendPointer(handset, wnd, ui::PointerAction::kUp, at.x, at.y);
    return;
  }
  RECT origin = handset.FindWindowInfo(wnd.m_hWnd)->rect;
  ui::SendScreenPointer(handset, ui::PointerAction::kDown, origin.left + at.x, origin.top + at.y);
  ui::SendScreenPointer(handset, ui::PointerAction::kUp, origin.left + at.x, origin.top + at.y);
}

}  // namespace host::scenario
