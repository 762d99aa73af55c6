// The desktop mode: the application on an emulated handset in real time, shown in a window that a
// person uses with the mouse and the keyboard (host/desktop/desktop_input.h).
//
// RunDesktop builds a handset on the host's clock, installs the accelerometer "ACC0:" and the
// built-in music player, opens the window and runs the application's process until it exits:
// by its own Exit, or when the window is closed (the handset's shutdown: exit processing still
// runs and saves the settings). Under the screen the window shows what the player plays, the
// accelerometer's last sample and a tilt pad.
//
// With demo set, the built-in demo (host/demo/demo.h) plays the user's part instead: the window
// shows it in real time, takes no pointer or key input, and closing it ends the application.
//
//   host::desktop::DesktopOptions options;
//   options.app.executable = QuorvaneExecutable();
//   options.app.root = "/tmp/handset";
//   return host::desktop::RunDesktop(options, std::cerr);
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/drivers/accelerometer.h"
#include "host/kernel/handset.h"
#include "host/launch/launcher.h"
#include "host/sensors/motion_recorder.h"
#include "host/programs/music_player.h"
#include "host/programs/player_state.h"
#include "host/screen/screen_renderer.h"

namespace host::desktop {

struct FooterInfo;  // host/desktop/desktop_window.h

struct DesktopOptions {
  // The run: root, work area, songs, the back-end of "ACC0:" (null: the arrow keys and the tilt
  // pad, a manual tilt sensor), the player installed after the built-in one (not for the demo,
  // which shows the built-in player) and the trace (host/launch/launcher.h).
  launch::Application app;
  // What the window shows of a player other than the built-in one (one that app.installPlayer
  // put at "\Windows\MzMusic.exe", such as a real player over MPRIS): the footer's line about
  // what it plays ("" when none runs), and the lines under the title of a window of that player
  // (empty for any other window). Unset: the built-in player's.
  std::function<std::u16string()> playerFooter;
  std::function<std::vector<std::u16string>(HWND)> playerWindowLines;
  // The font file; empty: the installed CJK font.
  std::string fontPath;
  // The language the window draws in (host/screen/language.h).
  screen::Language language = screen::Language::kChinese;
  // The window's title.
  std::string title = "Quorvane";
  // Runs the built-in demo; its timeline goes to demoTimeline (null: nowhere).
  bool demo = false;
  std::ostream* demoTimeline = nullptr;
  // Not null (and no demo): what the driver reads is recorded there, 100 rows a second, and
  // the keys N and P label the current row next and previous (host/sensors/motion_recorder.h).
  // The first failed write ends the recording and is told at once, in the footer and on err.
  sensors::RecordFile* record = nullptr;
};

// Exit status when the window cannot be opened (no display, no font).
inline constexpr int kExitNoWindow = 3;

// Runs the application in the window until its process ends; returns its exit code, or
// kExitNoWindow after writing why to err. With demo: 0 when the demo ran (or the window was
// closed), 2 when it went wrong or could not save its settings (reported on err). A failed
// save is told on err as "quorvane: the settings could not be saved to ..." unless app.report
// is set. Uses SDL's video and events (initialised and shut down here).
// REQUIRES: no handset is current.
int RunDesktop(const DesktopOptions& options, std::ostream& err);

// What the music player's window shows under its title, in the language: the song, its place in
// the list, and playing or paused with the time into the song.
std::vector<std::u16string> PlayerLines(const programs::NowPlaying& now,
                                        screen::Language language);
// What the footer tells of the built-in player: the newest running player's place and song
// ("3/8 Paper Boats") and whether it plays; nothing when none runs.
void ShowNowPlaying(const programs::MusicPlayerService& player, FooterInfo& info);

// The music player window's buttons: previous, play or pause, next (programs::PlayerButtonRects).
std::vector<screen::WindowButton> PlayerButtons(const programs::NowPlaying& now, int width,
                                                int height, screen::Language language);

// An accelerometer back-end that passes reads on and keeps the last sample read and when it was
// read (on the clock given, the handset's), for the window's footer.
class WatchedSensor final : public AccelerometerSensor {
 public:
  // REQUIRES: sensor and clock outlive this one.
  WatchedSensor(AccelerometerSensor& sensor, const Clock& clock)
      : m_sensor(sensor), m_clock(clock) {}
  bool Present() const override { return m_sensor.Present(); }
  std::optional<AccSample> Read() override;
  void Opened() override { m_sensor.Opened(); }
  void Closed() override { m_sensor.Closed(); }
  std::optional<MotionMode> motion_mode() const override { return m_sensor.motion_mode(); }
  // The last successful read; nullopt before any.
  const std::optional<AccSample>& last() const { return m_last; }
  // What a read would give now, asked of the sensor without counting as the driver's read (a
  // live meter); only for a back-end whose reads change nothing (a replay, IIO).
  std::optional<AccSample> Live() { return m_sensor.Read(); }
  // Whether the driver reads every poll: a read (successful or not) within the last
  // kListeningGapMs before nowMs. False while the application's detector is deaf.
  bool Listening(std::int64_t nowMs) const;

 private:
  AccelerometerSensor& m_sensor;
  const Clock& m_clock;
  std::optional<AccSample> m_last;
  std::optional<std::int64_t> m_readAtMs;
};

// The longest time between two reads of a listening detector (its poll is 100 ms).
inline constexpr std::int64_t kListeningGapMs = 250;

// The position of the first slider in the application's windows on the handset (the
// sensitivity); nullopt when there is none.
std::optional<int> SliderPosition(const Handset& handset);
// Whether the current handset's application window (the first window of the UI library) exists
// and is hidden, so that the home screen or another program's window shows instead.
bool PanelHidden();
// Both read the live controls and window records: the footer asks at every refresh.

}  // namespace host::desktop
