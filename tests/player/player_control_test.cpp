#include "player/player_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/crt/utf.h"
#include "tests/player/event_log.h"

namespace {

using Lines = std::vector<std::string>;

const char16_t kNowPlaying[] = u"正在播放";
const char16_t kPlaylist[] = u"播放列表";
const char16_t kAllSongs[] = u"所有歌曲";
const char16_t kArtists[] = u"艺术家";

// A handset with a process list and top-level windows that record what they are sent.
class PlayerTest : public testing::Test {
 protected:
  PlayerTest() : m_handset(m_clock) { m_handset.set_trace(&m_log); }

  DWORD StartProcess(std::u16string path) { return m_handset.StartProcess(std::move(path), nullptr); }

  HWND AddWindow(const char16_t* title, DWORD pid) {
    return m_handset.CreateWindow(u"", title, RECT{0, 0, 480, 720}, pid,
                                  [this, title](HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
                                    m_received.push_back(Received(title, msg, wParam, lParam));
                                    return LRESULT{0};
                                  });
  }

  DWORD StartPlayer() {
    DWORD pid = StartProcess(u"\\Windows\\MzMusic.exe");
    AddWindow(kNowPlaying, pid);
    return pid;
  }

  // Lets the handset deliver what was posted.
  void Deliver() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }

  // Live handles among the first ones a fresh handset gives out.
  int LiveHandles() {
    int live = 0;
    for (std::uintptr_t id = 0x100; id < 0x200; id += 4) {
      if (m_handset.LookupHandle(reinterpret_cast<HANDLE>(id)) != nullptr) ++live;
    }
    return live;
  }

  static std::string Received(const char16_t* title, UINT msg, WPARAM wParam, LPARAM lParam) {
    return host::ToUtf8(title) + " " + std::to_string(msg) + " " + std::to_string(wParam) + " " +
           std::to_string(lParam);
  }

  host::VirtualClock m_clock;
  host::Handset m_handset;
  EventLog m_log;
  Lines m_received;
};

std::u16string TitleOf(HWND hwnd) {
  host::WindowInfo* info = host::Handset::Current().FindWindowInfo(hwnd);
  return info == nullptr ? u"(none)" : info->title;
}

TEST_F(PlayerTest, ProcessNameMatchesIgnoringCaseButOtherwiseExactly) {
  struct Case {
    std::u16string path;
    bool found;
  };
  const Case cases[] = {
      {u"\\Windows\\MzMusic.exe", true},    {u"\\Windows\\MZMUSIC.EXE", true},
      {u"\\Storage\\mzmusic.exe", true},    {u"\\Windows\\MzMusic.exe.bak", false},
      {u"\\Windows\\MzMusic", false},       {u"\\Windows\\XMzMusic.exe", false},
      {u"\\Windows\\MzMusic.ex", false},    {u"\\Windows\\MzMusic2.exe", false},
  };
  AddWindow(kNowPlaying, StartProcess(u"\\Windows\\explorer.exe"));
  for (const Case& c : cases) {
    DWORD pid = StartProcess(c.path);
    EXPECT_EQ(c.found, FindMusicWindow() != nullptr) << std::string(c.path.begin(), c.path.end());
    m_handset.EndProcess(pid);
  }
}

TEST_F(PlayerTest, WindowTitlesAreTriedInOrder) {
  struct Case {
    std::vector<const char16_t*> titles;  // created in this order
    std::u16string found;
  };
  const Case cases[] = {
      {{kArtists, kNowPlaying}, kNowPlaying},
      {{kArtists, kAllSongs, kPlaylist}, kPlaylist},
      {{kArtists, kAllSongs}, kAllSongs},
      {{kArtists}, kArtists},
      {{u"正在播放 ", u"播放", u"Artists"}, u"(none)"},
      {{}, u"(none)"},
  };
  for (const Case& c : cases) {
    for (const host::WindowInfo& window : m_handset.Windows()) m_handset.DestroyWindow(window.hwnd);
    DWORD pid = StartProcess(u"\\Windows\\MzMusic.exe");
    for (const char16_t* title : c.titles) AddWindow(title, pid);
    EXPECT_EQ(c.found, TitleOf(FindMusicWindow())) << c.titles.size() << " windows";
    m_handset.EndProcess(pid);
  }
}

TEST_F(PlayerTest, NoWindowIsLookedForWithoutTheProcess) {
  // A window of that title belonging to another program does not count.
  DWORD other = StartProcess(u"\\Windows\\Other.exe");
  AddWindow(kNowPlaying, other);
  EXPECT_EQ(nullptr, FindMusicWindow());

  // The process alone, without any of the four windows, does not count either.
  m_handset.EndProcess(other);
  StartProcess(u"\\Windows\\MzMusic.exe");
  EXPECT_EQ(nullptr, FindMusicWindow());
}

TEST_F(PlayerTest, SnapshotIsClosedOnEveryPath) {
  EXPECT_EQ(nullptr, FindMusicWindow()) << "empty process list";
  StartProcess(u"\\Windows\\Other.exe");
  EXPECT_EQ(nullptr, FindMusicWindow()) << "no such process";
  DWORD pid = StartPlayer();
  EXPECT_NE(nullptr, FindMusicWindow()) << "found";
  EXPECT_NE(nullptr, FindProcessWindow(CMzStringW(u"Other.exe"))) << "found among several";
  m_handset.EndProcess(pid);
  StartProcess(u"\\Windows\\MzMusic.exe");
  EXPECT_EQ(nullptr, FindMusicWindow()) << "process without window";
  EXPECT_EQ(0, LiveHandles());
}

TEST_F(PlayerTest, CommandsArePostedWithTheirCodesAndTexts) {
  struct Case {
    int direction;
    std::u16string text;
    Lines posted;
  };
  const Case cases[] = {
      {+1, u"正在播放下一首", {"post 正在播放 4293918723 3 0"}},
      {-1, u"正在播放前一首", {"post 正在播放 4293918723 1 0"}},
      {0, u"正在切换音乐状态", {"post 正在播放 4293918723 2 0"}},
      {2, u"错误的播放操作参数", {}},
      {-2, u"错误的播放操作参数", {}},
  };
  StartPlayer();
  for (const Case& c : cases) {
    m_log.Clear();
    EXPECT_EQ(c.text, std::u16string(SendPlayerCommand(c.direction).C_Str())) << c.direction;
    EXPECT_EQ(c.posted, m_log.Of({"post"})) << c.direction;
  }
  // The player's window receives them in the order they were sent.
  Deliver();
  EXPECT_EQ((Lines{Received(kNowPlaying, WM_PLAYER_CONTROL, PLAYER_NEXT, 0),
                   Received(kNowPlaying, WM_PLAYER_CONTROL, PLAYER_PREV, 0),
                   Received(kNowPlaying, WM_PLAYER_CONTROL, PLAYER_TOGGLE, 0)}),
            m_received);
}

TEST_F(PlayerTest, CommandsWithoutPlayerGiveTheEmptyTextAndPostNothing) {
  AddWindow(kNowPlaying, StartProcess(u"\\Windows\\Other.exe"));
  for (int direction : {-1, 0, 1, 2}) {
    EXPECT_EQ(u"", std::u16string(SendPlayerCommand(direction).C_Str())) << direction;
  }
  EXPECT_EQ(Lines{}, m_log.Of({"post"}));
}

TEST_F(PlayerTest, CloseMusicAsksThePlayerWindowToClose) {
  StartPlayer();
  CloseMusic();
  Deliver();
  EXPECT_EQ(Lines{Received(kNowPlaying, WM_CLOSE, 0, 0)}, m_received);
}

TEST_F(PlayerTest, CloseMusicWithoutPlayerClosesNothing) {
  AddWindow(kNowPlaying, StartProcess(u"\\Windows\\Other.exe"));
  CloseMusic();
  Deliver();
  EXPECT_EQ(Lines{}, m_received);
}

}  // namespace
