// The main window's state refresh, launching the player, timers and the sensitivity slider's
// feedback and commit.
#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "motion/acc_api.h"
#include "player/player_control.h"

int CAccWnd::RefreshState() {
  if (FindMusicWindow() == nullptr) {
    m_status.SetText(u"音乐进程没有开启");
    m_btnStartMusic.SetText(u"开启音乐并隐藏音乐界面");
    m_btnStartMusic.SetButtonType(UiButton::kTypeAction);
    m_btnStartMusic.SetEnable(true);
    Invalidate(nullptr, 0);
    if (m_config.autorun) StartMusic();
  }

  if (m_config.autoacc) {
    // Each refresh with gesture control on takes one further reference.
    if (!AccApiOpen()) {
      m_status.SetText(u"启动重力加速器失败");
      Invalidate(nullptr, 0);
      return 0;
    }
    SetTimer(m_hWnd, TIMER_POLL, kPollPeriodMs, nullptr);
    if (m_config.autohide) SetTimer(m_hWnd, TIMER_SELF_HIDE, kOneShotPeriodMs, nullptr);
    return 1;
  }

  AccApiClose();
  KillTimer(m_hWnd, TIMER_POLL);
  m_status.SetText(u"重力加速器被配置为关闭");
  Invalidate(nullptr, 0);
  return 0;
}

void CAccWnd::StartMusic() {
  if (!CreateProcessW(kMusicExePath, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      nullptr, nullptr)) {
    m_status.SetText(u"开启音乐失败！");
    return;
  }
  m_status.SetText(u"音乐已开启！");
  m_btnStartMusic.SetText(u"音乐进程已开启");
  m_btnStartMusic.SetEnable(false);
  m_btnStartMusic.SetButtonType(UiButton::kTypePlain);
  // Armed whatever the gesture switch says; the tick copes with a closed accelerometer.
  SetTimer(m_hWnd, TIMER_POLL, kPollPeriodMs, nullptr);
  if (m_config.autoplay) SetTimer(m_hWnd, TIMER_PLAYER_HIDE, kOneShotPeriodMs, nullptr);
}

void CAccWnd::OnTimer(UINT_PTR nIDEvent) {
  // The one-shots act first and then kill their own id.
  switch (nIDEvent) {
    case TIMER_POLL:
      OnPollTick();
      break;
    case TIMER_PLAYER_HIDE:
      SendPlayerCommand(kDirectionToggle);
      ShowWindow(FindMusicWindow(), SW_HIDE);
      KillTimer(m_hWnd, TIMER_PLAYER_HIDE);
      break;
    case TIMER_SELF_HIDE:
      ShowWindow(m_hWnd, SW_HIDE);
      KillTimer(m_hWnd, TIMER_SELF_HIDE);
      break;
    case TIMER_SENSITIVITY:
      CommitSensitivity();
      KillTimer(m_hWnd, TIMER_SENSITIVITY);
      break;
    case TIMER_RECHECK:
      RefreshState();
      KillTimer(m_hWnd, TIMER_RECHECK);
      break;
    default:
      break;
  }
}

void CAccWnd::OnMouseMove(UINT, int xPos, int yPos) {
  // Strictly inside: a point on an edge is outside. Compared as delivered.
  RECT slider = m_sliderSensitivity.GetRect();
  if (!(slider.left < xPos && xPos < slider.right && slider.top < yPos && yPos < slider.bottom)) {
    return;
  }
  ShowSensitivityValue(m_sliderSensitivity.GetPadpos());
  Invalidate(nullptr, 0);
  // Every move restarts the 2 s, so the value is committed 2 s after the last one.
  SetTimer(m_hWnd, TIMER_SENSITIVITY, kOneShotPeriodMs, nullptr);
  m_sensitivityPending = true;
}

void CAccWnd::CommitSensitivity() {
  // A drag that ended past either end of the slider left the number at its last value inside
  // the track: show the value committed (or found unchanged), so the number and the file agree.
  ShowSensitivityValue(m_sliderSensitivity.GetPadpos());
  if (StoreSensitivity()) m_config.Save();
}

bool CAccWnd::StoreSensitivity() {
  m_sensitivityPending = false;
  int position = m_sliderSensitivity.GetPadpos();
  if (position == m_config.minacc_x) return false;
  m_config.minacc_x = position;
  m_config.minacc_y = position;
  m_config.minacc_z = position;
  return true;
}
