// The UI library's own bookkeeping for the process: which application object WinMain drives,
// which window objects own handset windows, and which windows run modally. It holds pointers
// only; the objects register and unregister themselves.
#pragma once

#include <vector>

#include "host/kernel/handset.h"
#include "platform/mzfc.h"

namespace host::ui {

// The application object most recently registered and not yet unregistered.
void RegisterApp(CMzApp* app);
void UnregisterApp(CMzApp* app);
CMzApp* CurrentApp();

// A window object that made a window on handset.
void RegisterWindow(CMzWnd* wnd, Handset* handset);
void UnregisterWindow(CMzWnd* wnd);
// The handset the window object made its window on, or null.
Handset* HandsetOf(const CMzWnd* wnd);
// The window object behind hwnd on the current handset, or null.
CMzWnd* WindowObject(HWND hwnd);

// Modal runs, innermost last.
void PushModal(CMzWnd* wnd);
void PopModal(CMzWnd* wnd);
// The innermost modal window of the current handset, or null.
CMzWnd* TopModal();

}  // namespace host::ui
