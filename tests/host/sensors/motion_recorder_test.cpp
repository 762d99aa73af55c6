// Recording by hand: one row per period of what a read returns, labels on the next row, failed
// reads skipped, and the text replays.
#include <gtest/gtest.h>

#include <sstream>
#include <variant>

#include "host/drivers/accelerometer.h"
#include "host/sensors/motion_recorder.h"
#include "host/sensors/replay.h"

namespace host::sensors {
namespace {

TEST(MotionRecorder, WritesOneRowPerPeriodWithTheLabelsGiven) {
  SimulatedAccelerometer sensor;
  std::ostringstream out;
  MotionRecorder recorder(sensor, out);
  sensor.set_sample({1, 2, 3});
  recorder.Poll(5000);  // the first poll is ms 0
  recorder.Poll(5004);  // not due yet
  EXPECT_EQ(5010, recorder.next_due_ms());
  recorder.Label(GestureLabel::kNext);
  sensor.set_sample({127, 0, 64});
  recorder.Poll(5010);
  // A row a little late keeps the next one on time.
  recorder.Poll(5023);
  EXPECT_EQ(5030, recorder.next_due_ms());
  // Periods that passed unused are skipped, not caught up.
  recorder.Poll(5047);
  EXPECT_EQ(5057, recorder.next_due_ms());
  sensor.set_reads_fail(true);
  recorder.Label(GestureLabel::kPrevious);
  recorder.Poll(5057);  // no row; the label waits
  sensor.set_reads_fail(false);
  recorder.Poll(5067);
  EXPECT_EQ(
      "ms,x,y,z,label\n"
      "0,1,2,3\n"
      "10,127,0,64,next\n"
      "23,127,0,64\n"
      "47,127,0,64\n"
      "67,127,0,64,previous\n",
      out.str());
  EXPECT_EQ(5, recorder.rows());
  EXPECT_TRUE(recorder.ok());
  auto replayed = ParseRecording(out.str());
  ASSERT_TRUE(std::holds_alternative<Recording>(replayed));
  EXPECT_EQ(GestureLabel::kPrevious, std::get<Recording>(replayed).samples.back().label);
}

}  // namespace
}  // namespace host::sensors
