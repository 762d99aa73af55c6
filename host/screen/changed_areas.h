// Where two views of the screen differ, so that a repaint can keep the pixels that stay: per
// control of a window whose place and order stay (a container whose own look stays gives the
// areas of its children that changed), else per window.
#pragma once

#include <vector>

#include "host/render/control_view.h"

namespace host::screen {

// The rectangles, in the work area's pixels, outside of which after draws the same as before:
// the old and the new rect of each control that differs, or a window's rect when its
// title, menu or control list changed. Empty when the whole screen is to be drawn: the work
// area or the windows shown, their places or their order changed, no window is shown (the home
// screen), the views are equal (a repaint asked for) or the areas would cover half the screen.
std::vector<RECT> ChangedAreas(const ScreenView& before, const ScreenView& after);

}  // namespace host::screen
