// The application object, WinMain and the window base: creation, dispatch, modal runs.
#include <memory>

#include "host/ui/ui_state.h"
#include "tests/host/ui/ui_test_support.h"

namespace host::ui_test {
namespace {

class WindowTest : public UiTest {};

class NamedWnd : public RecordingWnd {
 public:
  const WCHAR* GetWndClassName() override { return u"ZelbinAccWnd"; }
};

TEST_F(WindowTest, CreateRegistersAHiddenWindowThenCallsOnInitDialogWithItsSize) {
  m_handset.set_current_pid(42);
  NamedWnd wnd;
  ASSERT_EQ(1, wnd.Create(10, 20, 300, 400, nullptr, 0, 0, 0));
  const WindowInfo* info = m_handset.FindWindowInfo(wnd.m_hWnd);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(u"ZelbinAccWnd", info->className);
  EXPECT_EQ(u"", info->title);
  EXPECT_EQ(42u, info->pid);
  EXPECT_FALSE(info->visible);
  EXPECT_EQ("300x400", wnd.initSize);
  EXPECT_EQ(&wnd, ui::FindWnd(wnd.m_hWnd));
  wnd.Show(true, true);
  EXPECT_TRUE(IsWindowVisible(wnd.m_hWnd));
  wnd.Show(false, true);
  EXPECT_FALSE(IsWindowVisible(wnd.m_hWnd));

  HWND first = wnd.m_hWnd;
  wnd.Create(0, 0, 480, 720);  // a second Create replaces the window
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(480, wnd.GetWidth());
  EXPECT_EQ(720, wnd.GetHeight());
}

TEST_F(WindowTest, DestroyingTheObjectDestroysItsWindowAndItsTimers) {
  HWND hwnd;
  {
    RecordingWnd wnd;
    wnd.Create(0, 0, 480, 720);
    hwnd = wnd.m_hWnd;
    SetTimer(hwnd, 1, 100, nullptr);
  }
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(nullptr, ui::FindWnd(hwnd));
  EXPECT_EQ(0, RunLoop());
}

TEST(WindowObject, ThatOutlivesItsHandsetForgetsItsWindowAndLeavesTheNextHandsetAlone) {
  VirtualClock clock;
  auto first = std::make_unique<Handset>(clock);
  auto older = std::make_unique<RecordingWnd>();
  older->Create(0, 0, 480, 720);
  HWND handle = older->m_hWnd;
  first.reset();
  EXPECT_EQ(nullptr, older->m_hWnd);

  auto second = std::make_unique<Handset>(clock);
  RecordingWnd newer;
  newer.Create(0, 0, 480, 720);
  ASSERT_EQ(handle, newer.m_hWnd);  // handles start afresh with every handset
  older.reset();
  EXPECT_TRUE(IsWindow(newer.m_hWnd));
  EXPECT_EQ(&newer, ui::FindWnd(newer.m_hWnd));
}

TEST_F(WindowTest, TimersReachOnTimerThroughTheLoop) {
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  SetTimer(wnd.m_hWnd, 12, 2000, nullptr);
  wnd.onTimer = [&](int id) { KillTimer(wnd.m_hWnd, id); };
  RunLoop();
  EXPECT_TRUE(SameSequence({"timer 12 @2000"}, wnd.log));
}

TEST_F(WindowTest, DoModalRunsUntilEndModalWithTimersFiring) {
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  SetTimer(wnd.m_hWnd, 1, 100, nullptr);
  wnd.onTimer = [&](int) {
    if (m_clock.NowMs() == 300) wnd.EndModal(5);
  };
  EXPECT_EQ(5, wnd.DoModal());
  EXPECT_FALSE(IsWindowVisible(wnd.m_hWnd));
  EXPECT_FALSE(host::ui::StateOf(wnd).modal.running);
  wnd.EndModal(9);  // no run: nothing
  EXPECT_TRUE(SameSequence({"timer 1 @100", "timer 1 @200", "timer 1 @300"}, wnd.log));
}

TEST_F(WindowTest, QuitInsideAModalRunEndsItWithZeroAndReachesTheOuterLoop) {
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  SetTimer(wnd.m_hWnd, 1, 100, nullptr);
  int modalResult = -1;
  wnd.onTimer = [&](int) {
    if (m_clock.NowMs() == 100) {
      modalResult = wnd.DoModal();
    } else {
      PostQuitMessage(3);
    }
  };
  EXPECT_EQ(3, RunLoop());
  EXPECT_EQ(0, modalResult);
  EXPECT_TRUE(SameSequence({"timer 1 @100", "timer 1 @200"}, wnd.log));
  EXPECT_TRUE(SameSequence({R"(quit {"code":3})"}, Events({"quit"})));
}

TEST_F(WindowTest, EndModalFromInputDeliveredWhileTheLoopWaitsWakesIt) {
  RecordingWnd wnd;
  wnd.Create(0, 0, 480, 720);
  m_input.At(50, [&] { wnd.EndModal(4); });
  EXPECT_EQ(4, wnd.DoModal());
  EXPECT_EQ(50, m_clock.NowMs());
}

TEST_F(WindowTest, OtherWindowsIgnoreThePointerWhileOneRunsModally) {
  RecordingWnd main, dialog;
  UiButton button;
  main.Create(0, 0, 480, 720);
  dialog.Create(0, 0, 480, 720);
  button.SetID(7);
  button.SetPos(0, 0, 100, 100);
  main.AddUiWin(&button);
  m_input.At(10, [&] {
    Tap(main, 50, 50);
    ui::SendPointer(m_handset, main, ui::PointerAction::kMove, 60, 60);
    dialog.EndModal(1);
  });
  dialog.DoModal();
  Tap(main, 50, 50);
  EXPECT_TRUE(SameSequence({"command 7 0"}, main.log));
}

// An application that creates its window in Init and quits with a code from a timer.
class TestApp : public CMzApp {
 public:
  BOOL Init() override {
    ++inits;
    RECT area = MzGetWorkArea();
    wnd.Create(area.left, area.top, area.right - area.left, area.bottom - area.top);
    wnd.Show(true, true);
    SetTimer(wnd.m_hWnd, 1, 100, nullptr);
    wnd.onTimer = [](int) { PostQuitMessage(7); };
    return initResult;
  }
  BOOL Done() override {
    ++dones;
    return TRUE;
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    seen.push_back(msg->message);
    return FALSE;
  }

  RecordingWnd wnd;
  BOOL initResult = TRUE;
  int inits = 0;
  int dones = 0;
  std::vector<UINT> seen;
};

TEST_F(WindowTest, WinMainInitsTheLatestApplicationOnceAndReturnsTheQuitCode) {
  m_handset.set_work_area({0, 40, 480, 760});
  TestApp older;
  TestApp app;
  EXPECT_EQ(7, WinMain(nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(1, app.inits);
  EXPECT_EQ(1, app.dones);
  EXPECT_EQ(0, older.inits);
  EXPECT_EQ(std::vector<UINT>{WM_TIMER}, app.seen);
  EXPECT_EQ("480x720", app.wnd.initSize);
  EXPECT_EQ(40, m_handset.FindWindowInfo(app.wnd.m_hWnd)->rect.top);
}

TEST_F(WindowTest, WinMainWithoutAWorkingApplicationReturnsZeroAtOnce) {
  EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 0));
  {
    TestApp app;
    app.initResult = FALSE;
    EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(0, app.dones);
  }
  TestApp first;
  { TestApp gone; }
  // Another process has no application object of its own.
  m_handset.set_current_pid(m_handset.StartProcess(u"\\other.exe", nullptr));
  EXPECT_EQ(0, WinMain(nullptr, nullptr, nullptr, 0));
  m_handset.set_current_pid(0);
  EXPECT_EQ(7, WinMain(nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(1, first.inits);
}

}  // namespace
}  // namespace host::ui_test
