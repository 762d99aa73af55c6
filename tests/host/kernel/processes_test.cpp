// Processes: the tool-help snapshot, launching registered programs, and programs that end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "host/kernel/windowed_program.h"
#include "tests/support/runs_in_start.h"

namespace host {
namespace {

using test_support::RunsInStart;

class ProcessesTest : public ::testing::Test {
 protected:
  // The names a snapshot lists, then "end" with the error that stopped the walk.
  static std::vector<std::u16string> Walk(HANDLE snapshot) {
    std::vector<std::u16string> names;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry)) {
      names.emplace_back(entry.szExeFile);
    }
    names.push_back(GetLastError() == ERROR_NO_MORE_FILES ? u"end" : u"error");
    return names;
  }

  DWORD Start(std::u16string path, std::vector<std::u16string> titles = {}) {
    return m_handset.StartProcess(std::move(path),
                                  std::make_unique<WindowedProgram>(std::move(titles)));
  }

  VirtualClock m_clock;
  Handset m_handset{m_clock};
};

TEST_F(ProcessesTest, SnapshotListsTheProcessesOfItsMoment) {
  Start(u"\\Windows\\shell.exe");
  DWORD player = Start(u"\\Windows\\MzMusic.exe");
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
  Start(u"\\Windows\\later.exe");
  m_handset.EndProcess(player);
  EXPECT_EQ((std::vector<std::u16string>{u"shell.exe", u"MzMusic.exe", u"end"}), Walk(snapshot));
  // A second walk starts again from the first process.
  EXPECT_EQ((std::vector<std::u16string>{u"shell.exe", u"MzMusic.exe", u"end"}), Walk(snapshot));
  EXPECT_EQ(TRUE, CloseToolhelp32Snapshot(snapshot));
  EXPECT_EQ(FALSE, CloseToolhelp32Snapshot(snapshot));

  HANDLE now = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  EXPECT_EQ((std::vector<std::u16string>{u"shell.exe", u"later.exe", u"end"}), Walk(now));
  CloseToolhelp32Snapshot(now);
}

TEST_F(ProcessesTest, SnapshotEntryCarriesPidAndTerminatedName) {
  std::u16string longName(300, u'n');
  DWORD pid = Start(u"\\Windows\\" + longName);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry;
  std::memset(&entry, 0xAB, sizeof entry);
  entry.dwSize = sizeof entry;
  ASSERT_EQ(TRUE, Process32First(snapshot, &entry));
  EXPECT_EQ(564u, entry.dwSize);
  EXPECT_EQ(pid, entry.th32ProcessID);
  EXPECT_EQ(longName.substr(0, MAX_PATH - 1), std::u16string(entry.szExeFile));
  EXPECT_EQ(0u, entry.th32MemoryBase);
  CloseToolhelp32Snapshot(snapshot);
}

TEST_F(ProcessesTest, SnapshotCallsRefuseBadArguments) {
  Start(u"\\Windows\\a.exe");
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  struct Case {
    DWORD dwSize;
    HANDLE handle;
    DWORD error;
  };
  for (const Case& c : std::vector<Case>{{0, snapshot, ERROR_INVALID_PARAMETER},
                                         {sizeof entry - 4, snapshot, ERROR_INVALID_PARAMETER},
                                         {sizeof entry, nullptr, ERROR_INVALID_HANDLE},
                                         {sizeof entry, INVALID_HANDLE_VALUE, ERROR_INVALID_HANDLE}}) {
    entry.dwSize = c.dwSize;
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FALSE, Process32First(c.handle, &entry)) << "dwSize " << c.dwSize;
    EXPECT_EQ(c.error, GetLastError()) << "dwSize " << c.dwSize;
    EXPECT_EQ(FALSE, Process32Next(c.handle, &entry)) << "dwSize " << c.dwSize;
  }
  EXPECT_EQ(FALSE, Process32First(snapshot, nullptr));
  CloseToolhelp32Snapshot(snapshot);
}

TEST_F(ProcessesTest, CreateProcessStartsTheRegisteredProgram) {
  auto log = std::make_shared<MessageLog>();
  m_handset.RegisterProgram(u"\\Windows\\MzMusic.exe",
                            WindowedProgram::Factory({u"正在播放", u"播放列表"}, log));
  m_handset.RegisterProgram(u"\\Windows\\Broken.exe", [] { return nullptr; });

  struct Case {
    const WCHAR* path;
    BOOL result;
    DWORD error;
  };
  for (const Case& c : std::vector<Case>{{u"\\Windows\\Missing.exe", FALSE, ERROR_FILE_NOT_FOUND},
                                         {u"\\Windows\\Broken.exe", FALSE, ERROR_FILE_NOT_FOUND},
                                         {u"\\WINDOWS\\mzmusic.EXE", TRUE, ERROR_SUCCESS}}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(c.result, CreateProcessW(c.path, nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                       nullptr, nullptr, nullptr));
    EXPECT_EQ(c.error, GetLastError());
  }
  std::vector<ProcessInfo> processes = m_handset.Processes();
  ASSERT_EQ(1u, processes.size());
  EXPECT_EQ(u"mzmusic.EXE", processes[0].exeName);
  HWND nowPlaying = FindWindowW(nullptr, u"正在播放");
  ASSERT_NE(nullptr, nowPlaying);
  EXPECT_EQ(processes[0].pid, m_handset.FindWindowInfo(nowPlaying)->pid);
  EXPECT_EQ(TRUE, IsWindowVisible(nowPlaying));
  EXPECT_NE(nullptr, FindWindowW(nullptr, u"播放列表"));
}

TEST_F(ProcessesTest, WindowedProgramRecordsMessagesAndEndsOnClose) {
  auto log = std::make_shared<MessageLog>();
  m_handset.StartProcess(u"\\Windows\\MzMusic.exe",
                         std::make_unique<WindowedProgram>(
                             std::vector<std::u16string>{u"正在播放", u"艺术家"}, log));
  HWND nowPlaying = FindWindowW(nullptr, u"正在播放");
  HWND artists = FindWindowW(nullptr, u"艺术家");
  PostMessageW(nowPlaying, 0xFFF00003, 3, 0);
  PostMessageW(artists, 0xFFF00003, 1, 0);
  PostMessageW(artists, WM_CLOSE, 0, 0);
  PostMessageW(nowPlaying, 0xFFF00003, 2, 0);  // gone with its process: never arrives
  MSG msg;
  EXPECT_EQ(FALSE, GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ((MessageLog{{u"正在播放", 0xFFF00003, 3, 0}, {u"艺术家", 0xFFF00003, 1, 0}}), *log);
  EXPECT_TRUE(m_handset.Processes().empty());
  EXPECT_EQ(nullptr, FindWindowW(nullptr, u"正在播放"));
  EXPECT_EQ(FALSE, PostMessageW(nowPlaying, WM_CLOSE, 0, 0));
}

TEST_F(ProcessesTest, ProgramClosedThroughADirectCallEndsSafely) {
  DWORD pid = Start(u"\\Windows\\MzMusic.exe", {u"正在播放"});
  HWND hwnd = FindWindowW(nullptr, u"正在播放");
  m_handset.SendToWindow(hwnd, WM_USER, 1, 2);
  m_handset.SendToWindow(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(m_handset.Processes().empty());
  EXPECT_EQ(0, m_handset.SendToWindow(hwnd, WM_USER, 0, 0));
  m_handset.EndProcess(pid);  // already ended: nothing happens
}

TEST_F(ProcessesTest, ProgramEndedWhileItsStartRunsLivesUntilStartReturns) {
  // An application's loop runs inside Start; the host ends its process from outside.
  class Looping final : public Program {
   public:
    explicit Looping(std::vector<std::string>& log) : m_log(log) {}
    void Start(Handset&, DWORD) override {
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
      m_log.push_back("loop ended");
    }

   private:
    std::vector<std::string>& m_log;
  };
  class EndIt final : public InputSource {
   public:
    bool Idle(std::int64_t) override {
      for (const ProcessInfo& process : Handset::Current().Processes()) {
        Handset::Current().EndProcess(process.pid);
      }
      return false;
    }
  };
  std::vector<std::string> log;
  EndIt input;
  m_handset.set_input(&input);
  m_handset.StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe",
                         std::make_unique<Looping>(log));
  EXPECT_EQ(std::vector<std::string>{"loop ended"}, log);
  EXPECT_TRUE(m_handset.Processes().empty());
}

struct TokenHolder {
  std::shared_ptr<int> token;
};

// A player whose program, window procedure and process storage each hold a copy of token, so
// that the token's use count tells how much of it is still kept. Ends itself on WM_CLOSE, and
// at once from its start when asked.
class CountedPlayer final : public Program {
 public:
  CountedPlayer(std::shared_ptr<int> token, bool endsAtStart)
      : m_token(std::move(token)), m_endsAtStart(endsAtStart) {}
  void Start(Handset& handset, DWORD pid) override {
    handset.ProcessLocals(pid).Get<TokenHolder>().token = m_token;
    handset.CreateWindow(u"Counted", u"正在播放", RECT{}, pid,
                         [token = m_token, pid](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                           if (msg == WM_CLOSE) Handset::Current().EndProcess(pid);
                           return 0;
                         });
    if (m_endsAtStart) handset.EndProcess(pid);
  }

 private:
  std::shared_ptr<int> m_token;
  bool m_endsAtStart;
};

TEST_F(ProcessesTest, AnEndedProcessIsFreedWhileTheApplicationRuns) {
  enum class End { kByTheApplication, kFromItsWindow, kOnAPostedClose, kInItsStart };
  struct Case {
    const char* name;
    End end;
  };
  for (const Case& c : std::vector<Case>{{"ended by the application", End::kByTheApplication},
                                         {"closed from its window", End::kFromItsWindow},
                                         {"closed by a posted WM_CLOSE", End::kOnAPostedClose},
                                         {"ended in its own start", End::kInItsStart}}) {
    auto token = std::make_shared<int>(0);
    long keptAfterEnd = -1;
    std::size_t processesAfterEnd = 99;
    auto application = [&] {
      for (int cycle = 0; cycle < 3; ++cycle) {
        DWORD player = m_handset.StartProcess(
            u"\\Windows\\MzMusic.exe",
            std::make_unique<CountedPlayer>(token, c.end == End::kInItsStart));
        HWND window = FindWindowW(nullptr, u"正在播放");
        switch (c.end) {
          case End::kByTheApplication:
            m_handset.EndProcess(player);
            break;
          case End::kFromItsWindow:
            m_handset.SendToWindow(window, WM_CLOSE, 0, 0);
            break;
          case End::kOnAPostedClose: {
            PostMessageW(window, WM_CLOSE, 0, 0);
            MSG msg;
            GetMessageW(&msg, nullptr, 0, 0);  // hands it to the player; then nothing is left
            break;
          }
          case End::kInItsStart:
            break;
        }
        keptAfterEnd = std::max(keptAfterEnd, token.use_count() - 1);
      }
      processesAfterEnd = m_handset.Processes().size();
    };
    m_handset.StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe",
                           std::make_unique<RunsInStart>(application));
    EXPECT_EQ(0, keptAfterEnd) << c.name;
    EXPECT_EQ(1u, processesAfterEnd) << c.name << ": only the application is left";
    m_handset.EndProcess(m_handset.Processes().empty() ? 0 : m_handset.Processes()[0].pid);
  }
}

TEST_F(ProcessesTest, ProgramStartsAsTheCurrentProcess) {
  class Probe final : public Program {
   public:
    void Start(Handset&, DWORD pid) override {
      WCHAR path[MAX_PATH];
      GetModuleFileNameW(nullptr, path, MAX_PATH);
      m_path = path;
      m_pid = pid;
      m_current = Handset::Current().current_pid();
    }
    std::u16string m_path;
    DWORD m_pid = 0;
    DWORD m_current = 0;
  };
  auto probe = std::make_unique<Probe>();
  Probe& seen = *probe;
  m_handset.StartProcess(u"\\Windows\\probe.exe", std::move(probe));
  EXPECT_EQ(u"\\Windows\\probe.exe", seen.m_path);
  EXPECT_EQ(seen.m_pid, seen.m_current);
  EXPECT_EQ(0u, m_handset.current_pid());
}

}  // namespace
}  // namespace host
