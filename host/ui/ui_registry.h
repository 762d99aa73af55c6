// The UI library's own bookkeeping on the current handset: which application object WinMain
// drives in each process, which window objects own handset windows, and which windows run
// modally. It lives in the handset's local storage, so every handset starts with none. It holds
// pointers only; the objects register and unregister themselves.
//
// When the handset goes before a window object does, the object forgets its window (m_hWnd
// becomes null): a window handle that a window object holds is always one of the current
// handset.
#pragma once

#include "platform/mzfc.h"

namespace host::ui {

// The application object most recently registered by the current process and not yet
// unregistered. Without a current handset there is no process, and nothing is registered.
void RegisterApp(CMzApp* app);
void UnregisterApp(CMzApp* app);
CMzApp* CurrentApp();

// A window object that made a window on the current handset.
// REQUIRES: a handset exists.
void RegisterWindow(CMzWnd* wnd);
void UnregisterWindow(CMzWnd* wnd);
// The window object behind hwnd on the current handset, or null.
CMzWnd* WindowObject(HWND hwnd);

// Modal runs, innermost last.
void PushModal(CMzWnd* wnd);
void PopModal(CMzWnd* wnd);
// The innermost modal window of the current handset, or null.
CMzWnd* TopModal();

}  // namespace host::ui
