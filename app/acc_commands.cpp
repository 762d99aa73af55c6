// The main window's commands: toolbar, start button, switches and the operations menu.
#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "motion/acc_api.h"
#include "player/player_control.h"

namespace {

struct MenuEntry {
  int id;
  const WCHAR* text;
};

// In the order they are added to the menu.
constexpr MenuEntry kOperationsMenu[] = {
    {IDM_BACK, u"返回"},
    {IDM_CLOSE_ALL, u"全部关闭"},
    {IDM_CLOSE_MUSIC, u"关闭音乐"},
    {IDM_PAUSE, u"音乐暂停"},
};

}  // namespace

void CAccWnd::OnUiCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDC_TOOLBAR:
      OnToolbarCommand(lParam);
      break;
    case IDC_START_MUSIC:
      StartMusic();
      break;
    case IDC_GESTURE:
    case IDC_AUTOHIDE:
    case IDC_AUTORUN:
    case IDC_AUTOPLAY:
      OnSwitchCommand(LOWORD(wParam));
      break;
    default:
      break;
  }
}

bool CAccWnd::SwitchValue(UiButton& button) { return button.GetState() == UiButton::kStateOn; }

void CAccWnd::OnSwitchCommand(int id) {
  switch (id) {
    case IDC_GESTURE:
      m_config.autoacc = SwitchValue(m_btnGesture);
      break;
    case IDC_AUTOHIDE:
      m_config.autohide = SwitchValue(m_btnAutoHide);
      break;
    case IDC_AUTORUN:
      m_config.autorun = SwitchValue(m_btnAutoRun);
      break;
    case IDC_AUTOPLAY:
      m_config.autoplay = SwitchValue(m_btnAutoPlay);
      break;
    default:
      return;
  }
  // Saved before the state is re-evaluated, so the file always holds what the switches show.
  m_config.Save();
  RefreshState();
}

void CAccWnd::OnToolbarCommand(LPARAM index) {
  switch (index) {
    case kToolbarHide:
      ShowWindow(m_hWnd, SW_HIDE);
      break;
    case kToolbarOperations:
      RunOperationsMenu();
      break;
    case kToolbarExit:
      Exit();
      break;
    default:
      break;
  }
}

void CAccWnd::RunOperationsMenu() {
  for (const MenuEntry& entry : kOperationsMenu) {
    m_menuItem.attribute = 1;
    m_menuItem.id = entry.id;
    m_menuItem.text = entry.text;
    m_menu.AddItem(m_menuItem);
  }

  // Along the bottom of the work area, as wide as it.
  m_menuRect = MzGetWorkArea();
  int menuHeight = m_menu.GetHeight();
  m_menuRect.top = m_menuRect.bottom - menuHeight;
  m_menu.Create(m_menuRect.left, m_menuRect.top, m_menuRect.right - m_menuRect.left, menuHeight,
                m_hWnd, 0, WS_POPUP, 0);

  m_menuChoice = m_menu.DoModal();
  switch (m_menuChoice) {
    case IDM_BACK:
      m_menu.EndModal(2);
      break;
    case IDM_CLOSE_ALL:
      CloseMusic();
      PostQuitMessage(0);
      break;
    case IDM_CLOSE_MUSIC:
      CloseMusic();
      SetTimer(m_hWnd, TIMER_RECHECK, kOneShotPeriodMs, nullptr);
      break;
    case IDM_PAUSE:
      SendPlayerCommand(kDirectionToggle);
      break;
    default:
      break;
  }
}

void CAccWnd::Exit() {
  // A slider value still waiting for its commit is saved with the rest.
  if (m_sensitivityPending) StoreSensitivity();
  m_config.Save();
  PostQuitMessage(0);
  AccApiClose();
}
