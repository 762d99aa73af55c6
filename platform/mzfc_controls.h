// The handset UI library's controls (included by platform/mzfc.h): what the application calls.
// Controls keep state only; a renderer (host/render/renderer.h) draws them, and the window they
// belong to turns pointer input into their behaviour. What they hold, and what the host reads
// of it, lies behind the classes (host/ui/ui_state.h).
//
// A control is owned by whoever created it; windows and parents only point at it. It can be set
// up before it has a parent or a window. Destroying a control takes it out of its parent (or
// window) and leaves its children without a parent.
#pragma once

#include <memory>

#include "platform/windows.h"

namespace host::ui {
struct Access;
struct ControlState;
}  // namespace host::ui

// Base of all controls.
class UiWin {
 public:
  UiWin();
  UiWin(const UiWin&) = delete;
  UiWin& operator=(const UiWin&) = delete;
  virtual ~UiWin();

  void SetID(int nID);
  // Adds a child control, placed in this control's coordinates and drawn over the children
  // added before it; it stays owned by the caller. A control has one parent: adding it again
  // elsewhere moves it. Adding a control to itself or to one of its descendants is ignored.
  void AddChild(UiWin* pChild);
  // DrawText flags for the control's text (DT_LEFT | DT_VCENTER ...).
  void SetDrawTextFormat(DWORD format);
  // Lets the control scroll its children vertically when they reach below its bottom.
  void EnableScrollBarV(bool bEnable);
  // Where the control is shown, in its window's coordinates (parents' positions and scroll
  // offsets applied). Not clipped to the parents.
  RECT GetRect();

  virtual void SetPos(int x, int y, int w, int h, UINT flags = 0);
  virtual void SetEnable(bool bEnable);
  // Copies text (null is the empty text).
  virtual void SetText(const WCHAR* text);

 private:
  friend struct host::ui::Access;
  std::unique_ptr<host::ui::ControlState> m_state;
};

// A row of text buttons that split the toolbar's width equally; a tap on one sends the window
// OnUiCommand(toolbar id, button index).
class UiToolbar_Text : public UiWin {
 public:
  UiToolbar_Text();
  // Sets button index (0 to 15; others are ignored). The toolbar has as many buttons as the
  // highest index set plus one; a button never set is disabled and invisible. Only an enabled,
  // visible button takes taps.
  void SetButton(int index, bool bEnable, bool bVisible, const WCHAR* text);
};

// A push button. In mode kModeSwitch it is a switch (shown as one with type kTypeSwitch): a tap
// toggles its state between off (any state but kStateOn) and on (kStateOn) before the window
// hears of the tap.
class UiButton : public UiWin {
 public:
  // Looks (SetButtonType). Any other type looks like kTypePlain.
  static constexpr int kTypePlain = 6;
  static constexpr int kTypeAction = 7;  // asks to be pressed
  static constexpr int kTypeSwitch = 11;
  // Behaviours (SetButtonMode): 0 is a push button.
  static constexpr int kModeSwitch = 1;
  // A switch's state when on (SetState, GetState).
  static constexpr DWORD kStateOn = 1;

  UiButton();
  // The look (the renderer's business).
  void SetButtonType(int type);
  void SetButtonMode(int mode);
  void SetState(DWORD state);
  // 0 until set or toggled.
  DWORD GetState();
};

// A slider: a pad dragged between a minimum and a maximum (0 to 100 until SetRange). A drag
// that starts on it moves the pad with the pointer's x across the slider's width, before the
// window's OnMouseMove hears of the move.
class CUiStatusBar : public UiWin {
 public:
  CUiStatusBar();
  // A maximum below the minimum is taken as the minimum. The pad is clamped into the range.
  void SetRange(int minimum, int maximum);
  // Clamped into the range.
  void SetPadpos(int pos);
  int GetPadpos();
};

// A line of text. Statics and captions let the pointer through to what lies beneath them.
class UiStatic : public UiWin {
 public:
  UiStatic();
};

// A section heading.
class UiCaption : public UiWin {
 public:
  UiCaption();
};

// A container whose children scroll vertically (with EnableScrollBarV) by dragging its empty
// area, or by the ones between the children that let the pointer through.
class UiScrollWin : public UiWin {
 public:
  UiScrollWin();
};
