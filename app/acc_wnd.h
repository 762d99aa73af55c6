// The main window: the control panel with its status line, start button, sensitivity slider,
// four switches and toolbar, plus the gesture detector's state and the settings record.
//
// Everything is held by value and handed to the UI library by address; nothing is allocated.
// The members are built in declaration order and destroyed in reverse, so the settings record,
// declared last, is loaded after every control is built and saved before any is destroyed.
// The destructor stops no timer and closes no device; a slider value still waiting for its
// commit is stored into the thresholds first, so that the settings record saves it.
#pragma once

#include <cstdint>

#include "platform/mzfc.h"
#include "platform/windows.h"
#include "settings/acc_config.h"

class CAccWnd : public CMzWndEx {
 public:
  CAccWnd();
  ~CAccWnd() override;

  // "ZelbinAccWnd", the same constant text on every call.
  const WCHAR* GetWndClassName() override;

  // Live value of the sensitivity slider while it is dragged; the value is committed 2 s after
  // the last move (TIMER_SENSITIVITY).
  void OnMouseMove(UINT fwKeys, int xPos, int yPos) override;

  // Dispatches the five timers of app/acc_ids.h; one-shots kill themselves after acting.
  void OnTimer(UINT_PTR nIDEvent) override;

  // Toolbar, start button, switches and the operations menu (control id in LOWORD(wParam)).
  void OnUiCommand(WPARAM wParam, LPARAM lParam) override;

  // Lays out and sets up every control from the loaded settings, sets the title and ends with
  // RefreshState, whose 0 or 1 it returns. Returns 0 at once when the base refuses.
  int OnInitDialog() override;

  // Re-evaluates the situation: offers the start button (and launches the player when autorun
  // is on) when the player is missing; with gesture control on takes one further accelerometer
  // reference and arms the poll (and the self-hide when autohide is on); with it off gives one
  // reference back and stops the poll. Returns 1 exactly when the poll was armed here.
  int RefreshState();

  // Launches the player; on success shows it in the status line and the start button and arms
  // the poll and, with autoplay on, TIMER_PLAYER_HIDE. On failure only the status line changes.
  void StartMusic();

  // One tick of TIMER_POLL, the gesture detector: after 20 ticks of deaf time each tick reads a
  // sample; x at or above minacc_x asks for the next song, else z at or above minacc_z for the
  // previous one, and a command starts the deaf time again. Shows the outcome of every sampled
  // tick in the status line.
  void OnPollTick();

  // Ticks since the last gesture command; sampling starts when it reaches this.
  static constexpr int kListenAfterTicks = 20;

  UiToolbar_Text m_toolbar;
  UiStatic m_status;
  std::int8_t m_sampleX = 0;
  std::int8_t m_sampleY = 0;
  std::int8_t m_sampleZ = 0;
  int m_tickCount = 0;
  CMzStringW m_statusText;
  UiScrollWin m_scroll;
  UiCaption m_captionState;
  UiCaption m_captionParams;
  UiButton m_btnStartMusic;
  CUiStatusBar m_sliderSensitivity;
  UiButton m_btnGesture;
  UiButton m_btnAutoHide;
  UiButton m_btnAutoRun;
  UiButton m_btnAutoPlay;
  UiStatic m_lblSensitivity;
  UiStatic m_lblSensitivityValue;
  UiStatic m_lblGesture;
  UiStatic m_lblAutoHide;
  UiStatic m_lblAutoRun;
  UiStatic m_lblAutoPlay;
  CPopupMenu m_menu;
  PopupMenuItemProp m_menuItem;
  int m_menuChoice = 0;
  RECT m_menuRect{};
  // A slider value shown but not yet committed: TIMER_SENSITIVITY runs.
  bool m_sensitivityPending = false;
  AccConfig m_config;

 private:
  void SetUpToolbarAndScroll(int width, int height);
  void SetUpStatusRows(int width);
  void SetUpSettingRows(int width);
  void SetUpSwitch(UiButton& button, int id, int x, int y, bool on);
  void SetUpLabel(UiStatic& label, int y, int width, const WCHAR* text);
  // Shows value in decimal in m_lblSensitivityValue.
  void ShowSensitivityValue(int value);

  // The switch's state as a setting: on when it reads 1, off for anything else.
  static bool SwitchValue(UiButton& button);
  void OnSwitchCommand(int id);
  void OnToolbarCommand(LPARAM index);
  void RunOperationsMenu();
  void Exit();

  // TIMER_SENSITIVITY: shows the slider value in the value label, then stores it into the three
  // thresholds and saves, unless it equals minacc_x.
  void CommitSensitivity();
  // Stores the slider value into the three thresholds unless it equals minacc_x, and returns
  // whether it did; no commit is pending afterwards.
  bool StoreSensitivity();
};
