// Draws the UI library's controls from their views (host/render/control_view.h): captions,
// statics, buttons and switches, sliders, toolbars and scrolling containers with their bars.
#pragma once

#include <optional>
#include <vector>

#include "host/render/control_view.h"
#include "host/screen/canvas.h"

namespace host::screen {

// Draws the controls in order (later ones over earlier ones), each before its children. A
// label's text ends where a control added after it in its row begins (it is drawn smaller, then
// cut, to fit).
// origin: where the window's 0, 0 lies on the canvas (control rects are in window
// coordinates). Nothing is drawn outside clip; a container's children are clipped to it.
void PaintControls(Canvas& canvas, const std::vector<ControlView>& controls, POINT origin,
                   const RECT& clip);

// The vertical scroll bar's thumb when the container scrolls (content taller than the
// container, bar enabled), in window coordinates; nullopt otherwise.
std::optional<RECT> ScrollThumb(const ControlView& container);
// Where a switch's track lies within its control's rect.
RECT SwitchTrack(const RECT& control);
// Where a toolbar's button index of count lies across the toolbar's rect (the same split that
// the toolbar's hit test uses).
RECT ToolbarSlot(const RECT& toolbar, int index, int count);

}  // namespace host::screen
