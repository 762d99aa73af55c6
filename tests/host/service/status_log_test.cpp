// The service's log: which trace events make a line, on which stream, and what is handed on.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/service/status_log.h"

namespace host::service {
namespace {

// Keeps the events handed on, as "ev".
class Collect final : public Trace {
 public:
  void Record(std::int64_t, std::string_view ev, nlohmann::ordered_json) override {
    events.emplace_back(ev);
  }
  void Waiting(std::optional<std::int64_t> waitMs) override { waits.push_back(waitMs); }
  std::vector<std::string> events;
  std::vector<std::optional<std::int64_t>> waits;
};

struct Event {
  const char* ev;
  nlohmann::ordered_json fields;
};

TEST(StatusLog, PrintsStatusChangesAndDebugLinesWithTheirStamp) {
  const std::vector<Event> events = {
      {"text", {{"ctl", "@0,42"}, {"text", "正在获取状态"}}},
      {"text", {{"ctl", "@0,42"}, {"text", "正在获取状态"}}},  // unchanged: no line
      {"text", {{"ctl", 107}, {"text", "120"}}},               // another control
      {"debug", {{"text", "[Acc Api] ACC0 not opened..........\n"}}},
      {"debug", {{"text", "[Acc Api] ACC0 not opened..........\n"}}},
      {"debug", {{"text", "[Acc Api] ACC0 not opened..........\n"}}},
      {"text", {{"ctl", "@0,42"}, {"text", "正在播放下一首"}}},
      {"debug", {{"text", "[Acc Api] Close ACC0..........\n"}}},
      {"fire", {{"id", 1}}},
  };
  std::ostringstream out;
  std::ostringstream err;
  Collect next;
  StatusLog log(out, err, &next, [] { return std::string("STAMP"); });
  for (const Event& event : events) log.Record(0, event.ev, event.fields);
  log.Waiting(100);  // handed on, so that a trace file behind the log keeps up
  log.Finish();

  EXPECT_EQ(out.str(), "STAMP  正在获取状态\nSTAMP  正在播放下一首\n");
  EXPECT_EQ(err.str(),
            "STAMP  debug: [Acc Api] ACC0 not opened..........\n"
            "STAMP  debug: the line before came 2 times more\n"
            "STAMP  debug: [Acc Api] Close ACC0..........\n");
  EXPECT_EQ(next.events.size(), events.size());
  EXPECT_EQ(next.waits, (std::vector<std::optional<std::int64_t>>{100}));
  EXPECT_EQ(log.status(), "正在播放下一首");
}

TEST(StatusLog, TellsGesturesPausedAndResumedOnOneLineEach) {
  std::ostringstream out;
  std::ostringstream err;
  StatusLog log(out, err, nullptr, [] { return std::string("STAMP"); });
  EXPECT_TRUE(log.Wants("gestures"));
  // The status line's repeats are left out, unless a trace behind the log wants them.
  EXPECT_FALSE(log.WantsRepeats("text"));
  Collect all;
  EXPECT_TRUE(StatusLog(out, err, &all).WantsRepeats("text"));
  log.Record(0, "gestures", {{"paused", true}});
  log.Record(0, "text", {{"ctl", "@0,42"}, {"text", "没有操作，监听中"}});
  log.Record(0, "gestures", {{"paused", false}});
  log.Record(0, "gestures", {{"paused", true}});
  EXPECT_EQ(out.str(),
            "STAMP  gestures paused: the player is not playing\n"
            "STAMP  没有操作，监听中\n"
            "STAMP  gestures resumed\n"
            "STAMP  gestures paused: the player is not playing\n");
  EXPECT_EQ(err.str(), "");
}

TEST(StatusLog, LocalTimeStampHasDateTimeAndMilliseconds) {
  std::string stamp = LocalTimeStamp();
  ASSERT_EQ(stamp.size(), 23u) << stamp;
  EXPECT_EQ(stamp[4], '-');
  EXPECT_EQ(stamp[10], ' ');
  EXPECT_EQ(stamp[19], '.');
}

}  // namespace
}  // namespace host::service
