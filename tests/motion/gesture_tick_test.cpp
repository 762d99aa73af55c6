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

TEST_F(GestureTickTest, FailedReadOnlyCounts) {
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  Ticks(wnd, 20);
  m_sensor.set_reads_fail(true);
  m_log.Clear();
  Ticks(wnd, 3);
  EXPECT_EQ(3, m_sensor.reads());
  EXPECT_EQ(23, wnd.m_tickCount);
  EXPECT_EQ("正在获取状态", Text(wnd.m_status));
  EXPECT_EQ(Lines{}, m_log.Of({"invalidate", "post"}));
}

TEST_F(GestureTickTest, CommandWithoutPlayerReportsItAndRefreshes) {
  CAccWnd& wnd = OpenWindow();
  ASSERT_EQ("开启音乐并隐藏音乐界面", Text(wnd.m_btnStartMusic));
  Ticks(wnd, 20);
  Sample(0, 0, 125);
  m_log.Clear();
  Ticks(wnd, 1);
  // The state was refreshed (one further accelerometer reference, the poll armed again), and
  // the tick's own text has the last word; the deaf time follows all the same.
  EXPECT_EQ("没有找到音乐程序进程", Text(wnd.m_status));
  EXPECT_EQ(1, wnd.m_tickCount);
  EXPECT_EQ((Lines{"invalidate", "timer 1 100", "invalidate"}),
            m_log.Of({"timer", "invalidate", "post"}));
  Ticks(wnd, 19);
  EXPECT_EQ(1, m_sensor.reads());
}

TEST_F(GestureTickTest, TopThresholdCannotBeReached) {
  WriteSettings({u"minacc_x=128", u"minacc_z=128"});
  StartPlayer();
  CAccWnd& wnd = OpenWindow();
  Sample(127, 127, 127);
  Ticks(wnd, 25);
  EXPECT_EQ(25, wnd.m_tickCount);
  EXPECT_EQ("没有操作，监听中", Text(wnd.m_status));
}

TEST_F(GestureTickTest, ClosedAccelerometerOnlyCounts) {
  WriteSettings({u"autoacc=0"});
  CAccWnd& wnd = OpenWindow();
  Sample(127, 0, 0);
  m_handset.Launch(u"\\Windows\\MzMusic.exe");
  Ticks(wnd, 21);
  EXPECT_EQ(0, m_sensor.reads());
  EXPECT_EQ(21, wnd.m_tickCount);
  EXPECT_EQ("重力加速器被配置为关闭", Text(wnd.m_status));
  EXPECT_EQ(u"[Acc Api] ACC0 not opened..........\n", m_handset.debug_output().back());
}

}  // namespace
