// Ids of the main window's timers, controls and operations-menu items.
#pragma once

// Window timers of the main window (SetTimer with its handle, no callback routine).
constexpr unsigned TIMER_POLL = 1;          // 100 ms, the gesture detector's tick
constexpr unsigned TIMER_PLAYER_HIDE = 10;  // 2000 ms one-shot: play/pause, hide the player
constexpr unsigned TIMER_SELF_HIDE = 11;    // 2000 ms one-shot: hide the main window
constexpr unsigned TIMER_SENSITIVITY = 12;  // 2000 ms one-shot: commit the slider value
constexpr unsigned TIMER_RECHECK = 13;      // 2000 ms one-shot: RefreshState

constexpr unsigned kPollPeriodMs = 100;
constexpr unsigned kOneShotPeriodMs = 2000;

// Controls (104 and 105 are not used).
constexpr int IDC_TOOLBAR = 101;
constexpr int IDC_SCROLL = 102;
constexpr int IDC_START_MUSIC = 103;
constexpr int IDC_SENSITIVITY = 106;
constexpr int IDC_GESTURE = 107;
constexpr int IDC_AUTOHIDE = 108;
constexpr int IDC_AUTORUN = 109;
constexpr int IDC_AUTOPLAY = 110;

// Toolbar buttons, by index (the LPARAM of an IDC_TOOLBAR command).
constexpr int kToolbarHide = 0;
constexpr int kToolbarOperations = 1;
constexpr int kToolbarExit = 2;

// Operations-menu items.
constexpr int IDM_PAUSE = 120;
constexpr int IDM_CLOSE_MUSIC = 121;
constexpr int IDM_CLOSE_ALL = 122;
constexpr int IDM_BACK = 124;
