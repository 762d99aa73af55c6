// Replayed recordings: the CSV text, its mistakes with their lines, and playing it against the
// handset's clock in a loop.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/sensors/replay.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_cases.h"

namespace host::sensors {
namespace {

// "t:x,y,z t:x,y,z ..." or "line N: message".
std::string Parsed(std::string_view text) {
  auto result = ParseRecording(text);
  if (!result) return "line " + std::to_string(result.error().line()) + ": " + result.error().message();
  std::string out;
  for (const RecordedSample& s : result->samples) {
    if (!out.empty()) out += ' ';
    out += std::to_string(s.atMs) + ":" + std::to_string(s.sample.x) + "," +
           std::to_string(s.sample.y) + "," + std::to_string(s.sample.z);
    if (s.label == GestureLabel::kNext) out += "+next";
    if (s.label == GestureLabel::kPrevious) out += "+previous";
  }
  return out;
}

TEST(ReplayRecording, AcceptedTexts) {
  const test_support::TextCase cases[] = {
      {"0,1,2,3\n", "0:1,2,3"},
      {"0,1,2,3", "0:1,2,3"},
      {"ms,x,y,z\n0,1,2,3\n100,-128,127,0\n", "0:1,2,3 100:-128,127,0"},
      {"0,2048,-2048,190\n", "0:2048,-2048,190"},
      {"# a tilt to the right\n\ntime, x, y, z\n  # still a comment\n 0 , +5 ,-0, 7 \r\n",
       "0:5,0,7"},
      {"ms,x,y,z,label\n0,1,2,3,\n100,90,0,0, next\n200,0,0,90,previous \n",
       "0:1,2,3 100:90,0,0+next 200:0,0,90+previous"},
      {"\xEF\xBB\xBFms,x,y,z\r\n2500,125,0,-3\r\n2700,0,0,0\r\n", "2500:125,0,-3 2700:0,0,0"},
  };
  test_support::ExpectTexts(cases, Parsed);
}

TEST(ReplayRecording, MistakesAreReportedWithTheirLine) {
  const test_support::TextCase cases[] = {
      {"", "line 0: the recording holds no samples"},
      {"# nothing\nms,x,y,z\n", "line 0: the recording holds no samples"},
      {"0,1,2\n", "line 1: expected 4 or 5 fields (milliseconds,x,y,z[,label]), found 3"},
      {"0,1,2,3,next,6\n", "line 1: expected 4 or 5 fields (milliseconds,x,y,z[,label]), found 6"},
      {"0,1,2,3,4\n", "line 1: the label '4' is neither next nor previous"},
      {"0,1,2,3\n100,1,2,3,Next\n", "line 2: the label 'Next' is neither next nor previous"},
      {"0,1,2,3\nms,x,y,z\n", "line 2: the time 'ms' is no whole number of milliseconds"},
      {"ms,x,y,z\nt,x,y,z\n", "line 2: the time 't' is no whole number of milliseconds"},
      {"1.5,1,2,3\n", "line 1: the time '1.5' is no whole number of milliseconds"},
      {"# c\n-100,1,2,3\n", "line 2: the time -100 lies before the start (0)"},
      {"0,0,0,0\n300,0,0,0\n300,1,1,1\n",
       "line 3: the time 300 does not come after the line before (300)"},
      {"0,0,0,0\n\n200,0,0,0\n100,1,1,1\n",
       "line 4: the time 100 does not come after the line before (200)"},
      {"0,2049,0,0\n", "line 1: x 2049 lies beyond 32 g (-2048..2048, 64 per g)"},
      {"0,0,-2049,0\n", "line 1: y -2049 lies beyond 32 g (-2048..2048, 64 per g)"},
      {"0,0,0,0x10\n", "line 1: z '0x10' is no number"},
      {"0,0,,0\n", "line 1: y '' is no number"},
      {"0,+-3,0,0\n", "line 1: x '+-3' is no number"},
      {"9223372036854775707,1,2,3\n",
       "line 1: the time 9223372036854775707 lies beyond the longest recording "
       "(1000000000000 ms)"},
      {"0,\x1b[2J,0,0\n", "line 1: x '\\x1b[2J' is no number"},
      {"0,0,0,\x01\n", "line 1: z '\\x01' is no number"},
  };
  test_support::ExpectTexts(cases, Parsed);
}

TEST(ReplayRecording, FilesAreReadWhole) {
  test_support::TempFolder temp("quorvane-replay");
  std::string dir = temp.string();
  std::string file = dir + "/tilt.csv";
  std::ofstream(file) << "ms,x,y,z\n0,1,2,3\n";
  auto loaded = LoadRecording(file);
  ASSERT_TRUE(loaded.ok());
  EXPECT_EQ(1u, loaded->samples.size());
  // A missing file, a folder and an endless device are refused at once.
  for (const std::string& bad : {dir + "/missing.csv", dir, std::string("/dev/zero")}) {
    auto result = LoadRecording(bad);
    ASSERT_FALSE(result.ok()) << bad;
    EXPECT_EQ(0, result.error().line());
  }
}

TEST(ReplaySensor, PlaysEachSampleUntilTheNextAndLoops) {
  // Rest until 1 s, a tilt for 200 ms, rest again; the round lasts 3000 + 100 ms.
  Recording recording = *(ParseRecording(
      "1000,125,0,0\n1200,0,0,0\n3000,0,0,120\n"));
  ASSERT_EQ(3'100, recording.LengthMs());
  VirtualClock clock;
  ReplaySensor sensor(recording, clock);
  EXPECT_TRUE(sensor.Present());
  struct Case {
    std::int64_t at;
    AccSample sample;
  };
  const Case cases[] = {
      {0, {0, 0, 0}},         {999, {0, 0, 0}},       {1'000, {125, 0, 0}},
      {1'199, {125, 0, 0}},   {1'200, {0, 0, 0}},     {3'000, {0, 0, 120}},
      {3'099, {0, 0, 120}},   {3'100, {0, 0, 0}},     {4'100, {125, 0, 0}},
      {31'000 + 1'000, {125, 0, 0}},  // ten rounds on
  };
  for (const Case& c : cases) {
    clock.AdvanceTo(c.at);
    EXPECT_EQ(c.sample, *sensor.Read()) << c.at;
  }
}

TEST(ReplaySensor, AFlickShorterThanThePollIsReadOnceWhateverThePhase) {
  // x is flicked for 30 ms at 1040; a 100 ms poll sees it exactly once, at every phase, and in
  // every round of the loop.
  Recording recording =
      *(ParseRecording("0,0,0,64\n1040,127,0,64\n1070,0,0,64\n2000,0,0,64\n"));
  for (std::int64_t phase = 0; phase < 100; phase += 7) {
    VirtualClock clock;
    ReplaySensor sensor(recording, clock);
    int flicks = 0;
    for (std::int64_t t = phase; t < 2 * recording.LengthMs(); t += 100) {
      clock.AdvanceTo(t);
      AccSample read = *sensor.Read();
      EXPECT_EQ(64, read.z) << t;
      if (read.x == 127) ++flicks;
    }
    EXPECT_EQ(2, flicks) << "phase " << phase;
  }
}

TEST(ReplaySensor, ReadsThePeakOfItsLinesOverTheLast100Ms) {
  Recording recording =
      *(ParseRecording("500,-20,0,0\n550,-40,0,0\n700,10,0,0\n800,0,0,0\n"));
  VirtualClock clock;
  ReplaySensor sensor(recording, clock);
  struct Case {
    std::int64_t at;
    std::int8_t x;
  };
  // The round starts at rest; the lines are the samples; without a line in the span, the
  // sample held.
  const Case cases[] = {{499, 0},   {500, -20}, {560, -20}, {599, -20}, {600, -40}, {699, -40},
                        {700, 10},  {799, 10},  {800, 0},   {899, 0},   {900, 0},   {950, 0}};
  for (const Case& c : cases) {
    clock.AdvanceTo(c.at);
    EXPECT_EQ(c.x, sensor.Read()->x) << c.at;
  }
}

TEST(ReplaySensor, StartsAtItsStartTime) {
  Recording recording = *(ParseRecording("0,100,0,0\n500,0,0,0\n"));
  VirtualClock clock;
  clock.AdvanceTo(10'000);
  ReplaySensor sensor(recording, clock, clock.NowMs());
  EXPECT_EQ((AccCounts{100, 0, 0}), sensor.Sample());
  clock.Advance(500);
  EXPECT_EQ((AccCounts{0, 0, 0}), sensor.Sample());
  clock.Advance(100);  // the round of 600 ms is over
  EXPECT_EQ((AccCounts{100, 0, 0}), sensor.Sample());
}

TEST(ReplaySensor, MadeBeforeItsHandsetPlaysOnTheCurrentHandsetsClock) {
  ReplaySensor sensor(*(ParseRecording("0,0,0,0\n500,90,0,0\n")));
  EXPECT_EQ((AccCounts{0, 0, 0}), sensor.Sample());  // no handset yet
  VirtualClock clock;
  Handset handset(clock);
  clock.AdvanceTo(550);
  EXPECT_EQ((AccCounts{90, 0, 0}), sensor.Sample());
}

}  // namespace
}  // namespace host::sensors

namespace host::sensors {
namespace {

TEST(ReplaySensor, TheStageSeesEveryLineAndAReadClampsAfterIt) {
  // 26 Hz on gravity (z up, 1 g), a flick on x at 2 s of 2.5 g swinging back 1.25 g: wide
  // values beyond the byte.
  std::string csv;
  for (int i = 0; i < 26 * 4; ++i) {
    std::int64_t t = i * 1000 / 26;
    int x = t >= 2000 && t < 2080 ? 160 : t >= 2080 && t < 2160 ? -80 : 0;
    csv += std::to_string(t) + "," + std::to_string(x) + ",0,64\n";
  }
  Recording recording = *(ParseRecording(csv));
  struct Case {
    MotionMode mode;
    int highestX;  // of the reads every 100 ms
    int highestZ;
    int highestSourceX;  // before the stage (AccTap::kSource), unclamped
  };
  const Case cases[] = {
      {MotionMode::kRaw, 127, 64, 160},
      {MotionMode::kGravity, 127, 0, 160},
      {MotionMode::kFlick, 127, 0, 160},
  };
  for (const Case& c : cases) {
    VirtualClock clock;
    ReplaySensor sensor(recording, clock);
    ASSERT_TRUE(sensor.SetMotionMode(c.mode));
    EXPECT_EQ(c.mode, sensor.motion_mode());
    int x = -1000, z = -1000, source = -1000;
    for (std::int64_t t = 1000; t < 3900; t += 100) {
      clock.AdvanceTo(t);
      AccSample read = *sensor.Read();
      x = std::max<int>(x, read.x);
      if (t >= 1000 && t < 1900) z = std::max<int>(z, read.z);
      source = std::max<int>(source, sensor.ReadCounts(AccTap::kSource)->x);
    }
    EXPECT_EQ(c.highestX, x) << MotionModeName(c.mode);
    EXPECT_EQ(c.highestZ, z) << MotionModeName(c.mode);
    EXPECT_EQ(c.highestSourceX, source) << MotionModeName(c.mode);
  }
}

TEST(ReplaySensor, ALongPauseStartsTheStageAfreshShortlyBefore) {
  // Reads an hour apart on a looping recording cost a few seconds of lines, and read as the
  // recording does there.
  Recording recording = *(ParseRecording("0,0,0,64\n1000,100,0,64\n1100,0,0,64\n2000,0,0,64\n"));
  VirtualClock clock;
  ReplaySensor sensor(recording, clock);
  clock.AdvanceTo(3'600'000 / 2100 * 2100 + 1050);  // 1050 ms into a round, an hour on
  EXPECT_EQ((AccCounts{100, 0, 64}), sensor.Peak(AccTap::kSource));
  EXPECT_EQ(100, sensor.Read()->x);
}

}  // namespace
}  // namespace host::sensors
