#include "host/render/control_view.h"

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"
#include "host/crt/utf.h"

namespace host {
namespace {

nlohmann::ordered_json RectJson(const RECT& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

ControlView ViewOf(const UiWin& control) {
  const ui::ControlState& state = ui::StateOf(control);
  ControlView view;
  static_cast<ui::ControlLook&>(view) = state;
  view.rect = ui::RectOf(control);
  view.contentHeight = ui::ContentHeight(control);
  for (const UiWin* child : state.children) view.children.push_back(ViewOf(*child));
  return view;
}

WindowView ViewOf(const WindowInfo& info) {
  WindowView view;
  view.hwnd = info.hwnd;
  view.className = info.className;
  view.title = info.title;
  view.rect = info.rect;
  view.visible = info.visible;
  CMzWnd* wnd = ui::FindWnd(info.hwnd);
  if (wnd == nullptr) return view;
  view.ours = true;
  for (const UiWin* control : ui::StateOf(*wnd).controls) {
    view.controls.push_back(ViewOf(*control));
  }
  if (const auto* menu = dynamic_cast<const CPopupMenu*>(wnd)) {
    int width = info.rect.right - info.rect.left;
    int top = 0;
    for (const ui::MenuItem& item : ui::MenuStateOf(*menu).items) {
      view.menuItems.push_back(
          {item.id, item.text, item.attribute, {0, top, width, top + ui::kMenuItemHeight}});
      top += ui::kMenuItemHeight;
    }
  }
  return view;
}

ScreenView CaptureScreen() {
  Handset& handset = Handset::Current();
  ScreenView screen;
  screen.workArea = handset.work_area();
  for (const WindowInfo& info : handset.Windows()) screen.windows.push_back(ViewOf(info));
  return screen;
}

const char* KindName(UiKind kind) {
  switch (kind) {
    case UiKind::kToolbar:
      return "toolbar";
    case UiKind::kScroll:
      return "scroll";
    case UiKind::kCaption:
      return "caption";
    case UiKind::kStatic:
      return "static";
    case UiKind::kButton:
      return "button";
    case UiKind::kSlider:
      return "slider";
    case UiKind::kWin:
      return "win";
  }
  return "win";
}

nlohmann::ordered_json ToJson(const ControlView& control) {
  nlohmann::ordered_json j;
  j["kind"] = KindName(control.kind);
  j["id"] = control.id;
  j["rect"] = RectJson(control.rect);
  j["enabled"] = control.enabled;
  j["text"] = ToUtf8(control.text);
  j["format"] = control.format ? nlohmann::ordered_json(*control.format) : nullptr;
  nlohmann::ordered_json children = nlohmann::ordered_json::array();
  for (const ControlView& child : control.children) children.push_back(ToJson(child));
  j["children"] = std::move(children);
  switch (control.kind) {
    case UiKind::kToolbar: {
      nlohmann::ordered_json buttons = nlohmann::ordered_json::array();
      for (const ui::ToolbarButton& b : control.buttons) {
        buttons.push_back(
            {{"text", ToUtf8(b.text)}, {"enabled", b.enabled}, {"visible", b.visible}});
      }
      j["buttons"] = std::move(buttons);
      break;
    }
    case UiKind::kScroll:
      j["scrollbar"] = control.scrollBar;
      j["offset"] = control.scrollOffset;
      break;
    case UiKind::kButton:
      j["type"] = control.buttonType;
      j["mode"] = control.buttonMode;
      j["state"] = control.buttonState;
      break;
    case UiKind::kSlider:
      j["min"] = control.sliderMin;
      j["max"] = control.sliderMax;
      j["pos"] = control.sliderPos;
      break;
    default:
      break;
  }
  return j;
}

nlohmann::ordered_json ControlsJson(const CMzWnd& wnd) {
  nlohmann::ordered_json controls = nlohmann::ordered_json::array();
  for (const UiWin* control : ui::StateOf(wnd).controls) {
    controls.push_back(ToJson(ViewOf(*control)));
  }
  return controls;
}

}  // namespace host
