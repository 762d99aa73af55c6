// The pop-up menu run from a toolbar command, as the operations menu is: its trace, how it
// ends, that timers keep firing while it is open, and that its items last one run.
#include "host/ui/ui_state.h"
#include "tests/host/ui/ui_test_support.h"

namespace host::ui_test {
namespace {

class PopupMenuTest : public UiTest {
 protected:
  PopupMenuTest() {
    m_wnd.Create(0, 0, 480, 720);
    m_wnd.Show(true, true);
    m_toolbar.SetPos(0, 655, 480, 65);
    m_toolbar.SetButton(0, true, true, u"操作");
    m_toolbar.SetID(101);
    m_wnd.AddUiWin(&m_toolbar);
    m_wnd.onCommand = [this](int, int) { OpenMenu(); };
  }

  // As the application does: fill, place over the work area's bottom, run.
  void OpenMenu() {
    for (const auto& [id, text] : m_itemsToAdd) {
      PopupMenuItemProp item;
      item.attribute = 1;
      item.id = id;
      item.text = text;
      m_menu.AddItem(item);
    }
    RECT area = MzGetWorkArea();
    int height = m_menu.GetHeight();
    m_menu.Create(area.left, area.bottom - height, area.right - area.left, height, m_wnd.m_hWnd,
                  0, WS_POPUP, 0);
    m_results.push_back(m_menu.DoModal());
  }

  // Opens the menu with a tap on the toolbar at time ms.
  void OpenAt(std::int64_t ms) {
    m_input.At(ms, [this] { ASSERT_TRUE(ui::TapControl(m_handset, m_toolbar)); });
  }

  RecordingWnd m_wnd;
  UiToolbar_Text m_toolbar;
  CPopupMenu m_menu{nullptr};
  std::vector<std::pair<int, const WCHAR*>> m_itemsToAdd{
      {124, u"返回"}, {122, u"全部关闭"}, {121, u"关闭音乐"}, {120, u"音乐暂停"}};
  std::vector<int> m_results;
};

TEST_F(PopupMenuTest, PickedItemEndsTheRunWhileTheWindowsTimersKeepFiring) {
  SetTimer(m_wnd.m_hWnd, 1, 100, nullptr);
  OpenAt(50);
  m_input.At(350, [this] {
    EXPECT_EQ(&m_menu, ui::OpenMenu());
    EXPECT_EQ(&m_menu, ui::ForegroundWnd(m_handset));
    EXPECT_TRUE(IsWindowVisible(m_menu.m_hWnd));
    EXPECT_FALSE(ui::PickMenuItem(m_handset, 999));
    EXPECT_TRUE(ui::PickMenuItem(m_handset, 121));
  });
  m_input.EndAt(420);
  RunLoop();
  EXPECT_EQ(std::vector<int>{121}, m_results);
  EXPECT_TRUE(SameSequence({"command 101 0", "timer 1 @100", "timer 1 @200", "timer 1 @300",
                            "timer 1 @400"},
                           m_wnd.log));
  EXPECT_TRUE(SameSequence(
      {R"(menu {"rect":[0,440,480,280],"items":[[124,"返回",1],[122,"全部关闭",1],[121,"关闭音乐",1],[120,"音乐暂停",1]]})",
       R"(menu-end {"result":121})"},
      Events({"menu", "menu-end"})));
  EXPECT_EQ(nullptr, m_menu.m_hWnd);
  EXPECT_EQ(&m_wnd, ui::ForegroundWnd(m_handset));
}

TEST_F(PopupMenuTest, ItemsLastOneRun) {
  OpenAt(10);
  m_input.At(20, [this] { ui::PickMenuItem(m_handset, 124); });
  m_input.At(30, [this] {
    m_itemsToAdd = {{7, u"x"}};
    ui::TapControl(m_handset, m_toolbar);
  });
  m_input.At(40, [this] { ui::PickMenuItem(m_handset, 7); });
  RunLoop();
  EXPECT_EQ((std::vector<int>{124, 7}), m_results);
  EXPECT_TRUE(host::ui::MenuStateOf(m_menu).items.empty());
  EXPECT_EQ(0, m_menu.GetHeight());
  std::vector<std::string> menus = Events({"menu"});
  ASSERT_EQ(2u, menus.size());
  EXPECT_EQ(R"(menu {"rect":[0,650,480,70],"items":[[7,"x",1]]})", menus[1]);
}

TEST_F(PopupMenuTest, TapOutsideTheItemsLeavesWithZeroAndAStrayReleasePicksNothing) {
  OpenAt(10);
  m_input.At(20, [this] {
    // Pressed on the first item, released on the second: no pick, the menu stays.
    ui::SendPointer(m_handset, m_menu, ui::PointerAction::kDown, 240, 35);
    ui::SendPointer(m_handset, m_menu, ui::PointerAction::kUp, 240, 105);
    // A release without a press.
    ui::SendPointer(m_handset, m_menu, ui::PointerAction::kUp, 240, 105);
  });
  m_input.At(30, [this] {
    EXPECT_TRUE(host::ui::StateOf(m_menu).modal.running);
    // Above the menu on the screen: outside it, delivered to the menu all the same.
    EXPECT_TRUE(ui::SendScreenPointer(m_handset, ui::PointerAction::kDown, 240, 100));
    EXPECT_TRUE(ui::SendScreenPointer(m_handset, ui::PointerAction::kUp, 240, 100));
  });
  RunLoop();
  EXPECT_EQ(std::vector<int>{0}, m_results);
  EXPECT_TRUE(SameSequence({"command 101 0"}, m_wnd.log));  // the main window saw no tap
}

TEST_F(PopupMenuTest, ScreenTapOnAnItemPicksIt) {
  OpenAt(10);
  // The menu's top is at 440; the third item covers 580..650 on the screen.
  m_input.At(20, [this] {
    ui::SendScreenPointer(m_handset, ui::PointerAction::kDown, 10, 600);
    ui::SendScreenPointer(m_handset, ui::PointerAction::kUp, 10, 600);
  });
  RunLoop();
  EXPECT_EQ(std::vector<int>{121}, m_results);
}

TEST_F(PopupMenuTest, EndModalGivesItsValueAndDoesNothingOnceTheRunHasReturned) {
  SetTimer(m_wnd.m_hWnd, 1, 100, nullptr);
  m_wnd.onTimer = [this](int) {
    if (host::ui::StateOf(m_menu).modal.running) m_menu.EndModal(2);
  };
  OpenAt(50);
  m_input.At(150, [this] {
    m_menu.EndModal(2);  // the run has returned: nothing
    ui::TapControl(m_handset, m_toolbar);
  });
  m_input.At(160, [this] { ui::PickMenuItem(m_handset, 120); });
  RunLoop();
  EXPECT_EQ((std::vector<int>{2, 120}), m_results);
  EXPECT_TRUE(SameSequence({R"(menu-end {"result":2})", R"(menu-end {"result":120})"},
                           Events({"menu-end"})));
}

TEST_F(PopupMenuTest, QuitWhileTheMenuIsOpenEndsItWithZeroAndEndsTheApplication) {
  OpenAt(10);
  m_input.At(20, [] { PostQuitMessage(5); });
  EXPECT_EQ(5, RunLoop());
  EXPECT_EQ(std::vector<int>{0}, m_results);
}

TEST(PopupMenuAlone, WithoutCreateTheMenuSitsOnTheWorkAreasBottom) {
  VirtualClock clock;
  Handset handset(clock);
  RecordingTrace trace;
  handset.set_trace(&trace);
  ScriptedInput input(clock);
  handset.set_input(&input);
  handset.set_work_area({0, 40, 480, 760});
  CPopupMenu menu;
  PopupMenuItemProp item;
  item.id = 3;
  item.text = u"a";
  menu.AddItem(item);
  input.At(10, [&handset] { ui::PickMenuItem(handset, 3); });
  EXPECT_EQ(3, menu.DoModal());
  ASSERT_FALSE(trace.events.empty());
  EXPECT_EQ(R"(menu {"rect":[0,690,480,70],"items":[[3,"a",0]]})", trace.events.front());
}

}  // namespace
}  // namespace host::ui_test
