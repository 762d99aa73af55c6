// The whole demo with the application and the built-in player, in virtual time: the timeline it
// prints, and what it leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "host/demo/demo.h"
#include "host/sensors/replay.h"
#include "tests/support/sequence.h"
#include "tests/support/temp_folder.h"
#include "tools/quorvane_program.h"

namespace host::demo {
namespace {

namespace fs = std::filesystem;
using test_support::SameSequence;

class DemoRun : public ::testing::Test {
 protected:
  // The timeline without the heading, which names the root folder.
  std::vector<std::string> Run(int& status, std::optional<sensors::Recording> replay = {}) {
    launch::Application app;
    app.executable = QuorvaneExecutable();
    app.root = m_root;
    std::optional<sensors::ReplaySensor> sensor;
    if (replay) {
      sensor.emplace(std::move(*replay));
      app.sensor = &*sensor;
    }
    std::ostringstream out;
    status = RunTerminalDemo(app, Pace::kFast, out, m_err);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    bool heading = true;
    for (std::string line; std::getline(in, line);) {
      if (!heading) lines.push_back(line);
      if (line.empty()) heading = false;
    }
    return lines;
  }

  test_support::TempFolder m_temp{"quorvane-demo"};
  std::string m_root = m_temp.string();
  std::ostringstream m_err;
};

const std::vector<std::string> kTimeline = {
    "  0.0 s  status: 正在获取状态",
    "  0.0 s  status: 音乐进程没有开启",
    "  0.0 s  window shown: Quorvane",
    "  1.5 s  player started  → now playing: 1/8 Harbour Lights (paused)",
    "  1.5 s  status: 音乐已开启！",
    "  2.1 s  status: 没有操作，监听中",
    "  3.5 s  window hidden: 正在播放",
    "  3.5 s  player ◀ play/pause  → now playing: 1/8 Harbour Lights (playing)",
    "  4.6 s  tilt: x 127  y 0  z 0",
    "  4.6 s  status: 正在播放下一首",
    "  4.6 s  player ◀ next  → now playing: 2/8 夜空中的风筝 (playing)",
    "  6.6 s  tilt: at rest",
    "  6.6 s  status: 没有操作，监听中",
    "  7.6 s  tilt: x 127  y 0  z 0",
    "  7.6 s  status: 正在播放下一首",
    "  7.6 s  player ◀ next  → now playing: 3/8 Paper Boats (playing)",
    "  9.6 s  tilt: at rest",
    "  9.6 s  status: 没有操作，监听中",
    " 10.6 s  tilt: x 0  y 0  z 127",
    " 10.6 s  status: 正在播放前一首",
    " 10.6 s  player ◀ previous  → now playing: 2/8 夜空中的风筝 (playing)",
    " 12.6 s  tilt: at rest",
    " 12.6 s  status: 没有操作，监听中",
    " 13.6 s  tilt: x 110  y 0  z 0",
    " 14.2 s  tilt: at rest",
    " 16.1 s  settings saved: sensitivity 100",
    " 16.7 s  tilt: x 110  y 0  z 0",
    " 16.7 s  status: 正在播放下一首",
    " 16.7 s  player ◀ next  → now playing: 3/8 Paper Boats (playing)",
    " 18.7 s  tilt: at rest",
    " 18.7 s  status: 没有操作，监听中",
    " 21.6 s  settings saved: sensitivity 120",
    " 22.1 s  Quorvane has ended (exit code 0)",
    " 22.1 s  end of the demo",
};

TEST_F(DemoRun, TimelineTellsTheStoryAndASecondRunTellsItAgain) {
  for (int run = 1; run <= 2; ++run) {
    int status = -1;
    EXPECT_TRUE(SameSequence(kTimeline, Run(status))) << "run " << run;
    EXPECT_EQ(kDemoOk, status);
    EXPECT_EQ("", m_err.str());
  }
  // The settings persist in the root, with the sensitivity back where the demo found it.
  std::ifstream in(fs::path(m_root) / "Program Files" / "Quorvane" / "config.ini",
                   std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string minaccX;
  for (char c : std::string("minacc_x=120")) minaccX += {c, '\0'};  // UTF-16LE
  EXPECT_NE(std::string::npos, bytes.find(minaccX));
}

TEST_F(DemoRun, ARecordingTiltsTheHandsetInsteadOfTheScript) {
  auto recording = sensors::ParseRecording("ms,x,y,z\n0,0,0,0\n5000,127,0,0\n5300,0,0,0\n60000,0,0,0\n");
  int status = -1;
  std::vector<std::string> commands;
  for (const std::string& line : Run(status, *recording)) {
    if (line.find("player ◀") != std::string::npos || line.find("tilt") != std::string::npos) {
      commands.push_back(line);
    }
  }
  EXPECT_EQ(kDemoOk, status);
  EXPECT_TRUE(SameSequence(
      {"  3.5 s  player ◀ play/pause  → now playing: 1/8 Harbour Lights (playing)",
       "  5.0 s  tilt: x 127  y 0  z 0",
       "  5.0 s  player ◀ next  → now playing: 2/8 夜空中的风筝 (playing)",
       "  7.0 s  tilt: at rest"},
      commands));
}

}  // namespace
}  // namespace host::demo
