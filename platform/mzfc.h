// The handset's user-interface class library (MZFC): WinMain, the application and window bases,
// the controls and the pop-up menu. Implemented for Linux in host/ui/.
//
// Controls keep state only; a renderer (host/ui/renderer.h) draws a window's control tree.
// All calls come from the user-interface thread.
#pragma once

#include <vector>

#include "platform/mz_string.h"
#include "platform/windows.h"
#include "platform/wstring.h"

// The work area: the screen without the handset's status bar.
RECT MzGetWorkArea();

// Calls Init once on the process's application object (the one CMzApp constructed in this
// process), then runs the message loop until WM_QUIT; returns the quit message's exit code.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

class CMzApp {
 public:
  // Registers this object as the process's application object.
  CMzApp();
  CMzApp(const CMzApp&) = delete;
  CMzApp& operator=(const CMzApp&) = delete;

  virtual ~CMzApp();
  virtual BOOL Init();
  virtual int Run();
  virtual BOOL Done();
  virtual BOOL PreTranslateMessage(MSG* pMsg);
};

class UiWin;

// The window base. The virtual operations are declared in the handset library's slot order.
class CMzWnd {
 public:
  CMzWnd();
  CMzWnd(const CMzWnd&) = delete;
  CMzWnd& operator=(const CMzWnd&) = delete;

  virtual const WCHAR* GetWndClassName();
  virtual ~CMzWnd();
  virtual LRESULT MzDefWndProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnLButtonDblClk(UINT fwKeys, int xPos, int yPos);
  virtual void OnLButtonDown(UINT fwKeys, int xPos, int yPos);
  virtual void OnLButtonUp(UINT fwKeys, int xPos, int yPos);
  virtual void OnMouseMove(UINT fwKeys, int xPos, int yPos);
  virtual void OnTimer(UINT_PTR nIDEvent);
  virtual void OnSize(int nWidth, int nHeight);
  virtual void OnSettingChange(DWORD wFlag, LPCWSTR pszSectionName);
  virtual int MzRegisterClass();
  // Creates the window (registered with the handset, hidden until shown) and then calls
  // OnInitDialog. Returns non-zero on success.
  virtual int Create(int xPos, int yPos, int width, int height, HWND hwndParent = nullptr,
                     int uID = 0, DWORD style = 0, DWORD exstyle = 0);
  // Shows the window and runs a nested message loop until EndModal; returns its result.
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
  virtual int OnShellHomeKey(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void zReserved1(void*);
  virtual void zReserved2(void*);
  virtual void zReserved3(void*);
  virtual void zReserved4(void*);
  virtual void zReserved5(void*);
  virtual void zReserved6(void*);
  virtual void zReserved7(void*);
  virtual void zReserved8(void*);

  // Ends a running DoModal with nResult (no effect when no modal run is active).
  void EndModal(int nResult);
  void Show(bool bShow = true, bool bUpdate = true);
  void SetShellHomekeyReturnValue(int value);
  int GetWidth();
  int GetHeight();
  // Repaint: prcUpdate is always null (the whole window) and bErase 0.
  void Invalidate(RECT* prcUpdate = nullptr, int bErase = 0);
  // Adds a top-level control; it stays owned by the caller.
  void AddUiWin(UiWin* pWin);

  HWND m_hWnd = nullptr;
};

class CMzWndEx : public CMzWnd {
 public:
  virtual void zReserved1_(void*);
  virtual void zReserved2_(void*);
  virtual void zReserved3_(void*);
  virtual void zReserved4_(void*);
  virtual void zReserved5_(void*);
  virtual void zReserved6_(void*);
  virtual void zReserved7_(void*);
  virtual void zReserved8_(void*);
};

// Base of all controls.
class UiWin {
 public:
  UiWin();
  UiWin(const UiWin&) = delete;
  UiWin& operator=(const UiWin&) = delete;
  virtual ~UiWin();

  void SetID(int nID);
  int GetID() const;
  // Adds a child control, placed in this control's coordinates; it stays owned by the caller.
  void AddChild(UiWin* pChild);
  void SetDrawTextFormat(DWORD format);
  void EnableScrollBarV(bool bEnable);
  // Where the control is shown, in its window's coordinates (parents' positions and scroll
  // offsets applied).
  RECT GetRect();

  virtual void SetPos(int x, int y, int w, int h, UINT flags = 0);
  virtual void SetEnable(bool bEnable);
  // Copies text.
  virtual void SetText(const WCHAR* text);
};

class UiToolbar_Text : public UiWin {
 public:
  void SetButton(int index, bool bEnable, bool bVisible, const WCHAR* text);
};

class UiButton : public UiWin {
 public:
  void SetButtonType(int type);
  void SetButtonMode(int mode);
  void SetState(DWORD state);
  DWORD GetState();
};

// A slider: a pad dragged between a minimum and a maximum.
class CUiStatusBar : public UiWin {
 public:
  void SetRange(int minimum, int maximum);
  void SetPadpos(int pos);
  int GetPadpos();
};

class UiStatic : public UiWin {};
class UiCaption : public UiWin {};
class UiScrollWin : public UiWin {};

struct PopupMenuItemProp {
  CMzStringW text;
  int attribute = 0;
  int id = 0;
};

// A pop-up menu window. Its items live for one modal run.
class CPopupMenu : public CMzWndEx {
 public:
  explicit CPopupMenu(const WCHAR* title = nullptr);
  // Copies the item.
  void AddItem(PopupMenuItemProp& item);
  // Height of all items added for this run.
  int GetHeight();
  // Shows the menu until an item is picked (its id) or it is left (0).
  int DoModal() override;
};
