#include "player/player_control.h"

#include <cstring>

#include "platform/wstring.h"

namespace {

// The player's windows that take commands, in the order they are looked for.
constexpr const WCHAR* kPlayerWindowTitles[] = {
    u"正在播放",
    u"播放列表",
    u"所有歌曲",
    u"艺术家",
};

// Whether the snapshot's entry names exeName. lowerExeName is already in lower case.
bool EntryNames(const PROCESSENTRY32& entry, const CMzStringW& lowerExeName) {
  // The listed name is copied with its bound: a record that fills all 260 characters has no
  // terminator of its own.
  CMzStringW name(MAX_PATH);
  WCHAR* text = name;
  wcsncpy(text, entry.szExeFile, MAX_PATH);
  text[MAX_PATH] = 0;
  _wcslwr(text);
  return wcscmp(text, lowerExeName) == 0;
}

}  // namespace

HWND FindProcessWindow(CMzStringW exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return nullptr;

  PROCESSENTRY32 entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.dwSize = sizeof(PROCESSENTRY32);
  if (!Process32First(snapshot, &entry)) {
    CloseToolhelp32Snapshot(snapshot);
    return nullptr;
  }
  _wcslwr(exeName);
  while (!EntryNames(entry, exeName)) {
    if (!Process32Next(snapshot, &entry)) {
      CloseToolhelp32Snapshot(snapshot);
      return nullptr;
    }
  }
  CloseToolhelp32Snapshot(snapshot);

  for (const WCHAR* title : kPlayerWindowTitles) {
    HWND window = FindWindowW(nullptr, title);
    if (window != nullptr) return window;
  }
  return nullptr;
}

HWND FindMusicWindow() { return FindProcessWindow(kMusicExeName); }

CMzStringW SendPlayerCommand(int direction) {
  // Looked for first, so a bad direction also gives the empty text when the player is missing.
  HWND window = FindMusicWindow();
  if (window == nullptr) return CMzStringW();

  WPARAM code = 0;
  const WCHAR* text = nullptr;
  switch (direction) {
    case kDirectionPrevious:
      code = PLAYER_PREV;
      text = u"正在播放前一首";
      break;
    case kDirectionToggle:
      code = PLAYER_TOGGLE;
      text = u"正在切换音乐状态";
      break;
    case kDirectionNext:
      code = PLAYER_NEXT;
      text = u"正在播放下一首";
      break;
    default:
      return CMzStringW(u"错误的播放操作参数");
  }
  PostMessageW(window, WM_PLAYER_CONTROL, code, 0);
  return CMzStringW(text);
}

void CloseMusic() { PostMessageW(FindMusicWindow(), WM_CLOSE, 0, 0); }
