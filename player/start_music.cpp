// Launching the music player from the main window.
#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "player/player_control.h"

void CAccWnd::StartMusic() {
  if (!CreateProcessW(kMusicExePath, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      nullptr, nullptr)) {
    m_status.SetText(u"开启音乐失败！");
    return;
  }
  m_status.SetText(u"音乐已开启！");
  m_btnStartMusic.SetText(u"音乐进程已开启");
  m_btnStartMusic.SetEnable(false);
  m_btnStartMusic.SetButtonType(6);
  // Armed whatever the gesture switch says; the tick copes with a closed accelerometer.
  SetTimer(m_hWnd, TIMER_POLL, kPollPeriodMs, nullptr);
  if (m_config.autoplay) SetTimer(m_hWnd, TIMER_PLAYER_HIDE, kOneShotPeriodMs, nullptr);
}
