// The handset UI library's controls (included by platform/mzfc.h). Controls keep state only;
// a renderer (host/render/renderer.h) draws them, and the window they belong to turns pointer
// input into their behaviour (host/ui/).
//
// A control is owned by whoever created it; windows and parents only point at it. It can be set
// up before it has a parent or a window. Destroying a control takes it out of its parent (or
// window) and leaves its children without a parent.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/windows.h"

class CMzWnd;

// What a control is, for the host's renderers and snapshots.
enum class UiKind { kWin, kToolbar, kScroll, kCaption, kStatic, kButton, kSlider };

// Base of all controls.
class UiWin {
 public:
  UiWin();
  UiWin(const UiWin&) = delete;
  UiWin& operator=(const UiWin&) = delete;
  virtual ~UiWin();

  void SetID(int nID);
  int GetID() const;
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

  // ---- Read-only state for the host (renderers, snapshots, input).
  UiKind kind() const { return m_kind; }
  // x, y, width, height as given to SetPos, in the parent's coordinates.
  RECT position() const { return {m_x, m_y, m_x + m_width, m_y + m_height}; }
  RECT GetRect() const;
  bool enabled() const { return m_enabled; }
  // Enabled, and every parent enabled too.
  bool IsEnabledInTree() const;
  const std::u16string& text() const { return m_text; }
  // Empty until SetDrawTextFormat is called.
  std::optional<DWORD> format() const { return m_format; }
  UiWin* parent() const { return m_parent; }
  // In the order they were added (the last one is drawn on top).
  const std::vector<UiWin*>& children() const { return m_children; }
  // The window of the tree this control is in, or null.
  CMzWnd* window() const;

  // ---- Vertical scrolling of the children.
  bool scroll_bar_v() const { return m_scrollBarV; }
  // How far the children are moved up: 0 to MaxScrollOffset().
  int scroll_offset() const { return m_scrollOffset; }
  // The lowest child bottom: how tall the children are together.
  int ContentHeight() const;
  // ContentHeight() minus the height when the scroll bar is enabled and the children reach
  // below the bottom; else 0.
  int MaxScrollOffset() const;
  // Scrolls to offset, clamped to [0, MaxScrollOffset()]. Returns whether the offset changed.
  bool ScrollTo(int offset);
  bool ScrollBy(int delta) { return ScrollTo(m_scrollOffset + delta); }

 protected:
  explicit UiWin(UiKind kind);
  // Asks the control's window, if any, to repaint (no trace event).
  void RequestRepaint();

 private:
  friend class CMzWnd;

  void Detach();
  void ClampScroll();
  bool IsAncestorOf(const UiWin* other) const;

  UiKind m_kind;
  int m_id = 0;
  int m_x = 0;
  int m_y = 0;
  int m_width = 0;
  int m_height = 0;
  bool m_enabled = true;
  std::u16string m_text;
  std::optional<DWORD> m_format;
  bool m_scrollBarV = false;
  int m_scrollOffset = 0;
  UiWin* m_parent = nullptr;
  std::vector<UiWin*> m_children;
  CMzWnd* m_window = nullptr;  // set for a control added with CMzWnd::AddUiWin
};

// A row of text buttons that split the toolbar's width equally; a tap on one sends the window
// OnUiCommand(toolbar id, button index).
class UiToolbar_Text : public UiWin {
 public:
  struct Button {
    std::u16string text;
    bool enabled = false;
    bool visible = false;
  };
  static constexpr int kMaxButtons = 16;

  UiToolbar_Text();
  // Sets button index (0 to kMaxButtons - 1; others are ignored). The toolbar has as many
  // buttons as the highest index set plus one; a button never set is disabled and invisible.
  // Only an enabled, visible button takes taps.
  void SetButton(int index, bool bEnable, bool bVisible, const WCHAR* text);

  const std::vector<Button>& buttons() const { return m_buttons; }
  // The button slot under window x, or -1 (no buttons, or x outside the toolbar).
  int ButtonAt(int x) const;

 private:
  std::vector<Button> m_buttons;
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

  int type() const { return m_type; }
  int mode() const { return m_mode; }
  DWORD state() const { return m_state; }

 private:
  int m_type = 0;
  int m_mode = 0;
  DWORD m_state = 0;
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

  int range_min() const { return m_min; }
  int range_max() const { return m_max; }
  int pad_pos() const { return m_pos; }
  // The pad position for window x: the slider's left edge is the minimum, its right edge the
  // maximum, rounded to the nearest step and clamped.
  int PadposAt(int x) const;

 private:
  int m_min = 0;
  int m_max = 100;
  int m_pos = 0;
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
