// The handset's user-interface class library (MZFC): WinMain, the application and window bases,
// the controls (platform/mzfc_controls.h) and the pop-up menu, as the application calls them.
// Implemented for Linux in host/ui/; what the windows hold for the host lies behind the classes
// (host/ui/ui_state.h).
//
// Controls keep state only; a renderer (host/render/renderer.h) draws a window's control tree.
// All calls come from the user-interface thread, and act on the current handset.
#pragma once

#include <memory>

#include "platform/mz_string.h"
#include "platform/mzfc_controls.h"
#include "platform/windows.h"
#include "platform/wstring.h"

namespace host::ui {
struct MenuState;
struct WindowState;
}  // namespace host::ui

// Eight reserved slots of a window class's virtual table, zReserved1 to zReserved8 with the
// suffix after each name, taking a void* and doing nothing.
#define MZFC_RESERVED_SLOTS(suffix)         \
  virtual void zReserved1##suffix(void*) {} \
  virtual void zReserved2##suffix(void*) {} \
  virtual void zReserved3##suffix(void*) {} \
  virtual void zReserved4##suffix(void*) {} \
  virtual void zReserved5##suffix(void*) {} \
  virtual void zReserved6##suffix(void*) {} \
  virtual void zReserved7##suffix(void*) {} \
  virtual void zReserved8##suffix(void*) {}

// The work area: the screen without the handset's status bar.
RECT MzGetWorkArea();

// Calls Init once on the process's application object (the CMzApp constructed last and not yet
// destroyed). When Init succeeds, runs Run (the message loop) and then Done, and returns Run's
// result: the exit code that PostQuitMessage gave. Returns 0 at once when there is no
// application object or Init returns 0.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

class CMzApp {
 public:
  // Makes this object the process's application object.
  CMzApp();
  CMzApp(const CMzApp&) = delete;
  CMzApp& operator=(const CMzApp&) = delete;

  // The application object constructed before this one (if still alive) becomes current again.
  virtual ~CMzApp();
  // Sets the application up (creates and shows its windows); non-zero to go on. The base
  // returns TRUE.
  virtual BOOL Init();
  // The message loop: GetMessageW, PreTranslateMessage, then TranslateMessage and
  // DispatchMessageW unless it returned non-zero, until WM_QUIT. Returns the quit's exit code.
  virtual int Run();
  // Called by WinMain after Run; the base does nothing and returns TRUE.
  virtual BOOL Done();
  // Sees every message Run takes from the queue before it is dispatched; non-zero means it was
  // handled and is not dispatched. The base returns FALSE.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
};

// The window base. The virtual operations are declared in the handset library's slot order.
//
// The window procedure sends WM_TIMER to OnTimer, and turns WM_LBUTTONDOWN / WM_MOUSEMOVE /
// WM_LBUTTONUP into control behaviour first (taps, switch toggles, slider drags, scrolling) and
// then calls OnLButtonDown / OnMouseMove / OnLButtonUp. While a modal
// run (DoModal) of another window is going on, pointer input to this one is ignored. Other
// messages go to MzDefWndProc.
class CMzWnd {
 public:
  CMzWnd();
  CMzWnd(const CMzWnd&) = delete;
  CMzWnd& operator=(const CMzWnd&) = delete;

  // The window class registered by Create. The base returns u"MzWnd".
  virtual const WCHAR* GetWndClassName();
  // Destroys the window (if the handset that made it is still there); the controls are only
  // forgotten.
  virtual ~CMzWnd();
  // Messages the window does not handle itself; the base returns 0.
  virtual LRESULT MzDefWndProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnLButtonDblClk(UINT fwKeys, int xPos, int yPos);
  virtual void OnLButtonDown(UINT fwKeys, int xPos, int yPos);
  virtual void OnLButtonUp(UINT fwKeys, int xPos, int yPos);
  // Every pointer move, in window coordinates, after a slider being dragged has moved its pad.
  virtual void OnMouseMove(UINT fwKeys, int xPos, int yPos);
  virtual void OnTimer(UINT_PTR nIDEvent);
  virtual void OnSize(int nWidth, int nHeight);
  virtual void OnSettingChange(DWORD wFlag, LPCWSTR pszSectionName);
  // Returns 1: the handset needs no class registration.
  virtual int MzRegisterClass();
  // Creates the window at x, y (screen) with the size given, hidden until shown, registered with
  // the handset under GetWndClassName(), an empty title and the current process; then calls
  // OnInitDialog, whose result does not matter. An object that has a window already gets a new
  // one (the old one is destroyed). Returns 1, or 0 when the handset made no window.
  virtual int Create(int xPos, int yPos, int width, int height, HWND hwndParent = nullptr,
                     int uID = 0, DWORD style = 0, DWORD exstyle = 0);
  // Shows the window and runs a nested message loop until EndModal; hides the window and
  // returns the EndModal value. A WM_QUIT met inside ends the run with 0 and is posted again so
  // the outer loop ends too. Returns 0 at once when the window is running modally already or
  // has not been created.
  virtual int DoModal();
  virtual void OnPaint(HDC hdc, PAINTSTRUCT* ps);
  virtual void PaintWin(HDC hdc, RECT* prcWin);
  virtual void PreSubClassWindow();
  // Control commands: the control id in the low 16 bits of wParam; for a toolbar, the button
  // index as lParam.
  virtual void OnUiCommand(WPARAM wParam, LPARAM lParam);
  // Called once the handle and size exist; non-zero to proceed (the base returns 1).
  virtual int OnInitDialog();
  virtual void OnCommand(WORD wNotifyCode, WORD wID, HWND hwndFrom);
  // The Home key; the base returns the value given to SetShellHomekeyReturnValue.
  virtual int OnShellHomeKey(UINT message, WPARAM wParam, LPARAM lParam);
  MZFC_RESERVED_SLOTS()

  // Ends a running DoModal with nResult (no effect when no modal run is active).
  void EndModal(int nResult);
  // Shows (SW_SHOW) or hides (SW_HIDE) the window. bUpdate asks for a repaint.
  void Show(bool bShow = true, bool bUpdate = true);
  void SetShellHomekeyReturnValue(int value);
  // The window's current size; 0 without a window.
  int GetWidth();
  int GetHeight();
  // Repaint: prcUpdate is always null (the whole window) and bErase 0. Traced as "invalidate".
  void Invalidate(RECT* prcUpdate = nullptr, int bErase = 0);
  // Adds a top-level control, placed in window coordinates and drawn over the ones added
  // before it; it stays owned by the caller.
  void AddUiWin(UiWin* pWin);

  HWND m_hWnd = nullptr;

 private:
  friend struct host::ui::Access;
  std::unique_ptr<host::ui::WindowState> m_state;
};

class CMzWndEx : public CMzWnd {
 public:
  MZFC_RESERVED_SLOTS(_)
};

struct PopupMenuItemProp {
  CMzStringW text;
  int attribute = 0;
  int id = 0;
};

// A pop-up menu window: items stacked from its top, each as high as the library draws them,
// across its width. Its items live for one modal run: AddItem them, Create the window, DoModal.
class CPopupMenu : public CMzWndEx {
 public:
  explicit CPopupMenu(const WCHAR* title = nullptr);
  ~CPopupMenu() override;
  // Copies the item.
  void AddItem(PopupMenuItemProp& item);
  // Height of all items added for this run.
  int GetHeight();
  // Traces "menu", shows the menu and runs it until an item is tapped (returns its id), a tap
  // lands outside the items (returns 0) or EndModal(n) (returns n); traces "menu-end", destroys
  // the menu window and forgets the items. Without Create, the menu is placed across the bottom
  // of the work area.
  int DoModal() override;
  const WCHAR* GetWndClassName() override;
  void OnLButtonDown(UINT fwKeys, int xPos, int yPos) override;
  void OnLButtonUp(UINT fwKeys, int xPos, int yPos) override;

 private:
  friend struct host::ui::Access;
  std::unique_ptr<host::ui::MenuState> m_menu;
};
