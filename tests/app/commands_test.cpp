// The main window's commands: the switches and the operations menu. What they do over time is
// in the scenarios (tests/scenarios/command_scenarios_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"
#include "tests/app/app_handset.h"

namespace {


class CommandsTest : public AppHandset {
 protected:
  // A command as the library delivers it, with the high 16 bits of wParam not zero.
  static void Command(CAccWnd& wnd, int id, LPARAM lParam = 0) {
    wnd.OnUiCommand((WPARAM{0xBEEF} << 16) | static_cast<WPARAM>(id), lParam);
  }
};

TEST_F(CommandsTest, SwitchesAreStoredAndSavedAtOnce) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  struct Row {
    int id;
    UiButton& button;
    bool& field;
    const char16_t* key;
  };
  const Row rows[] = {
      {IDC_AUTOPLAY, wnd.m_btnAutoPlay, wnd.m_config.autoplay, u"autoplay"},
      {IDC_AUTORUN, wnd.m_btnAutoRun, wnd.m_config.autorun, u"autorun"},
      {IDC_AUTOHIDE, wnd.m_btnAutoHide, wnd.m_config.autohide, u"autohide"},
      {IDC_GESTURE, wnd.m_btnGesture, wnd.m_config.autoacc, u"autoacc"},
  };
  // Any state but 1 is off.
  const DWORD states[] = {1, 0, 2, 1, 0xFFFFFFFF, 1};
  for (const Row& row : rows) {
    for (DWORD state : states) {
      row.button.SetState(state);
      Command(wnd, row.id);
      int expected = state == 1 ? 1 : 0;
      EXPECT_EQ(expected == 1, row.field) << row.id << " state " << state;
      EXPECT_EQ(expected, Stored(row.key)) << row.id << " state " << state;
    }
  }
}



// Where it sits and what it shows: the menu_items scenario.
TEST_F(CommandsTest, OperationsMenuIsAPopUpOfTheMainWindow) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  m_input.At(Now() + 10, [this] { ASSERT_TRUE(host::ui::PickMenuItem(m_handset, IDM_BACK)); });
  Command(wnd, IDC_TOOLBAR, kToolbarOperations);
  EXPECT_EQ(IDM_BACK, wnd.m_menuChoice);
  EXPECT_EQ(wnd.m_hWnd, host::ui::StateOf(wnd.m_menu).parentHwnd);
  EXPECT_EQ(WS_POPUP, host::ui::StateOf(wnd.m_menu).style);
}


}  // namespace
