// A read-only copy of what the screen shows: windows and their control trees, taken from the UI
// library's controls at one moment. Renderers draw it and the script runner's "snapshot" prints
// it; neither touches the live controls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "host/kernel/handset.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"

namespace host {

// Views compare equal when they show the same: RECTs by their four edges.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A control as it shows (any control may scroll; the snapshot shows it for containers), where,
// and its children.
struct ControlView : ui::ControlLook {
  RECT rect{};                        // in the window's coordinates, as GetRect gives it
  int contentHeight = 0;              // the lowest child bottom, in the control's coordinates
  std::vector<ControlView> children;  // in the order they were added
  bool operator==(const ControlView&) const = default;
};

struct MenuItemView {
  int id = 0;
  std::u16string text;
  int attribute = 0;
  RECT rect{};  // in the menu window's coordinates
  bool operator==(const MenuItemView&) const = default;
};

struct WindowView {
  HWND hwnd = nullptr;
  std::u16string className;
  std::u16string title;
  RECT rect{};  // on the screen
  bool visible = false;
  bool ours = false;  // a window of the UI library (else another program's plain window)
  std::vector<ControlView> controls;  // top-level controls in the order they were added
  std::vector<MenuItemView> menuItems;  // a pop-up menu's items
  bool operator==(const WindowView&) const = default;
};

// A program as the home screen offers it.
struct ProgramView {
  DWORD pid = 0;          // 0: not running
  std::u16string path;    // the executable's handset path
  std::u16string name;    // the executable's name without ".exe", e.g. u"Quorvane"
  HWND window = nullptr;  // the program's first window, or null when it has none
  std::u16string title;   // that window's title
  bool operator==(const ProgramView&) const = default;
};

// The screen: the work area, the windows from the bottom up (creation order), and the
// programs the home screen offers when no window is visible.
struct ScreenView {
  RECT workArea{};
  std::vector<WindowView> windows;
  std::vector<ProgramView> programs;
  bool operator==(const ScreenView&) const = default;
};

ControlView ViewOf(const UiWin& control);
// The window's record, with its controls when it is a window of ours.
WindowView ViewOf(const WindowInfo& info);
// The running programs in the order they were started, then the installed programs that do not
// run (Handset::ProgramPaths).
std::vector<ProgramView> ProgramsOf(const Handset& handset);
ScreenView CaptureScreen(const Handset& handset);

// "toolbar", "scroll", "caption", "static", "button", "slider" or "win".
const char* KindName(UiKind kind);

// {"kind","id","rect":[x,y,w,h],"enabled","text","format","children":[...]} plus, by kind,
// "buttons" (toolbar: [{"text","enabled","visible"}]), "scrollbar" and "offset" (scroll),
// "type", "mode", "state" (button), "min", "max", "pos" (slider). "format" is null when never
// set; texts are UTF-8.
nlohmann::ordered_json ToJson(const ControlView& control);
// The window's top-level controls as a JSON array, in the order they were added.
nlohmann::ordered_json ControlsJson(const CMzWnd& wnd);

}  // namespace host
