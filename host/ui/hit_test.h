// Which control the pointer is on.
#pragma once

#include "platform/mzfc.h"

namespace host::ui {

// Whether the control takes the pointer: buttons, toolbars, sliders and scroll containers do;
// statics, captions and plain controls let it through to what lies beneath.
bool TakesPointer(const UiWin& control);

// The control that takes the pointer at x, y (window coordinates) in the window: the topmost
// (last added) one whose rectangle, clipped to its parents' and the window's, holds the point,
// looking at a control's children before the control itself. Disabled controls are found like
// any other (they absorb the pointer). Null when none.
UiWin* HitTest(CMzWnd& wnd, int x, int y);

// The centre of the control's rectangle (window coordinates).
POINT CentreOf(const UiWin& control);

}  // namespace host::ui
