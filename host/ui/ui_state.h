// What the UI library's windows and controls (platform/mzfc.h) hold behind their classes: the
// state the application's calls change, and what the host reads of it to draw, snapshot, find
// targets and deliver the pointer. The rest of the host only reads it (StateOf and the queries
// below); the library's own code in host/ui/ changes it through Access.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/mzfc.h"

namespace host {

// What a control is, for the renderers and snapshots.
enum class UiKind { kWin, kToolbar, kScroll, kCaption, kStatic, kButton, kSlider };

namespace ui {

struct ToolbarButton {
  std::u16string text;
  bool enabled = false;
  bool visible = false;
  bool operator==(const ToolbarButton&) const = default;
};

// A toolbar takes buttons 0 to kMaxToolbarButtons - 1.
inline constexpr int kMaxToolbarButtons = 16;

// What a control shows, as its setters left it; a renderer's view of a control is one too
// (host/render/control_view.h).
struct ControlLook {
  UiKind kind = UiKind::kWin;
  int id = 0;
  bool enabled = true;
  std::u16string text;
  std::optional<DWORD> format;  // empty until SetDrawTextFormat
  // A scroll bar (EnableScrollBarV), and how far the children are moved up: 0 to
  // MaxScrollOffset.
  bool scrollBar = false;
  int scrollOffset = 0;
  // UiToolbar_Text: as many buttons as the highest index set plus one.
  std::vector<ToolbarButton> buttons;
  // UiButton: the look, the behaviour and the state.
  int buttonType = 0;
  int buttonMode = 0;
  DWORD buttonState = 0;
  // CUiStatusBar: the range and the pad.
  int sliderMin = 0;
  int sliderMax = 100;
  int sliderPos = 0;
  bool operator==(const ControlLook&) const = default;
};

// A control: what it shows, and where it stands in its tree.
struct ControlState : ControlLook {
  // As given to SetPos, in the parent's coordinates.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  UiWin* parent = nullptr;
  std::vector<UiWin*> children;  // in the order they were added (the last one is drawn on top)
  CMzWnd* window = nullptr;      // set for a top-level control (CMzWnd::AddUiWin)
};

// What the pointer is doing between WM_LBUTTONDOWN and WM_LBUTTONUP (host/ui/pointer.cpp).
struct Press {
  bool active = false;
  UiWin* control = nullptr;  // the control the press started on, or null
  int toolbarButton = -1;
  int lastY = 0;
};

// A DoModal run of the window.
struct Modal {
  bool running = false;
  bool dispatching = false;
  int result = 0;
};

struct WindowState {
  std::vector<UiWin*> controls;  // top-level, in the order they were added
  int homekeyValue = 0;          // SetShellHomekeyReturnValue
  HWND parentHwnd = nullptr;     // as given to Create
  DWORD style = 0;               // as given to Create
  bool needsPaint = false;       // something changed since the last paint
  Press press;
  Modal modal;
};

// A pop-up menu's item as the menu keeps it; the attribute is passed to the renderer as given.
struct MenuItem {
  std::u16string text;
  int attribute = 0;
  int id = 0;
};

// The height of one menu item; the items are stacked from the menu window's top.
inline constexpr int kMenuItemHeight = 70;

struct MenuState {
  static constexpr int kNoPress = -2;

  std::u16string title;
  std::vector<MenuItem> items;  // for the current modal run
  int pressedItem = kNoPress;   // the item a press began on, -1 outside the items
};

// The library's own way in (host/ui/ only).
struct Access {
  static ControlState& Of(UiWin& control) { return *control.m_state; }
  static const ControlState& Of(const UiWin& control) { return *control.m_state; }
  static WindowState& Of(CMzWnd& wnd) { return *wnd.m_state; }
  static const WindowState& Of(const CMzWnd& wnd) { return *wnd.m_state; }
  static MenuState& MenuOf(CPopupMenu& menu) { return *menu.m_menu; }
  static const MenuState& MenuOf(const CPopupMenu& menu) { return *menu.m_menu; }
};

inline const ControlState& StateOf(const UiWin& control) { return Access::Of(control); }
inline const WindowState& StateOf(const CMzWnd& wnd) { return Access::Of(wnd); }
inline const MenuState& MenuStateOf(const CPopupMenu& menu) { return Access::MenuOf(menu); }

// The control's rectangle in its window's coordinates, as GetRect gives it.
RECT RectOf(const UiWin& control);
// Enabled, and every parent enabled too.
bool IsEnabledInTree(const UiWin& control);
// The window of the tree the control is in, or null.
CMzWnd* WindowOf(const UiWin& control);
// The lowest child bottom: how tall the children are together.
int ContentHeight(const UiWin& control);
// ContentHeight minus the height when the scroll bar is enabled and the children reach below
// the bottom; else 0.
int MaxScrollOffset(const UiWin& control);
// Scrolls the children to offset, clamped to [0, MaxScrollOffset], and repaints. Returns
// whether the offset changed.
bool ScrollTo(UiWin& control, int offset);
// The toolbar button slot under window x, or -1 (no buttons, or x outside the toolbar).
int ToolbarButtonAt(const UiToolbar_Text& toolbar, int x);
// The slider's pad position for window x: its left edge is the minimum, its right edge the
// maximum, rounded to the nearest step and clamped.
int PadposAt(const CUiStatusBar& slider, int x);
// The menu item under a point in menu-window coordinates, or -1.
int MenuItemAt(CPopupMenu& menu, int x, int y);

// A renderer has drawn the window.
void MarkPainted(CMzWnd& wnd);

}  // namespace ui
}  // namespace host
