// The gesture detector tick by tick, driven by hand. The same rules over time, with the real
// application and its poll, are in tests/scenarios/gesture_scenarios_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/acc_ids.h"
#include "app/acc_wnd.h"
#include "tests/app/app_handset.h"

namespace {

using Lines = std::vector<std::string>;

class GestureTickTest : public AppHandset {
 protected:
  // Runs n poll ticks as the window's timer delivers them.
  void Ticks(CAccWnd& wnd, int n) {
    for (int i = 0; i < n; ++i) wnd.OnTimer(TIMER_POLL);
  }
  void Sample(int x, int y, int z) {
    m_sensor.set_sample({static_cast<std::int8_t>(x), static_cast<std::int8_t>(y),
                         static_cast<std::int8_t>(z)});
  }
};

// The worked example: thresholds 120, the player running, the poll just started.
TEST_F(GestureTickTest, DeafTimeSamplingAndCommandsTickByTick) {
  struct Row {
    int ticks;
    int x, y, z;        // the sensor's sample during these ticks
    int reads;          // device reads so far
    int tickCount;      // m_tickCount after them
    const char* status;
    Lines posts;        // posted during these ticks
  };
  const Row rows[] = {
      {20, 30, 5, -70, 0, 20, "正在获取状态", {}},
      {1, 30, 5, -70, 1, 21, "没有操作，监听中", {}},
      {1, 125, 0, 122, 2, 1, "正在播放下一首", {"post 正在播放 4293918723 3 0"}},
      {19, 125, 0, 122, 2, 20, "正在播放下一首", {}},
      {1, 10, 0, 127, 3, 1, "正在播放前一首", {"post 正在播放 4293918723 1 0"}},
      {19, 10, 0, 127, 3, 20, "正在播放前一首", {}},
      // Signed bytes: 0xC8 is -56 and 0x80 is -128, neither reaches a threshold.
      {1, -56, 127, -128, 4, 21, "没有操作，监听中", {}},
      // Equal counts as reached.
      {1, 0, 0, 120, 5, 1, "正在播放前一首", {"post 正在播放 4293918723 1 0"}},
      {19, 120, 0, 0, 5, 20, "正在播放前一首", {}},
      {1, 120, 0, 0, 6, 1, "正在播放下一首", {"post 正在播放 4293918723 3 0"}},
      {19, 0, 0, 0, 6, 20, "正在播放下一首", {}},
      // Any y does nothing; x and z at once give next only.
      {3, 119, 127, 119, 9, 23, "没有操作，监听中", {}},
      {1, 127, 0, 127, 10, 1, "正在播放下一首", {"post 正在播放 4293918723 3 0"}},
  };
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  ASSERT_EQ(0, wnd.m_tickCount);
  int row = 0;
  for (const Row& r : rows) {
    ++row;
    m_log.Clear();
    Sample(r.x, r.y, r.z);
    Ticks(wnd, r.ticks);
    EXPECT_EQ(r.reads, m_sensor.reads()) << "row " << row;
    EXPECT_EQ(r.tickCount, wnd.m_tickCount) << "row " << row;
    EXPECT_EQ(r.status, Text(wnd.m_status)) << "row " << row;
    EXPECT_EQ(r.posts, m_log.Of({"post"})) << "row " << row;
  }
  EXPECT_EQ(127, wnd.m_sampleX);
  EXPECT_EQ(0, wnd.m_sampleY);
  EXPECT_EQ(127, wnd.m_sampleZ);
}





}  // namespace
