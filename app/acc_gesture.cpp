// The gesture detector: the body of the main window's 100 ms poll (TIMER_POLL).
#include <climits>

#include "app/acc_wnd.h"
#include "motion/acc_api.h"
#include "motion/gesture.h"
#include "player/player_control.h"

void CAccWnd::OnPollTick() {
  if (m_tickCount >= kListenAfterTicks &&
      AccApiReadXYZ(&m_sampleX, &m_sampleY, &m_sampleZ) != 0) {
    // The counter is reset before the player is asked, so a command that finds no player is
    // followed by deaf time too.
    switch (DetectGesture(m_sampleX, m_sampleZ, m_config.minacc_x, m_config.minacc_z)) {
      case Gesture::kNext:
        m_tickCount = 0;
        m_statusText = SendPlayerCommand(kDirectionNext);
        break;
      case Gesture::kPrevious:
        m_tickCount = 0;
        m_statusText = SendPlayerCommand(kDirectionPrevious);
        break;
      case Gesture::kNone:
        m_statusText = u"没有操作，监听中";
        break;
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
