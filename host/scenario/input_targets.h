// Where the script's input commands land on the application's window. Finding a target is a
// lookup that either gives the point (or control) or says why there is none (the script
// error's message after the command's name); delivering the input there is a separate step
// (TapAt), so that a command that names nothing changes nothing.
#pragma once

#include "host/crt/result.h"
#include "host/kernel/handset.h"
#include "platform/mzfc.h"

namespace host::scenario {

// The centre of the control with this id, when it is in view and not covered.
Result<POINT> FindTapTarget(CMzWnd& wnd, int id);
// The middle of the toolbar button with this index (the buttons share the toolbar's width).
Result<POINT> FindToolbarTarget(CMzWnd& wnd, int index);
// The window's slider.
Result<CUiStatusBar*> FindSlider(CMzWnd& wnd);

// Taps at a point of wnd (window coordinates): down and up. While another window runs modally
// the tap lands on that window, where the finger is.
void TapAt(Handset& handset, CMzWnd& wnd, POINT at);

}  // namespace host::scenario
