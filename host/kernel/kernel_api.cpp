// The handset's core calls of platform/windows.h that act on windows, messages, timers, errors
// and modules. Each acts on the current handset.
#include <algorithm>
#include <string>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/crt/utf.h"

namespace {

host::Handset& Current() { return host::Handset::Current(); }

std::u16string_view TextOf(LPCWSTR text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

}  // namespace

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC) {
  return Current().SetTimer(hWnd, nIDEvent, uElapse);
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) { return Current().KillTimer(hWnd, uIDEvent); }

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  host::Handset& handset = Current();
  host::WindowInfo* window = handset.FindWindowInfo(hWnd);
  handset.Emit("show", [&] {
    return host::TraceFields{{"to", window != nullptr ? host::TraceFields(host::ToUtf8(window->title))
                                                      : host::TraceFields(nullptr)},
                             {"cmd", nCmdShow}};
  });
  if (window == nullptr) {
    handset.set_last_error(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasVisible = window->visible;
  bool visible = nCmdShow != SW_HIDE;
  window->visible = visible;
  // As on Win32, the window hears of a change of its visibility (a player's window may act).
  if (visible != wasVisible) handset.SendToWindow(hWnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
  host::WindowInfo* window = Current().FindWindowInfo(hWnd);
  return window != nullptr && window->visible ? TRUE : FALSE;
}

BOOL IsWindow(HWND hWnd) { return Current().FindWindowInfo(hWnd) != nullptr ? TRUE : FALSE; }

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  host::Handset& handset = Current();
  host::WindowInfo* window = handset.FindWindowInfo(hWnd);
  if (window == nullptr) {
    handset.set_last_error(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->title = TextOf(lpString);
  handset.Emit("title", [&] { return host::TraceFields{{"text", host::ToUtf8(window->title)}}; });
  return TRUE;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return Current().PostMessage(hWnd, Msg, wParam, lParam);
}

void PostQuitMessage(int nExitCode) { Current().PostQuit(nExitCode); }

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  for (const host::WindowInfo& window : Current().Windows()) {
    if (lpClassName != nullptr && window.className != lpClassName) continue;
    if (lpWindowName != nullptr && window.title != lpWindowName) continue;
    return window.hwnd;
  }
  return nullptr;
}

UINT RegisterWindowMessageW(LPCWSTR lpString) {
  return Current().RegisterWindowMessage(TextOf(lpString));
}

BOOL GetMessageW(MSG* lpMsg, HWND, UINT, UINT) { return Current().GetMessage(lpMsg); }

// No keyboard messages reach the handset's applications, so there is nothing to translate.
BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* lpMsg) {
  return lpMsg == nullptr ? 0 : Current().DispatchMessage(*lpMsg);
}

DWORD GetTickCount() { return static_cast<DWORD>(Current().clock().NowMs()); }

DWORD GetLastError() { return Current().last_error(); }

void SetLastError(DWORD dwErrCode) { Current().set_last_error(dwErrCode); }

BOOL CloseHandle(HANDLE hObject) { return Current().CloseHandle(hObject); }

HRESULT CoInitializeEx(LPVOID, DWORD) { return S_OK; }

DWORD GetModuleFileNameW(HMODULE, LPWSTR lpFilename, DWORD nSize) {
  host::Handset& handset = Current();
  std::u16string path;
  for (const host::ProcessInfo& process : handset.Processes()) {
    if (process.pid == handset.current_pid()) path = process.path;
  }
  if (path.empty()) {
    handset.set_last_error(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (nSize == 0) {
    handset.set_last_error(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (lpFilename == nullptr) {
    handset.set_last_error(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (path.size() < nSize) {
    std::copy(path.begin(), path.end(), lpFilename);
    lpFilename[path.size()] = u'\0';
    return static_cast<DWORD>(path.size());
  }
  // Win32: the name is cut to nSize units including the terminator, and nSize comes back.
  std::copy_n(path.begin(), nSize - 1, lpFilename);
  lpFilename[nSize - 1] = u'\0';
  handset.set_last_error(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}
