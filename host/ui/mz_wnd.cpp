// The window base: its handset window, message dispatch, modal runs and controls.
#include <algorithm>

#include "host/kernel/handset.h"
#include "host/kernel/screen_generation.h"
#include "host/ui/ui_library.h"
#include "host/ui/ui_registry.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"

using host::ui::Access;
using host::ui::WindowState;

namespace {

int PointerX(LPARAM lParam) { return static_cast<std::int16_t>(LOWORD(lParam)); }
int PointerY(LPARAM lParam) { return static_cast<std::int16_t>(HIWORD(lParam)); }

// A pointer message: what the controls do with it first, then the window's hook.
struct PointerMessage {
  UINT message;
  void (*controls)(CMzWnd&, int x, int y);
  void (CMzWnd::*hook)(UINT fwKeys, int xPos, int yPos);
};

// A double click is a second press in quick succession: a press like any other for the
// controls.
constexpr PointerMessage kPointerMessages[] = {
    {WM_LBUTTONDOWN, host::ui::PointerDown, &CMzWnd::OnLButtonDown},
    {WM_MOUSEMOVE, host::ui::PointerMove, &CMzWnd::OnMouseMove},
    {WM_LBUTTONUP, host::ui::PointerUp, &CMzWnd::OnLButtonUp},
    {WM_LBUTTONDBLCLK, host::ui::PointerDown, &CMzWnd::OnLButtonDblClk},
};

LRESULT WindowProc(CMzWnd& wnd, UINT message, WPARAM wParam, LPARAM lParam) {
  for (const PointerMessage& pointer : kPointerMessages) {
    if (pointer.message != message) continue;
    // While another window runs modally, pointer input to this one is ignored.
    CMzWnd* modal = host::ui::TopModal();
    if (modal != nullptr && modal != &wnd) return 0;
    int x = PointerX(lParam);
    int y = PointerY(lParam);
    pointer.controls(wnd, x, y);
    (wnd.*pointer.hook)(static_cast<UINT>(wParam), x, y);
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      wnd.OnTimer(static_cast<UINT_PTR>(wParam));
      return 0;
    case WM_COMMAND:
      wnd.OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    default:
      return wnd.MzDefWndProc(message, wParam, lParam);
  }
}

}  // namespace

namespace host::ui {

void RequestRepaint(CMzWnd& wnd) {
  Access::Of(wnd).needsPaint = true;
  ScreenChanged();
}

void MarkPainted(CMzWnd& wnd) { Access::Of(wnd).needsPaint = false; }

void DestroyHandsetWindow(CMzWnd& wnd) {
  if (wnd.m_hWnd == nullptr) return;
  // The handle is of the current handset: when the handset that made the window goes, the UI
  // registry makes the object forget it.
  Handset::Current().DestroyWindow(wnd.m_hWnd);
  UnregisterWindow(&wnd);
  wnd.m_hWnd = nullptr;
  Access::Of(wnd).press = Press{};
}

int RunModalLoop(CMzWnd& wnd) {
  Modal& modal = Access::Of(wnd).modal;
  if (wnd.m_hWnd == nullptr || modal.running) return 0;
  modal = Modal{true, false, 0};
  PushModal(&wnd);
  MSG msg{};
  while (modal.running) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The quit belongs to the outer loop: hand it on so that loop ends too.
      if (Handset* handset = Handset::CurrentOrNull()) {
        handset->RequestQuit(got == 0 ? static_cast<int>(msg.wParam) : 0);
      }
      modal.running = false;
      modal.result = 0;
      break;
    }
    TranslateMessage(&msg);
    modal.dispatching = true;
    DispatchMessageW(&msg);
    modal.dispatching = false;
  }
  PopModal(&wnd);
  return modal.result;
}

}  // namespace host::ui

CMzWnd::CMzWnd() : m_state(std::make_unique<WindowState>()) {}

CMzWnd::~CMzWnd() {
  for (UiWin* control : m_state->controls) Access::Of(*control).window = nullptr;
  m_state->controls.clear();
  host::ScreenChanged();
  host::ui::DestroyHandsetWindow(*this);
  host::ui::UnregisterWindow(this);
}

const WCHAR* CMzWnd::GetWndClassName() { return u"MzWnd"; }

LRESULT CMzWnd::MzDefWndProc(UINT, WPARAM, LPARAM) { return 0; }

void CMzWnd::OnLButtonDblClk(UINT, int, int) {}
void CMzWnd::OnLButtonDown(UINT, int, int) {}
void CMzWnd::OnLButtonUp(UINT, int, int) {}
void CMzWnd::OnMouseMove(UINT, int, int) {}
void CMzWnd::OnTimer(UINT_PTR) {}
void CMzWnd::OnSize(int, int) {}
void CMzWnd::OnSettingChange(DWORD, LPCWSTR) {}
int CMzWnd::MzRegisterClass() { return 1; }

int CMzWnd::Create(int xPos, int yPos, int width, int height, HWND hwndParent, int, DWORD style,
                   DWORD) {
  host::Handset* handset = host::Handset::CurrentOrNull();
  if (handset == nullptr) return 0;
  host::ui::DestroyHandsetWindow(*this);
  RECT rect{xPos, yPos, xPos + width, yPos + height};
  m_hWnd = handset->CreateWindow(
      GetWndClassName(), u"", rect, handset->current_pid(),
      [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProc(*this, message, wParam, lParam);
      });
  if (m_hWnd == nullptr) return 0;
  host::ui::RegisterWindow(this);
  m_state->parentHwnd = hwndParent;
  m_state->style = style;
  m_state->needsPaint = true;
  OnInitDialog();
  return 1;
}

int CMzWnd::DoModal() {
  if (m_hWnd == nullptr || m_state->modal.running) return 0;
  Show(true, true);
  int result = host::ui::RunModalLoop(*this);
  if (m_hWnd != nullptr) Show(false, true);
  return result;
}

void CMzWnd::EndModal(int nResult) {
  host::ui::Modal& modal = m_state->modal;
  if (!modal.running) return;
  modal.running = false;
  modal.result = nResult;
  // Called from outside the loop's own dispatch (input that a host tool delivered straight to a
  // window while the loop waits): wake the loop so it sees the end.
  if (!modal.dispatching && m_hWnd != nullptr) {
    if (host::Handset* handset = host::Handset::CurrentOrNull()) {
      handset->PostMessageUntraced(m_hWnd, WM_NULL, 0, 0);
    }
  }
}

void CMzWnd::OnPaint(HDC, PAINTSTRUCT*) {}
void CMzWnd::PaintWin(HDC, RECT*) {}
void CMzWnd::PreSubClassWindow() {}
void CMzWnd::OnUiCommand(WPARAM, LPARAM) {}
int CMzWnd::OnInitDialog() { return 1; }
void CMzWnd::OnCommand(WORD, WORD, HWND) {}
int CMzWnd::OnShellHomeKey(UINT, WPARAM, LPARAM) { return m_state->homekeyValue; }

void CMzWnd::Show(bool bShow, bool bUpdate) {
  if (m_hWnd == nullptr) return;
  ShowWindow(m_hWnd, bShow ? SW_SHOW : SW_HIDE);
  if (bUpdate) m_state->needsPaint = true;
}

void CMzWnd::SetShellHomekeyReturnValue(int value) { m_state->homekeyValue = value; }

int CMzWnd::GetWidth() {
  host::Handset* handset = host::Handset::CurrentOrNull();
  const host::WindowInfo* info = handset != nullptr ? handset->FindWindowInfo(m_hWnd) : nullptr;
  return info != nullptr ? info->rect.right - info->rect.left : 0;
}

int CMzWnd::GetHeight() {
  host::Handset* handset = host::Handset::CurrentOrNull();
  const host::WindowInfo* info = handset != nullptr ? handset->FindWindowInfo(m_hWnd) : nullptr;
  return info != nullptr ? info->rect.bottom - info->rect.top : 0;
}

void CMzWnd::Invalidate(RECT*, int) {
  m_state->needsPaint = true;
  if (host::Handset* handset = host::Handset::CurrentOrNull()) handset->Emit("invalidate");
}

void CMzWnd::AddUiWin(UiWin* pWin) {
  if (pWin == nullptr || Access::Of(*pWin).window == this) return;
  if (CMzWnd* old = host::ui::WindowOf(*pWin)) host::ui::ForgetControl(*old, pWin);
  // Out of its parent or window first: a control has one place.
  host::ui::Detach(*pWin);
  Access::Of(*pWin).window = this;
  m_state->controls.push_back(pWin);
  host::ui::RequestRepaint(*this);
}
