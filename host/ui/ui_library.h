// What the parts of the UI library in host/ui/ call of each other behind the classes; the rest
// of the host uses ui_state.h and input.h.
#pragma once

#include "platform/mzfc.h"

namespace host::ui {

// Marks the window, or the window of the control's tree, for repaint (no trace event), and counts
// a change of what the screen shows (host/kernel/screen_generation.h): for real changes only.
void RequestRepaint(CMzWnd& wnd);
void RequestRepaint(const UiWin& control);
// Takes the control out of its parent or window.
void Detach(UiWin& control);

// The pointer's press, move and release on the window's controls (pointer.cpp).
void PointerDown(CMzWnd& wnd, int x, int y);
void PointerMove(CMzWnd& wnd, int x, int y);
void PointerUp(CMzWnd& wnd, int x, int y);
// A control of the window is being destroyed or moved away: drop any pointer to it or its
// descendants.
void ForgetControl(CMzWnd& wnd, UiWin* control);

// The modal loop of DoModal without showing or hiding the window.
int RunModalLoop(CMzWnd& wnd);
// Destroys the window (if any) and forgets the handle.
void DestroyHandsetWindow(CMzWnd& wnd);

}  // namespace host::ui
