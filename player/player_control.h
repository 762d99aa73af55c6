// The handset's music player, MzMusic.exe: a separate program that is found, commanded and
// closed from outside. Nothing about it is cached: every call looks for it afresh, so a player
// started or ended behind our back is noticed at the next call.
//
// Launching the player is CAccWnd::StartMusic (app/acc_wnd.h), since it updates the window.
#pragma once

#include "platform/mz_string.h"
#include "platform/windows.h"

// Posted to the player's window with the command code as wParam and 0 as lParam.
constexpr UINT WM_PLAYER_CONTROL = 0xFFF00003;
constexpr WPARAM PLAYER_PREV = 1;
constexpr WPARAM PLAYER_TOGGLE = 2;
constexpr WPARAM PLAYER_NEXT = 3;

// The player as listed among the running processes, and where it is launched from.
inline constexpr const WCHAR* kMusicExeName = u"MzMusic.exe";
inline constexpr const WCHAR* kMusicExePath = u"\\Windows\\MzMusic.exe";

// The player's main window when a process named exeName runs (whole name, extension included,
// letter case ignored): the first top-level window titled "正在播放", "播放列表", "所有歌曲" or
// "艺术家", in this order. Null when the process is not listed or none of the windows exists.
// The window is found by title alone; whether it belongs to that process is not checked.
HWND FindProcessWindow(CMzStringW exeName);

// FindProcessWindow for MzMusic.exe.
HWND FindMusicWindow();

// The directions SendPlayerCommand takes.
constexpr int kDirectionPrevious = -1;
constexpr int kDirectionToggle = 0;
constexpr int kDirectionNext = +1;

// Tells the player to play the previous song (-1), to toggle play/pause (0) or to play the next
// song (+1), without waiting for it. Returns the status text for the user: "正在播放前一首",
// "正在切换音乐状态" or "正在播放下一首"; "错误的播放操作参数" for any other direction (nothing
// posted); the empty text when the player's window was not found (nothing posted).
CMzStringW SendPlayerCommand(int direction);

// Asks the player's window to close (WM_CLOSE) without waiting. With no player the request
// reaches no window.
void CloseMusic();
