// The gesture detector: the body of the main window's 100 ms poll (TIMER_POLL).
#include <climits>

#include "app/acc_wnd.h"
#include "motion/acc_api.h"
#include "player/player_control.h"

void CAccWnd::OnPollTick() {
  if (m_tickCount >= kListenAfterTicks &&
      AccApiReadXYZ(&m_sampleX, &m_sampleY, &m_sampleZ) != 0) {
    // x wins when both axes reach their thresholds; y is never looked at. The counter is reset
    // before the player is asked, so a command that finds no player is followed by deaf time too.
    if (static_cast<int>(m_sampleX) >= m_config.minacc_x) {
      m_tickCount = 0;
      m_statusText = SendPlayerCommand(+1);
    } else if (static_cast<int>(m_sampleZ) >= m_config.minacc_z) {
      m_tickCount = 0;
      m_statusText = SendPlayerCommand(-1);
    } else {
      m_statusText = u"没有操作，监听中";
    }
    if (m_statusText.Length() == 0) {
      m_statusText = u"没有找到音乐程序进程";
      RefreshState();
    }
    m_status.SetText(m_statusText);
    Invalidate(nullptr, 0);
  }
  // Years of listening without a command must not wrap the counter into deaf time.
  if (m_tickCount < INT_MAX) ++m_tickCount;
}
