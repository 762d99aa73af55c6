// Scenario tests: each runs a script of tests/scenarios with the real application
// (quorvane --script NAME.qvs) and checks the events of its trace that the scenario is about
// (tests/support/trace_match.h). The builders below name the application's events as the trace
// shows them (docs/scenarios.md), so that a test reads as the list of what must happen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/acc_ids.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace_match.h"

namespace scenario_test {

using trace_match::Expected;
using trace_match::Json;
using trace_match::AnyNumberOf;
using trace_match::Optional;
using trace_match::Sequence;

// Labels without an id, as the trace names them: "@X,Y", their place in the scroll container.
inline constexpr char kStatusLine[] = "@0,42";
inline constexpr char kValueLabel[] = "@420,194";  // at the window's width of 480

// The main window, the music player's window and what is posted to it.
inline constexpr char kMainWindow[] = "Quorvane";
inline constexpr char kNowPlaying[] = "正在播放";
inline constexpr std::int64_t kWmPlayerControl = 0xFFF00003;
inline constexpr int kWmClose = 0x10;
inline constexpr int kPlayerPrev = 1;
inline constexpr int kPlayerToggle = 2;
inline constexpr int kPlayerNext = 3;
inline constexpr int kSwHide = 0;
inline constexpr int kSwShow = 5;

// The accelerometer's control codes.
inline constexpr std::int64_t kIoctlSetMessage = 262176;
inline constexpr std::int64_t kIoctlReadXyz = 262156;

inline constexpr char kSettingsFile[] = "\\Program Files\\Quorvane\\config.ini";

// Places of the controls in a snapshot, as JSON pointers: the toolbar and the scroll container
// are the window's controls, the rest the container's children in the order they were added.
inline const std::string kScroll = "/window/controls/1";
inline std::string Child(int index) {  // the index-th child of the scroll container
  return kScroll + "/children/" + std::to_string(index);
}
inline const std::string kStartButton = Child(2);
inline const std::string kValueControl = Child(5);
inline const std::string kSlider = Child(6);
inline const std::string kGestureSwitch = Child(8);
inline const std::string kAutoHideSwitch = Child(10);
inline const std::string kAutoRunSwitch = Child(12);
inline const std::string kAutoPlaySwitch = Child(14);

// ---- Events, each at time t.
Expected Text(std::int64_t t, const Json& ctl, const std::string& text);
Expected Status(std::int64_t t, const std::string& text);  // the status line
Expected Value(std::int64_t t, const std::string& text);   // the value label
Expected StartButtonText(std::int64_t t, const std::string& text);
Expected Invalidate(std::int64_t t);
Expected Post(std::int64_t t, const Json& to, std::int64_t msg, std::int64_t wParam);
// WM_PLAYER_CONTROL with a command code to a window ("正在播放" unless named).
Expected PlayerCommand(std::int64_t t, int code, const std::string& to = kNowPlaying);
// WM_CLOSE to a window; null for none.
Expected CloseRequest(std::int64_t t, const Json& to = kNowPlaying);
Expected Show(std::int64_t t, const Json& to, int cmd);
Expected Timer(std::int64_t t, unsigned id, int ms);
Expected Kill(std::int64_t t, unsigned id);
Expected Fire(std::int64_t t, unsigned id);
Expected Launch(std::int64_t t, bool ok);
Expected Open(std::int64_t t, bool ok);  // of ACC0:
Expected HandOver(std::int64_t t);       // the message id to ACC0:
Expected Read(std::int64_t t);           // a sample read, successful or not
Expected ReadFailed(std::int64_t t);     // a sample read that failed
Expected Close(std::int64_t t);          // of ACC0:
Expected Debug(std::int64_t t, const std::string& text);
Expected Quit(std::int64_t t);
Expected Exit(std::int64_t t);
// The operations menu at rect [x, y, w, h] with its four items.
Expected Menu(std::int64_t t, const Json& rect);
Expected MenuEnd(std::int64_t t, int result);
// The settings file as the trace shows it, with its text after the byte-order mark.
Expected SettingsFile(std::int64_t t, const std::string& text, const char* path = kSettingsFile);
// An open of the watched settings file, for writing or not.
Expected SettingsOpen(std::int64_t t, bool write, const char* path = kSettingsFile);
Expected Title(std::int64_t t);  // the main window's title set
// A snapshot with these fields (JSON pointers into it, e.g. kSlider + "/pos").
Expected Snapshot(std::int64_t t, const Json& fields);

// ---- Runs of events.
// The seven opens of one save of the settings at time t.
std::vector<Expected> SettingsSave(std::int64_t t, const char* path = kSettingsFile);
// event(t) at every 100 ms poll tick from first to last.
std::vector<Expected> Ticks(std::int64_t first, std::int64_t last,
                            Expected (*event)(std::int64_t t));

// ---- Kinds of events, narrowed to one control or one timer.
Expected StatusTexts();
Expected StartButtonTexts();
Expected ValueTexts();
Expected Reads();
Expected WriteOpens();  // opens of the watched settings file for writing
Expected FileEvents();

// Texts of the status line.
inline constexpr char kGettingState[] = "正在获取状态";
inline constexpr char kListening[] = "没有操作，监听中";
inline constexpr char kPlayingNext[] = "正在播放下一首";
inline constexpr char kPlayerMissing[] = "音乐进程没有开启";
inline constexpr char kNoPlayerFound[] = "没有找到音乐程序进程";
inline constexpr char kGestureOff[] = "重力加速器被配置为关闭";
inline constexpr char kAccelerometerFailed[] = "启动重力加速器失败";
inline constexpr char kMusicStarted[] = "音乐已开启！";
inline constexpr char kMusicFailed[] = "开启音乐失败！";
// Texts of the start button.
inline constexpr char kPlayerRunningButton[] = "音乐进程已开启";
inline constexpr char kStartPlayerButton[] = "开启音乐并隐藏音乐界面";
// Debug output of the accelerometer layer.
inline constexpr char kOpenFailedNotThere[] = "[Acc Api] Open ACC0 failed err 55..........\n";
inline constexpr char kClosing[] = "[Acc Api] Close ACC0..........\n";
inline constexpr char kNotOpened[] = "[Acc Api] ACC0 not opened..........\n";
// What giving back a reference of a device that is not open prints: the open-failure text with
// the last error of the moment.
inline constexpr char kOpenFailedErr18[] = "[Acc Api] Open ACC0 failed err 18..........\n";
inline constexpr char kOpenFailedErr0[] = "[Acc Api] Open ACC0 failed err 0..........\n";

// The settings file's text holding these seven values.
std::string SettingsText(int x, int y, int z, int autoacc, int autohide, int autorun,
                         int autoplay);

class ScenarioTest : public testing::Test {
 protected:
  // Runs tests/scenarios/NAME.qvs on a fresh handset root and reads its trace; fails the test
  // unless the script ran to its end (status 0).
  void Run(const std::string& name);

  // The events of the trace of one of kinds, compared with expected (MatchEvents).
  testing::AssertionResult Events(const std::vector<Expected>& kinds, const Sequence& expected);

 private:
  test_support::TempFolder m_folder{"quorvane-scenario"};
  std::vector<trace_match::Event> m_trace;
};

}  // namespace scenario_test
