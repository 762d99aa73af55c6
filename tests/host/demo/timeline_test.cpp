// The demo's timeline: which trace events make a line, and how it reads.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/demo/timeline.h"
#include "tests/support/sequence.h"

namespace host::demo {
namespace {

using test_support::SameSequence;
using nlohmann::ordered_json;

// Labels without an id, as the trace names them: their place in the scroll container.
constexpr char kStatusLine[] = "@0,42";
constexpr char kValueLabel[] = "@420,194";

struct Event {
  std::int64_t t;
  const char* ev;
  ordered_json fields;
};

class Collect final : public Trace {
 public:
  void Record(std::int64_t, std::string_view ev, ordered_json) override { events.emplace_back(ev); }
  std::vector<std::string> events;
};

std::vector<std::string> Lines(const std::vector<Event>& events, Trace* next = nullptr) {
  std::ostringstream out;
  Timeline timeline(out, next);
  for (const Event& e : events) timeline.Record(e.t, e.ev, e.fields);
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ordered_json Read(const char* out, bool ok = true) {
  return {{"code", 0x4000C}, {"in", ""}, {"out", out}, {"ok", ok}};
}

ordered_json Player(const char* event, int index, const char* title, bool playing) {
  return {{"event", event}, {"pid", 2},          {"index", index},
          {"count", 8},     {"title", title},    {"playing", playing}, {"elapsed", 0}};
}

TEST(Timeline, StatusLineChangesOnly) {
  EXPECT_TRUE(SameSequence(
      {"  2.1 s  status: 没有操作，监听中", "  4.6 s  status: 正在播放下一首"},
      Lines({{2100, "text", {{"ctl", kStatusLine}, {"text", "没有操作，监听中"}}},
             {2200, "text", {{"ctl", kStatusLine}, {"text", "没有操作，监听中"}}},
             {2300, "text", {{"ctl", 103}, {"text", "音乐进程已开启"}}},
             {2400, "text", {{"ctl", kValueLabel}, {"text", "100"}}},
             {4600, "text", {{"ctl", kStatusLine}, {"text", "正在播放下一首"}}}})));
}

TEST(Timeline, SamplesReadWhenTheyChange) {
  EXPECT_TRUE(SameSequence(
      {"  4.6 s  tilt: x 127  y 0  z 0", "  6.6 s  tilt: at rest", "  7.0 s  tilt: x -56  y 1  z -128"},
      Lines({{2100, "ioctl", Read("000000")},
             {4600, "ioctl", Read("7f0000")},
             {4700, "ioctl", Read("7f0000")},
             {4800, "ioctl", Read("", false)},
             {4900, "ioctl", {{"code", 0x40020}, {"in", "00c00000"}, {"out", ""}, {"ok", true}}},
             {6600, "ioctl", Read("000000")},
             {7000, "ioctl", Read("C80180")}})));
}

TEST(Timeline, PlayerChanges) {
  EXPECT_TRUE(SameSequence(
      {"  1.5 s  player started  → now playing: 1/8 Harbour Lights (paused)",
       "  3.5 s  player ◀ play/pause  → now playing: 1/8 Harbour Lights (playing)",
       "  4.6 s  player ◀ next  → now playing: 2/8 Paper Boats (playing)",
       "  5.0 s  player ◀ previous  → now playing: 1/8 Harbour Lights (playing)",
       "225.0 s  player: song over  → now playing: 2/8 Paper Boats (playing)",
       "230.0 s  player ◀ close  → the player has ended"},
      Lines({{1500, "player", Player("started", 1, "Harbour Lights", false)},
             {3500, "player", Player("play-pause", 1, "Harbour Lights", true)},
             {4600, "player", Player("next", 2, "Paper Boats", true)},
             {5000, "player", Player("previous", 1, "Harbour Lights", true)},
             {225000, "player", Player("song-ended", 2, "Paper Boats", true)},
             {230000, "player", Player("closed", 2, "Paper Boats", true)}})));
}

TEST(Timeline, ControlCharactersInTitlesAreShownEscaped) {
  // Song titles are file names from --music: they may hold anything.
  EXPECT_TRUE(SameSequence(
      {"  1.5 s  player started  \u2192 now playing: 1/8 Bad\\x1b[2J\\x0dname \u97f3 (paused)"},
      Lines({{1500, "player", Player("started", 1, "Bad\x1b[2J\rname \u97f3", false)}})));
}

TEST(Timeline, WindowsLaunchesExitAndOtherEvents) {
  EXPECT_TRUE(SameSequence(
      {"  0.0 s  window shown: Quorvane", "  3.5 s  window hidden: 正在播放",
       "  3.6 s  starting \\Windows\\MzMusic.exe failed", "  9.0 s  Quorvane has ended (exit code 3)"},
      Lines({{0, "show", {{"to", "Quorvane"}, {"cmd", 5}}},
             {0, "timer", {{"id", 1}, {"ms", 100}}},
             {3500, "show", {{"to", "正在播放"}, {"cmd", 0}}},
             {3500, "show", {{"to", nullptr}, {"cmd", 0}}},
             {3550, "launch", {{"path", "\\Windows\\MzMusic.exe"}, {"ok", true}}},
             {3600, "launch", {{"path", "\\Windows\\MzMusic.exe"}, {"ok", false}}},
             {3700, "post", {{"to", "正在播放"}, {"msg", 0xFFF00003u}, {"wparam", 3}, {"lparam", 0}}},
             {9000, "quit", {{"code", 3}}},
             {9000, "exit", {{"code", 3}}}})));
}

TEST(Timeline, SavesThatChangeTheSensitivity) {
  auto file = [](const char* text) {
    return ordered_json{{"path", "\\Program Files\\Quorvane\\config.ini"}, {"exists", true},
                        {"size", 10}, {"text", text}};
  };
  // The sensitivity starts at the default, 120.
  EXPECT_TRUE(SameSequence(
      {"  5.0 s  settings saved: sensitivity 100", "  9.0 s  settings saved: sensitivity 120"},
      Lines({{0, "file", file("")},
             {1000, "file", file("[Powered By Zelbin]\r\n  minacc_x=120\r\n  minacc_y=120")},
             {5000, "file", file("[Powered By Zelbin]\r\n  minacc_x=100\r\n  minacc_y=100")},
             {6000, "file", file("[Powered By Zelbin]\r\n  minacc_x=100\r\n  autoacc=0")},
             {9000, "file", file("[Powered By Zelbin]\r\n  minacc_x=120")}})));

  std::ostringstream out;
  Timeline timeline(out);
  timeline.SettingsBefore("[Powered By Zelbin]\r\n  minacc_x=90\r\n");
  timeline.Record(100, "file", file("[Powered By Zelbin]\r\n  minacc_x=90\r\n"));
  timeline.Record(200, "file", file("[Powered By Zelbin]\r\n  minacc_x=120\r\n"));
  EXPECT_EQ("  0.2 s  settings saved: sensitivity 120\n", out.str());
}

TEST(Timeline, HandsEveryEventOn) {
  Collect next;
  Lines({{0, "timer", {{"id", 1}, {"ms", 100}}},
         {0, "text", {{"ctl", kStatusLine}, {"text", "x"}}}},
        &next);
  EXPECT_EQ((std::vector<std::string>{"timer", "text"}), next.events);
}

}  // namespace
}  // namespace host::demo
