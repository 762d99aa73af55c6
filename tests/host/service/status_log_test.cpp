// The service's log: which trace events make a line, on which stream, in which language, with
// or without the time stamp, and what is handed on.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/service/status_log.h"
#include "tests/support/temp_folder.h"

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

// The player's control message with wParam code, as the application posts it.
Event Post(std::uint64_t code) {
  return {"post", {{"to", "正在播放"}, {"msg", 0xFFF00003u}, {"wparam", code}, {"lparam", 0}}};
}

TEST(StatusLog, StatusLinesInTheLanguageFlicksAndNotesOnOut) {
  struct Case {
    screen::Language language;
    std::vector<Event> events;
    const char* out;
  };
  const Event next = Post(3);
  const Event previous = Post(1);
  const Case cases[] = {
      {screen::Language::kChinese,
       {{"text", {{"ctl", "@0,42"}, {"text", "没有操作，监听中"}}}, next,
        {"text", {{"ctl", "@0,42"}, {"text", "正在播放下一首"}}}},
       "STAMP  没有操作，监听中\nSTAMP  flick right: next\nSTAMP  正在播放下一首\n"},
      {screen::Language::kEnglish,
       {{"text", {{"ctl", "@0,42"}, {"text", "没有操作，监听中"}}}, previous,
        {"text", {{"ctl", "@0,42"}, {"text", "正在播放前一首"}}}},
       "STAMP  Listening for flicks\nSTAMP  flick down: previous\n"
       "STAMP  Playing the previous song\n"},
      // A text without English stays as it is; play/pause (the menu, autoplay) is no flick,
      // and neither is another message or a post without its numbers.
      {screen::Language::kEnglish,
       {{"text", {{"ctl", "@0,42"}, {"text", "自定义"}}}, Post(2),
        {"post", {{"to", "正在播放"}, {"msg", 0x10}, {"wparam", 3}}},
        {"post", {{"to", nullptr}, {"msg", "?"}}}},
       "STAMP  自定义\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(screen::LanguageName(c.language));
    std::ostringstream out;
    std::ostringstream err;
    StatusLog log(out, err, nullptr, [] { return std::string("STAMP"); });
    log.set_language(c.language);
    ASSERT_TRUE(log.Wants("post"));
    for (const Event& event : c.events) log.Record(0, event.ev, event.fields);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), "");
  }
  // A note goes to out as well, and a debug line that repeats is told before the problem.
  std::ostringstream out;
  std::ostringstream err;
  StatusLog log(out, err, nullptr, [] { return std::string(); });  // the journal's: no stamp
  log.Note("player: mpv (org.mpris.MediaPlayer2.mpv)");
  log.Record(0, "debug", {{"text", "[MPRIS] x\n"}});
  log.Record(0, "debug", {{"text", "[MPRIS] x\n"}});
  log.Problem("stopped by SIGTERM");
  EXPECT_EQ(out.str(), "player: mpv (org.mpris.MediaPlayer2.mpv)\n");
  EXPECT_EQ(err.str(),
            "debug: [MPRIS] x\ndebug: the line before came 1 times more\nstopped by SIGTERM\n");
}

TEST(StatusLog, TheJournalStreamIsTheDescriptorsDeviceAndInode) {
  test_support::TempFolder folder("quorvane-journal-");
  std::string path = (folder.path() / "out").string();
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  struct stat info;
  ASSERT_EQ(0, fstat(fd, &info));
  std::string dev = std::to_string(info.st_dev);
  std::string ino = std::to_string(info.st_ino);
  struct Case {
    std::optional<std::string> value;
    bool journal;
  };
  const Case cases[] = {
      {dev + ":" + ino, true},
      {std::nullopt, false},
      {dev + ":" + std::to_string(info.st_ino + 1), false},  // another file: a child's output
      {dev + ":", false},
      {":" + ino, false},
      {dev + ":" + ino + "x", false},
      {dev + " " + ino, false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.journal, IsJournalStream(c.value ? c.value->c_str() : nullptr, fd))
        << c.value.value_or("(unset)");
  }
  close(fd);
  EXPECT_FALSE(IsJournalStream((dev + ":" + ino).c_str(), fd));  // closed
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
