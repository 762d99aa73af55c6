// The UI library seen from the host's side: for the script runner and the desktop front end,
// which find windows and controls and deliver pointer input the way a finger would. Pointer
// input always goes through the handset (Handset::SendToWindow) to the window's procedure.
#pragma once

#include "host/kernel/handset.h"
#include "platform/mzfc.h"

namespace host::ui {

// The button word of a pointer message while the finger is down (MK_LBUTTON).
constexpr WPARAM kPointerPressed = 0x0001;

enum class PointerAction { kDown, kMove, kUp };

// x and y packed as pointer messages carry them (16 bits each, signed).
LPARAM PointerLParam(int x, int y);
// WM_LBUTTONDOWN, WM_MOUSEMOVE or WM_LBUTTONUP.
UINT MessageOf(PointerAction action);

// The window object behind hwnd, or null (not ours, or gone).
CMzWnd* FindWnd(HWND hwnd);
// Where input goes on the handset: the innermost running modal window (an open menu), else the
// last created visible window of ours; null when none.
CMzWnd* ForegroundWnd(const Handset& handset);
// The menu whose modal run is going on, or null.
CPopupMenu* OpenMenu();
// The first control with the id in the window's tree (depth first, in the order added).
UiWin* FindControl(CMzWnd& wnd, int id);

// Delivers a pointer message at x, y in the window's coordinates (a window of the handset).
void SendPointer(Handset& handset, CMzWnd& wnd, PointerAction action, int x, int y);
// Delivers a pointer message at x, y on the screen to the foreground window, in its coordinates
// (a point outside it stays outside). False when there is no foreground window.
bool SendScreenPointer(Handset& handset, PointerAction action, int x, int y);
// Presses and releases at the centre of the control. False, delivering nothing, when the control
// is in no window or another control takes the pointer there (covered, or scrolled out of view).
bool TapControl(Handset& handset, UiWin& control);
// Taps the item with the id in the open menu. False when no menu is open or it has no such item.
bool PickMenuItem(Handset& handset, int id);
// The mouse wheel at x, y (window coordinates): scrolls the innermost enabled container
// (UiScrollWin) under the point by delta pixels, positive moving the content up. Returns whether
// anything scrolled.
bool WheelAt(CMzWnd& wnd, int x, int y, int delta);
// Puts the slider's pad at pos (clamped) as a drag would, without a pointer move: the window's
// OnMouseMove does not hear of it.
void SetSliderPad(CUiStatusBar& slider, int pos);
// Scrolls the container to offset (clamped); returns the offset it is at.
int ScrollControlTo(UiWin& container, int offset);

}  // namespace host::ui
