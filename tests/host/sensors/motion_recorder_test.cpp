// Recording by hand: one row per period of what a read returns, labels on the next row, failed
// reads skipped, and the text replays.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <variant>

#include "host/drivers/accelerometer.h"
#include "host/sensors/motion_recorder.h"
#include "host/sensors/replay.h"
#include "tests/support/temp_folder.h"

namespace host::sensors {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(MotionRecorder, WritesOneRowPerPeriodWithTheLabelsGiven) {
  test_support::TempFolder folder("quorvane-recorder");
  SimulatedAccelerometer sensor;
  auto file = RecordFile::Create(folder.path().string() + "/rows.csv");
  ASSERT_TRUE(file.ok());
  MotionRecorder recorder(sensor, **file);
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
      Contents((*file)->path()));
  EXPECT_EQ(5, recorder.rows());
  EXPECT_TRUE(recorder.ok());
  auto replayed = ParseRecording(Contents((*file)->path()));
  ASSERT_TRUE(replayed.ok());
  EXPECT_EQ(GestureLabel::kPrevious, replayed->samples.back().label);
}

TEST(MotionRecorder, AFailedWriteStopsTheRecordingAndLeavesWholeRowsOnly) {
  test_support::TempFolder folder("quorvane-recorder");
  // A device that is always full: the header already fails, with the reason.
  {
    SimulatedAccelerometer sensor;
    auto full = RecordFile::Create("/dev/full");
    ASSERT_TRUE(full.ok());
    MotionRecorder recorder(sensor, **full);
    recorder.Poll(0);
    EXPECT_FALSE(recorder.ok());
    EXPECT_EQ(0, recorder.rows());
    EXPECT_EQ("/dev/full: No space left on device", (*full)->failure()->message());
  }
  // A file that may grow to 100 bytes, as a disk that fills: rows up to the last whole one.
  const std::string path = folder.path().string() + "/rows.csv";
  auto file = RecordFile::Create(path);
  ASSERT_TRUE(file.ok());
  SimulatedAccelerometer sensor;
  sensor.set_sample({-100, 100, 64});
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  MotionRecorder recorder(sensor, **file);
  for (std::int64_t t = 0; t < 200; t += 10) recorder.Poll(t);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(recorder.ok());
  EXPECT_EQ(path + ": File too large", (*file)->failure()->message());
  // The header (15 bytes) and whole rows of "T,-100,100,64\n": five fit, the sixth did not.
  std::string text = Contents(path);
  EXPECT_EQ(5, recorder.rows());
  EXPECT_EQ('\n', text.back());
  EXPECT_EQ("ms,x,y,z,label\n0,-100,100,64\n10,-100,100,64\n20,-100,100,64\n"
            "30,-100,100,64\n40,-100,100,64\n",
            text);
  // Nothing more is written.
  recorder.Poll(500);
  EXPECT_EQ(text, Contents(path));
  EXPECT_TRUE(ParseRecording(text).ok());
}

}  // namespace
}  // namespace host::sensors
