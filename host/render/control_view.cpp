#include "host/render/control_view.h"

#include <algorithm>
#include <iterator>

#include <nlohmann/json.hpp>

#include "host/crt/ascii_case.h"
#include "host/crt/utf.h"
#include "host/kernel/handset.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"

namespace host {
namespace {

nlohmann::ordered_json RectJson(const RECT& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::u16string WithoutExe(std::u16string name) {
  constexpr std::u16string_view kExe = u".exe";
  if (name.size() > kExe.size() &&
      EqualIgnoringAsciiCase(std::u16string_view(name).substr(name.size() - kExe.size()), kExe)) {
    name.resize(name.size() - kExe.size());
  }
  return name;
}

// The file name of a handset path.
std::u16string FileName(const std::u16string& path) {
  std::size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
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

std::vector<ProgramView> ProgramsOf(const Handset& handset) {
  std::vector<WindowInfo> windows = handset.Windows();
  std::vector<ProgramView> programs;
  std::vector<ProcessInfo> processes = handset.Processes();
  for (const ProcessInfo& process : processes) {
    ProgramView program{process.pid, process.path, WithoutExe(process.exeName), nullptr, {}};
    for (const WindowInfo& window : windows) {
      if (window.pid == process.pid) {
        program.window = window.hwnd;
        program.title = window.title;
        break;
      }
    }
    programs.push_back(std::move(program));
  }
  for (const std::u16string& path : handset.ProgramPaths()) {
    bool running = std::any_of(processes.begin(), processes.end(), [&](const ProcessInfo& p) {
      return EqualIgnoringAsciiCase(p.path, path);
    });
    if (!running) programs.push_back({0, path, WithoutExe(FileName(path)), nullptr, {}});
  }
  return programs;
}

ScreenView CaptureScreen(const Handset& handset) {
  ScreenView screen;
  screen.workArea = handset.work_area();
  for (const WindowInfo& info : handset.Windows()) screen.windows.push_back(ViewOf(info));
  screen.programs = ProgramsOf(handset);
  return screen;
}

const char* KindName(UiKind kind) {
  // In the order of UiKind.
  static constexpr const char* kNames[] = {"win",    "toolbar", "scroll", "caption",
                                           "static", "button",  "slider"};
  auto index = static_cast<std::size_t>(kind);
  return index < std::size(kNames) ? kNames[index] : "win";
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
