// The window base: its handset window, message dispatch, modal runs and controls.
#include <algorithm>

#include "host/kernel/handset.h"
#include "host/ui/ui_registry.h"
#include "platform/mzfc.h"

namespace {

int PointerX(LPARAM lParam) { return static_cast<std::int16_t>(LOWORD(lParam)); }
int PointerY(LPARAM lParam) { return static_cast<std::int16_t>(HIWORD(lParam)); }

bool IsPointerMessage(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_MOUSEMOVE ||
         message == WM_LBUTTONDBLCLK;
}

}  // namespace

CMzWnd::CMzWnd() = default;

CMzWnd::~CMzWnd() {
  for (UiWin* control : m_controls) control->m_window = nullptr;
  m_controls.clear();
  DestroyHandsetWindow();
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
  DestroyHandsetWindow();
  RECT rect{xPos, yPos, xPos + width, yPos + height};
  m_hWnd = handset->CreateWindow(
      GetWndClassName(), u"", rect, handset->current_pid(),
      [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProc(message, wParam, lParam);
      });
  if (m_hWnd == nullptr) return 0;
  host::ui::RegisterWindow(this);
  m_parentHwnd = hwndParent;
  m_style = style;
  m_needsPaint = true;
  OnInitDialog();
  return 1;
}

void CMzWnd::DestroyHandsetWindow() {
  if (m_hWnd == nullptr) return;
  // The handle is of the current handset: when the handset that made the window goes, the UI
  // registry makes the object forget it.
  host::Handset::Current().DestroyWindow(m_hWnd);
  host::ui::UnregisterWindow(this);
  m_hWnd = nullptr;
  m_press = Press{};
}

int CMzWnd::DoModal() {
  if (m_hWnd == nullptr || m_modal.running) return 0;
  Show(true, true);
  int result = RunModalLoop();
  if (m_hWnd != nullptr) Show(false, true);
  return result;
}

int CMzWnd::RunModalLoop() {
  if (m_hWnd == nullptr || m_modal.running) return 0;
  m_modal = Modal{true, false, 0};
  host::ui::PushModal(this);
  MSG msg{};
  while (m_modal.running) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The quit belongs to the outer loop: hand it on so that loop ends too.
      if (host::Handset* handset = host::Handset::CurrentOrNull()) {
        handset->RequestQuit(got == 0 ? static_cast<int>(msg.wParam) : 0);
      }
      m_modal.running = false;
      m_modal.result = 0;
      break;
    }
    TranslateMessage(&msg);
    m_modal.dispatching = true;
    DispatchMessageW(&msg);
    m_modal.dispatching = false;
  }
  host::ui::PopModal(this);
  return m_modal.result;
}

void CMzWnd::EndModal(int nResult) {
  if (!m_modal.running) return;
  m_modal.running = false;
  m_modal.result = nResult;
  // Called from outside the loop's own dispatch (input that a host tool delivered straight to a
  // window while the loop waits): wake the loop so it sees the end.
  if (!m_modal.dispatching && m_hWnd != nullptr) {
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
int CMzWnd::OnShellHomeKey(UINT, WPARAM, LPARAM) { return m_homekeyValue; }
void CMzWnd::zReserved1(void*) {}
void CMzWnd::zReserved2(void*) {}
void CMzWnd::zReserved3(void*) {}
void CMzWnd::zReserved4(void*) {}
void CMzWnd::zReserved5(void*) {}
void CMzWnd::zReserved6(void*) {}
void CMzWnd::zReserved7(void*) {}
void CMzWnd::zReserved8(void*) {}

void CMzWnd::Show(bool bShow, bool bUpdate) {
  if (m_hWnd == nullptr) return;
  ShowWindow(m_hWnd, bShow ? SW_SHOW : SW_HIDE);
  if (bUpdate) m_needsPaint = true;
}

void CMzWnd::SetShellHomekeyReturnValue(int value) { m_homekeyValue = value; }

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
  m_needsPaint = true;
  if (host::Handset* handset = host::Handset::CurrentOrNull()) handset->Emit("invalidate");
}

void CMzWnd::AddUiWin(UiWin* pWin) {
  if (pWin == nullptr || pWin->m_window == this) return;
  if (CMzWnd* old = pWin->window()) old->ForgetControl(pWin);
  pWin->Detach();
  pWin->m_window = this;
  m_controls.push_back(pWin);
  m_needsPaint = true;
}

LRESULT CMzWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsPointerMessage(message)) {
    CMzWnd* modal = host::ui::TopModal();
    if (modal != nullptr && modal != this) return 0;
  }
  switch (message) {
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      PointerDown(PointerX(lParam), PointerY(lParam));
      OnLButtonDown(static_cast<UINT>(wParam), PointerX(lParam), PointerY(lParam));
      return 0;
    case WM_MOUSEMOVE:
      PointerMove(PointerX(lParam), PointerY(lParam));
      OnMouseMove(static_cast<UINT>(wParam), PointerX(lParam), PointerY(lParam));
      return 0;
    case WM_LBUTTONUP:
      PointerUp(PointerX(lParam), PointerY(lParam));
      OnLButtonUp(static_cast<UINT>(wParam), PointerX(lParam), PointerY(lParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      // A second press in quick succession: a press like any other for the controls.
      PointerDown(PointerX(lParam), PointerY(lParam));
      OnLButtonDblClk(static_cast<UINT>(wParam), PointerX(lParam), PointerY(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    default:
      return MzDefWndProc(message, wParam, lParam);
  }
}

void CMzWndEx::zReserved1_(void*) {}
void CMzWndEx::zReserved2_(void*) {}
void CMzWndEx::zReserved3_(void*) {}
void CMzWndEx::zReserved4_(void*) {}
void CMzWndEx::zReserved5_(void*) {}
void CMzWndEx::zReserved6_(void*) {}
void CMzWndEx::zReserved7_(void*) {}
void CMzWndEx::zReserved8_(void*) {}
