// The runner end to end, with the test application (test_app.h): scripts in, traces out.
#include "host/scenario/runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "host/kernel/clock.h"
#include "host/kernel/trace.h"
#include "platform/windows.h"
#include "tests/host/scenario/test_app.h"
#include "tests/support/sequence.h"
#include "tests/support/temp_folder.h"

namespace host::scenario {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Whether the trace holds exactly the lines of expected (one event a line).
testing::AssertionResult SameTrace(std::string_view expected,
                                   const std::vector<std::string>& actual) {
  return test_support::SameSequence(Lines(std::string(expected)), actual);
}

// What the test application traces while it starts.
constexpr std::string_view kStartUp = R"(
{"t":0,"ev":"text","ctl":"@120,10","text":"off"}
{"t":0,"ev":"title","text":"Test"}
{"t":0,"ev":"timer","id":7,"ms":500}
{"t":0,"ev":"show","to":"Test","cmd":5}
)";

// A script that ends early: the trace after start-up, and what the runner reports.
struct Ending {
  std::string_view script;
  std::string_view end;
  std::string_view diagnostics;
};

class RunnerTest : public testing::Test {
 protected:
  // Runs the script; the trace and the diagnostics are kept.
  RunStatus Run(std::string_view script) {
    Result<std::vector<Command>> parsed = ParseScript(script);
    EXPECT_TRUE(parsed) << parsed.error().Prefixed("test.qvs").message();
    std::ostringstream traceText;
    std::ostringstream diagnostics;
    RunStatus status;
    {
      VirtualClock clock;
      Handset handset(clock, m_root);
      JsonLinesTrace trace(traceText);
      handset.set_trace(&trace);
      Runner runner(handset, parsed ? *std::move(parsed) : std::vector<Command>{}, "test.qvs",
                    TestApplication(), diagnostics);
      status = runner.Run();
    }
    m_trace = Lines(traceText.str());
    m_diagnostics = diagnostics.str();
    return status;
  }

  test_support::TempFolder m_temp{"runner-test"};
  // Runs the script: its status, then the trace of start-up, c.end and after.
  void ExpectEnding(RunStatus status, const Ending& c, std::string_view after = "") {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(status, Run(c.script));
    EXPECT_TRUE(SameTrace(std::string(kStartUp) + std::string(c.end) + std::string(after),
                          m_trace));
    EXPECT_EQ(c.diagnostics, m_diagnostics);
  }

  std::string m_root = m_temp.string();
  std::vector<std::string> m_trace;
  std::string m_diagnostics;
};

TEST_F(RunnerTest, WaitDeliversEveryTimerAtItsDueTime) {
  EXPECT_EQ(RunStatus::kCompleted, Run(R"(
start
wait 1200
tap 2
wait 400
)"));
  EXPECT_TRUE(SameTrace(std::string(kStartUp) + R"(
{"t":500,"ev":"fire","id":7}
{"t":500,"ev":"text","ctl":"@120,10","text":"tick 1"}
{"t":1000,"ev":"fire","id":7}
{"t":1000,"ev":"text","ctl":"@120,10","text":"tick 2"}
{"t":1200,"ev":"text","ctl":"@120,10","text":"on"}
{"t":1500,"ev":"fire","id":7}
{"t":1500,"ev":"text","ctl":"@120,10","text":"tick 3"}
{"t":1500,"ev":"kill","id":7}
{"t":1600,"ev":"debug","text":"bye\n"}
{"t":1600,"ev":"exit","code":0}
)",
                        m_trace));
  EXPECT_EQ("", m_diagnostics);
}

TEST_F(RunnerTest, InputCommandsReachTheMainWindow) {
  EXPECT_EQ(RunStatus::kCompleted, Run(R"(
start
slider 7
move 11 101
move 10 101
slider 4
point 3
timer 7
timer 9
command 0x10001 1
)"));
  // slider moves the pad silently; the move inside the slider shows it, the one on its edge
  // does nothing, and point moves to the slider's centre; timer delivers armed and unarmed ids
  // alike; command ignores the high bits.
  EXPECT_TRUE(SameTrace(std::string(kStartUp) + R"(
{"t":0,"ev":"text","ctl":"@120,10","text":"7"}
{"t":0,"ev":"text","ctl":"@120,10","text":"4"}
{"t":0,"ev":"fire","id":7}
{"t":0,"ev":"text","ctl":"@120,10","text":"tick 1"}
{"t":0,"ev":"fire","id":9}
{"t":0,"ev":"quit","code":3}
{"t":0,"ev":"debug","text":"bye\n"}
{"t":0,"ev":"exit","code":3}
)",
                        m_trace));
}

TEST_F(RunnerTest, MenuRunsTheScriptInsideItsModalLoop) {
  EXPECT_EQ(RunStatus::kCompleted, Run(R"(
start
toolbar 0
wait 500
snapshot
choose 1
snapshot
)"));
  ASSERT_EQ(13u, m_trace.size());
  EXPECT_TRUE(SameTrace(std::string(kStartUp) + R"(
{"t":0,"ev":"menu","rect":[0,580,480,140],"items":[[1,"Hide",1],[2,"Quit",1]]}
{"t":500,"ev":"fire","id":7}
{"t":500,"ev":"text","ctl":"@120,10","text":"tick 1"}
)",
                        {m_trace.begin(), m_trace.begin() + 7}));
  nlohmann::json open = nlohmann::json::parse(m_trace[7]);
  EXPECT_EQ(R"({"items":[[1,"Hide",1],[2,"Quit",1]],"rect":[0,580,480,140]})",
            open["menu"].dump());
  EXPECT_EQ(R"([{"title":"Test","visible":true},{"title":"","visible":true}])",
            open["windows"].dump());
  EXPECT_TRUE(SameTrace(R"(
{"t":500,"ev":"menu-end","result":1}
{"t":500,"ev":"show","to":"Test","cmd":0}
)",
                        {m_trace.begin() + 8, m_trace.begin() + 10}));
  nlohmann::json closed = nlohmann::json::parse(m_trace[10]);
  EXPECT_EQ(nullptr, closed["menu"]);
  EXPECT_EQ(R"([{"title":"Test","visible":false}])", closed["windows"].dump());
}

TEST_F(RunnerTest, AMenuLeftOpenEndsWithNothingChosen) {
  struct Case {
    const char* script;
    const char* t;  // when the menu opens and is left
  };
  const Case cases[] = {
      // The switch lies above the menu: the tap leaves the menu and does not reach the switch.
      {"start\ntoolbar 0\ntap 2\n", "0"},
      // The end of the script leaves the menu and shuts down without a quit event.
      {"start\nwait 100\ntoolbar 0\n", "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(RunStatus::kCompleted, Run(c.script));
    std::string end = R"(
{"t":T,"ev":"menu","rect":[0,580,480,140],"items":[[1,"Hide",1],[2,"Quit",1]]}
{"t":T,"ev":"menu-end","result":0}
{"t":T,"ev":"debug","text":"bye\n"}
{"t":T,"ev":"exit","code":0}
)";
    for (std::size_t at = end.find(":T,"); at != std::string::npos; at = end.find(":T,")) {
      end.replace(at + 1, 1, c.t);
    }
    EXPECT_TRUE(SameTrace(std::string(kStartUp) + end, m_trace));
    EXPECT_EQ("", m_diagnostics);
  }
}

TEST_F(RunnerTest, ApplicationExitSkipsTheRestWithAWarning) {
  const Ending cases[] = {
      {"start\ntoolbar 1\nwait 100\ntap 2\n",
       R"({"t":0,"ev":"quit","code":3}
{"t":0,"ev":"debug","text":"bye\n"}
{"t":0,"ev":"exit","code":3})",
       "test.qvs:3: warning: the application has exited; the rest of the script is skipped\n"},
      // Quitting from the menu: the quit is posted after the modal run has returned.
      {"start\ntoolbar 0\nchoose 2\nsnapshot\n",
       R"({"t":0,"ev":"menu","rect":[0,580,480,140],"items":[[1,"Hide",1],[2,"Quit",1]]}
{"t":0,"ev":"menu-end","result":2}
{"t":0,"ev":"quit","code":0}
{"t":0,"ev":"debug","text":"bye\n"}
{"t":0,"ev":"exit","code":0})",
       "test.qvs:4: warning: the application has exited; the rest of the script is skipped\n"},
      // The quit comes during a wait: the warning names the wait's line.
      {"start\ntimer 6\nwait 1000\nsnapshot\n",
       R"({"t":0,"ev":"fire","id":6}
{"t":0,"ev":"timer","id":5,"ms":100}
{"t":100,"ev":"fire","id":5}
{"t":100,"ev":"quit","code":5}
{"t":100,"ev":"debug","text":"bye\n"}
{"t":100,"ev":"exit","code":5})",
       "test.qvs:3: warning: the application has exited; the rest of the script is skipped\n"},
  };
  for (const Ending& c : cases) ExpectEnding(RunStatus::kCompleted, c);
}

TEST_F(RunnerTest, ScriptErrorWhileRunningStopsTheApplicationCleanly) {
  const Ending cases[] = {
      {"start\nchoose 1\ntap 2\n", "", "test.qvs:2: choose: no menu is open\n"},
      {"start\ntap 99\ntap 2\n", "", "test.qvs:2: tap 99: no control has this id\n"},
      {"start\npoint 99\ntap 2\n", "", "test.qvs:2: point 99: no control has this id\n"},
      {"start\ntoolbar 2\ntap 2\n", "", "test.qvs:2: toolbar 2: the toolbar has 2 buttons\n"},
      // The error comes up inside the menu's modal loop: the menu is left, then the
      // application ends.
      {"start\ntoolbar 0\nchoose 7\ntap 2\n",
       R"({"t":0,"ev":"menu","rect":[0,580,480,140],"items":[[1,"Hide",1],[2,"Quit",1]]})"
       "\n"
       R"({"t":0,"ev":"menu-end","result":0})",
       "test.qvs:3: choose 7: the open menu has no such item\n"},
  };
  for (const Ending& c : cases) {
    ExpectEnding(RunStatus::kScriptError, c, R"(
{"t":0,"ev":"debug","text":"bye\n"}
{"t":0,"ev":"exit","code":0}
)");
  }
}

TEST_F(RunnerTest, TapOfAControlOutOfViewIsAnError) {
  // A window 120 high: the slider (y 100 to 150) reaches below it, its centre out of view.
  EXPECT_EQ(RunStatus::kScriptError, Run("workarea 0 0 480 120\nstart\ntap 3\n"));
  EXPECT_EQ("test.qvs:3: tap 3: the control's centre 160,125 is covered or out of view\n",
            m_diagnostics);
}

TEST_F(RunnerTest, WorldCommandsBeforeAndAfterStart) {
  EXPECT_EQ(RunStatus::kCompleted, Run(R"(
wait 50
exe "\Other\App.exe"
player running
process Other.exe One "Two words"
window Lonely
snapshot
start
player stopped
player running 播放列表 艺术家
snapshot
)"));
  // Before start: no window of the application yet, and time moved on without a loop.
  nlohmann::json before = nlohmann::json::parse(m_trace[0]);
  EXPECT_EQ(50, before["t"]);
  EXPECT_EQ(nullptr, before["window"]);
  EXPECT_EQ(R"(["MzMusic.exe","Other.exe"])", before["processes"].dump());
  EXPECT_EQ(
      R"([{"title":"正在播放","visible":true},{"title":"One","visible":true},)"
      R"({"title":"Two words","visible":true},{"title":"Lonely","visible":true}])",
      before["windows"].dump());
  nlohmann::json after = nlohmann::json::parse(m_trace[m_trace.size() - 3]);
  EXPECT_EQ("Test", after["window"]["title"]);
  EXPECT_EQ(R"([[7,500]])", after["timers"].dump());
  EXPECT_EQ(R"(["Other.exe","App.exe","MzMusic.exe"])", after["processes"].dump());
  EXPECT_EQ(
      R"([{"title":"One","visible":true},{"title":"Two words","visible":true},)"
      R"({"title":"Lonely","visible":true},{"title":"Test","visible":true},)"
      R"({"title":"播放列表","visible":true},{"title":"艺术家","visible":true}])",
      after["windows"].dump());
}

TEST_F(RunnerTest, LaunchSucceedsUntilTheScriptSaysOtherwise) {
  Run("start\ntimer 8\nlaunch fail\ntimer 8\nlaunch ok\ntimer 8\nsnapshot\n");
  EXPECT_TRUE(SameTrace(std::string(kStartUp) + R"(
{"t":0,"ev":"fire","id":8}
{"t":0,"ev":"launch","path":"\\Windows\\MzMusic.exe","ok":true}
{"t":0,"ev":"fire","id":8}
{"t":0,"ev":"launch","path":"\\Windows\\MzMusic.exe","ok":false}
{"t":0,"ev":"fire","id":8}
{"t":0,"ev":"launch","path":"\\Windows\\MzMusic.exe","ok":true}
)",
                        {m_trace.begin(), m_trace.end() - 3}));
  nlohmann::json snapshot = nlohmann::json::parse(m_trace[m_trace.size() - 3]);
  EXPECT_EQ(R"(["Test.exe","MzMusic.exe","MzMusic.exe"])", snapshot["processes"].dump());
  EXPECT_EQ(R"([{"title":"Test","visible":true},{"title":"正在播放","visible":true},)"
            R"({"title":"正在播放","visible":true}])",
            snapshot["windows"].dump());
}

TEST_F(RunnerTest, HandsetPathsStayInsideTheRoot) {
  // Names that climb above the handset's "\" with ".." stop at it, in every command.
  namespace fs = std::filesystem;
  std::string base = fs::path(m_root).filename().string();
  fs::path outside = fs::path(m_root).parent_path();
  std::ofstream(outside / (base + "-secret.txt")) << "host file";
  Run("write \"\\..\\..\\" + base + "-written.txt\" hello\n"
      "file \"\\..\\" + base + "-secret.txt\"\n"
      "exe \"\\..\\..\\" + base + "-folder\\Q.exe\"\n"
      "start\n");
  bool escaped = fs::exists(outside / (base + "-written.txt")) ||
                 fs::exists(outside / (base + "-folder"));
  fs::remove(outside / (base + "-secret.txt"));
  fs::remove(outside / (base + "-written.txt"));
  fs::remove_all(outside / (base + "-folder"));
  EXPECT_FALSE(escaped);
  EXPECT_TRUE(fs::exists(fs::path(m_root) / (base + "-written.txt")));
  EXPECT_TRUE(fs::is_directory(fs::path(m_root) / (base + "-folder")));
  ASSERT_FALSE(m_trace.empty());
  nlohmann::json file = nlohmann::json::parse(m_trace[0]);
  EXPECT_EQ("file", file["ev"]);
  EXPECT_EQ(false, file["exists"]);
}

}  // namespace
}  // namespace host::scenario
