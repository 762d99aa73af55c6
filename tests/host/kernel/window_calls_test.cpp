// The window, error, module and diagnostics calls of the handset's core.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/kernel/handset.h"

namespace host {
namespace {

class WindowCallsTest : public ::testing::Test {
 protected:
  HWND Window(std::u16string className, std::u16string title) {
    return m_handset.CreateWindow(std::move(className), std::move(title), RECT{}, 0,
                                  [this](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                                    m_received.push_back(msg);
                                    return 0;
                                  });
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::vector<UINT> m_received;
};

TEST_F(WindowCallsTest, FindWindowMatchesExactlyAndTheFirstCreatedWins) {
  HWND first = Window(u"Shell", u"正在播放");
  HWND second = Window(u"Player", u"正在播放");
  HWND other = Window(u"Player", u"Other");
  ShowWindow(other, SW_SHOW);
  struct Case {
    const WCHAR* className;
    const WCHAR* title;
    HWND expected;
  };
  for (const Case& c : std::vector<Case>{
           {nullptr, u"正在播放", first},
           {u"Player", u"正在播放", second},
           {u"Player", nullptr, second},
           {nullptr, u"Other", other},
           {nullptr, u"other", nullptr},
           {nullptr, u"正在", nullptr},
           {u"Missing", u"正在播放", nullptr},
       }) {
    EXPECT_EQ(c.expected, FindWindowW(c.className, c.title))
        << "case with class " << (c.className ? "given" : "null");
  }
  m_handset.DestroyWindow(first);
  EXPECT_EQ(second, FindWindowW(nullptr, u"正在播放"));
}

TEST_F(WindowCallsTest, ShowWindowReturnsThePreviousVisibilityAndTellsTheWindowOfAChange) {
  HWND hwnd = Window(u"C", u"W");
  struct Step {
    int cmd;
    BOOL result;
    BOOL visibleAfter;
    bool told;  // the window received WM_SHOWWINDOW
  };
  for (const Step& s : std::vector<Step>{{SW_SHOW, FALSE, TRUE, true},
                                         {SW_SHOWNORMAL, TRUE, TRUE, false},
                                         {SW_HIDE, TRUE, FALSE, true},
                                         {SW_HIDE, FALSE, FALSE, false}}) {
    m_received.clear();
    EXPECT_EQ(s.result, ShowWindow(hwnd, s.cmd)) << "cmd " << s.cmd;
    EXPECT_EQ(s.visibleAfter, IsWindowVisible(hwnd)) << "cmd " << s.cmd;
    EXPECT_EQ(s.told ? std::vector<UINT>{WM_SHOWWINDOW} : std::vector<UINT>{}, m_received)
        << "cmd " << s.cmd;
  }
}

TEST_F(WindowCallsTest, DeadAndNullWindowsAreRefused) {
  HWND dead = Window(u"C", u"Dead");
  m_handset.DestroyWindow(dead);
  for (HWND hwnd : {dead, static_cast<HWND>(nullptr)}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FALSE, PostMessageW(hwnd, WM_CLOSE, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FALSE, ShowWindow(hwnd, SW_SHOW));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ(FALSE, SetWindowTextW(hwnd, u"x"));
    EXPECT_EQ(FALSE, IsWindow(hwnd));
    EXPECT_EQ(FALSE, IsWindowVisible(hwnd));
  }
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(0u, SetTimer(dead, 1, 100, nullptr));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  MSG msg;
  EXPECT_EQ(FALSE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(WM_QUIT, msg.message);
  EXPECT_TRUE(m_received.empty());
}

TEST_F(WindowCallsTest, SetWindowTextRenamesTheWindow) {
  HWND hwnd = Window(u"ZelbinAccWnd", u"");
  EXPECT_EQ(TRUE, SetWindowTextW(hwnd, u"Quorvane"));
  EXPECT_EQ(hwnd, FindWindowW(u"ZelbinAccWnd", u"Quorvane"));
  EXPECT_EQ(u"Quorvane", m_handset.FindWindowInfo(hwnd)->title);
}

TEST_F(WindowCallsTest, RegisteredMessagesAreNumberedByName) {
  struct Case {
    const WCHAR* name;
    UINT expected;
  };
  for (const Case& c : std::vector<Case>{{u"AccMessage", 0xC000},
                                         {u"Other", 0xC001},
                                         {u"AccMessage", 0xC000},
                                         {u"ACCMESSAGE", 0xC000},
                                         {u"AccMessage2", 0xC002}}) {
    EXPECT_EQ(c.expected, RegisterWindowMessageW(c.name));
  }
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(0u, RegisterWindowMessageW(u""));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
  EXPECT_EQ(0u, RegisterWindowMessageW(nullptr));
}

TEST_F(WindowCallsTest, ModuleFileNameFollowsWin32TruncationRules) {
  const std::u16string path = u"\\Program Files\\Quorvane\\Quorvane.exe";
  const DWORD n = static_cast<DWORD>(path.size());
  m_handset.set_current_pid(m_handset.StartProcess(path, nullptr));
  struct Case {
    DWORD size;
    DWORD result;
    std::u16string text;
    DWORD error;
  };
  for (const Case& c : std::vector<Case>{
           {MAX_PATH, n, path, ERROR_SUCCESS},
           {n + 1, n, path, ERROR_SUCCESS},
           {n, n, path.substr(0, n - 1), ERROR_INSUFFICIENT_BUFFER},
           {4, 4, u"\\Pr", ERROR_INSUFFICIENT_BUFFER},
           {1, 1, u"", ERROR_INSUFFICIENT_BUFFER},
       }) {
    std::vector<WCHAR> buffer(c.size + 1, u'#');
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(c.result, GetModuleFileNameW(nullptr, buffer.data(), c.size)) << "size " << c.size;
    EXPECT_EQ(c.text, std::u16string(buffer.data())) << "size " << c.size;
    EXPECT_EQ(u'#', buffer[c.size]) << "wrote past the buffer, size " << c.size;
    EXPECT_EQ(c.error, GetLastError()) << "size " << c.size;
  }
  WCHAR untouched[1] = {u'#'};
  EXPECT_EQ(0u, GetModuleFileNameW(nullptr, untouched, 0));
  EXPECT_EQ(u'#', untouched[0]);
}

TEST_F(WindowCallsTest, ModuleFileNameWithoutARunningProcessFails) {
  WCHAR buffer[MAX_PATH];
  EXPECT_EQ(0u, GetModuleFileNameW(nullptr, buffer, MAX_PATH));
}

TEST_F(WindowCallsTest, DebugOutputIsFormattedInOrder) {
  NKDbgPrintfW(u"[Acc Api] Open ACC0 failed err %d..........\n", 55);
  std::u16string longText(1000, u'a');
  NKDbgPrintfW(u"%s!", longText.c_str());
  EXPECT_EQ((std::vector<std::u16string>{u"[Acc Api] Open ACC0 failed err 55..........\n",
                                         longText + u"!"}),
            m_handset.debug_output());
}

TEST_F(WindowCallsTest, WindowLessTimersGetIdsOfTheirOwn) {
  UINT_PTR id = SetTimer(nullptr, 5, 100, nullptr);
  EXPECT_NE(0u, id);
  EXPECT_EQ(id, SetTimer(nullptr, id, 50, nullptr));
  EXPECT_NE(id, SetTimer(nullptr, 0, 50, nullptr));
  EXPECT_EQ(TRUE, KillTimer(nullptr, id));
  EXPECT_EQ(FALSE, KillTimer(nullptr, id));
}

}  // namespace
}  // namespace host
