// The handset's home screen: what the screen shows when no window is visible. One button per
// installed or running program (ScreenView::programs); tapping one shows that program's first
// window again, or starts it when it does not run.
#pragma once

#include <vector>

#include "host/kernel/handset.h"
#include "host/render/control_view.h"

namespace host::screen {

// The height of the heading above the buttons.
inline constexpr int kHomeHeading = 96;

// Where the button of each of count programs lies on a work area of the size given (in the work
// area's own pixels, top-left 0, 0): full-width rows from the top, below a heading.
std::vector<RECT> HomeButtonRects(int width, int height, std::size_t count);

// The entry whose button holds x, y (work-area pixels), or -1.
int HomeButtonAt(int width, int height, std::size_t count, int x, int y);

// Shows the entry's window (ShowWindow with SW_SHOW), or starts the program when it does not
// run (Handset::Launch). False when it runs without a window, its window is gone, or it could
// not be started. REQUIRES: the handset is current.
bool ShowProgram(Handset& handset, const ProgramView& entry);

}  // namespace host::screen
