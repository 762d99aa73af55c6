#include "host/desktop/desktop.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/desktop/desktop_input.h"
#include "host/demo/demo.h"
#include "host/desktop/desktop_window.h"
#include "host/kernel/ending_signals.h"
#include "host/programs/music_player.h"
#include "host/sensors/manual_tilt.h"
#include "host/sensors/motion_recorder.h"
#include "host/ui/input.h"

namespace host::desktop {
namespace {

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Clock(std::int64_t ms) {
  std::int64_t seconds = ms / 1000;
  std::string s = std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") +
                  std::to_string(seconds % 60);
  return Ascii(s);
}

// Keeps SDL's video up for the lifetime of the object.
class SdlVideo {
 public:
  SdlVideo() : m_ok(SDL_Init(SDL_INIT_VIDEO) == 0) {}
  ~SdlVideo() {
    if (m_ok) SDL_Quit();
  }
  SdlVideo(const SdlVideo&) = delete;
  SdlVideo& operator=(const SdlVideo&) = delete;
  bool ok() const { return m_ok; }

 private:
  bool m_ok;
};

}  // namespace

std::optional<AccSample> WatchedSensor::Read() {
  std::optional<AccSample> sample = m_sensor.Read();
  if (sample) m_last = sample;
  m_readAtMs = m_clock.NowMs();
  return sample;
}

bool WatchedSensor::Listening(std::int64_t nowMs) const {
  return m_readAtMs && nowMs - *m_readAtMs <= kListeningGapMs;
}

namespace {

std::optional<int> FindSlider(const std::vector<UiWin*>& controls) {
  for (const UiWin* control : controls) {
    const ui::ControlState& state = ui::StateOf(*control);
    if (state.kind == UiKind::kSlider) return state.sliderPos;
    if (std::optional<int> found = FindSlider(state.children)) return found;
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> SliderPosition(const Handset& handset) {
  std::optional<int> found;
  handset.VisitWindows([&found](const WindowInfo& info) {
    CMzWnd* wnd = ui::FindWnd(info.hwnd);
    if (!found && wnd != nullptr) found = FindSlider(ui::StateOf(*wnd).controls);
  });
  return found;
}

bool PanelHidden() {
  const Handset* handset = Handset::CurrentOrNull();
  if (handset == nullptr) return false;
  std::optional<bool> hidden;
  handset->VisitWindows([&hidden](const WindowInfo& window) {
    if (!hidden && ui::FindWnd(window.hwnd) != nullptr) hidden = !window.visible;
  });
  return hidden.value_or(false);
}

std::vector<std::u16string> PlayerLines(const programs::NowPlaying& now,
                                        screen::Language language) {
  using screen::Pick;
  const programs::Song& song = now.song();
  std::u16string place = Ascii(std::to_string(now.index + 1));
  std::u16string count = Ascii(std::to_string(now.playlist->size()));
  std::u16string time = Clock(now.elapsedMs) + u" / " + Clock(song.lengthMs);
  std::u16string state(now.playing ? Pick(language, u"播放中  ", u"Playing  ")
                                   : Pick(language, u"已暂停  ", u"Paused  "));
  return {
      song.title,
      language == screen::Language::kEnglish ? u"Song " + place + u" of " + count
                                             : u"第 " + place + u" 首，共 " + count + u" 首",
      state + time,
  };
}

void ShowNowPlaying(const programs::MusicPlayerService& player, FooterInfo& info) {
  std::optional<programs::NowPlaying> now = player.NowPlayingState();
  if (!now) return;
  info.nowPlaying = Ascii(std::to_string(now->index + 1) + "/" +
                          std::to_string(now->playlist->size()) + " ") +
                    now->title();
  info.playing = now->playing;
}

std::vector<screen::WindowButton> PlayerButtons(const programs::NowPlaying& now, int width,
                                                int height, screen::Language language) {
  using screen::Pick;
  const std::u16string_view labels[] = {
      Pick(language, u"上一首", u"Previous"),
      now.playing ? Pick(language, u"暂停", u"Pause") : Pick(language, u"播放", u"Play"),
      Pick(language, u"下一首", u"Next")};
  std::vector<screen::WindowButton> buttons;
  std::vector<RECT> rects = programs::PlayerButtonRects(width, height);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    buttons.push_back({rects[i], std::u16string(labels[i])});
  }
  return buttons;
}

namespace {

// What the window shows besides the handset's screen, wherever it comes from.
struct Shown {
  programs::MusicPlayerService& player;
  WatchedSensor& sensor;
  const AccelerometerDriver* driver;  // null: not known whether ACC0: is open
  const sensors::ManualTiltSensor* tilt;
  bool watching;  // a demo plays
  bool recording = false;
  const sensors::RecordFile* record = nullptr;  // --record's file
  const GestureGate* gate = nullptr;            // --gestures when-playing's gate
};

// The window's input with a recorder beside it: a row whenever one is due, and the keys N and P
// label the current row. The keys are watched as SDL queues them, so the window's own input
// handling stays as it is.
class RecordingInput final : public InputSource {
 public:
  RecordingInput(InputSource& input, sensors::MotionRecorder& recorder,
                 const sensors::RecordFile& file, const host::Clock& clock, std::ostream& err)
      : m_input(input), m_recorder(recorder), m_file(file), m_clock(clock), m_err(err) {
    SDL_AddEventWatch(&RecordingInput::WatchKeys, this);
  }
  ~RecordingInput() override { SDL_DelEventWatch(&RecordingInput::WatchKeys, this); }
  RecordingInput(const RecordingInput&) = delete;
  RecordingInput& operator=(const RecordingInput&) = delete;

  bool Idle(std::int64_t wakeAtMs) override {
    m_recorder.Poll(m_clock.NowMs());
    if (!m_recorder.ok()) {
      // Told once, at once; the footer says so from now on, and no more rows are due.
      if (!m_told) m_err << "quorvane: the recording stopped: " << m_file.failure()->message() << std::endl;
      m_told = true;
      return m_input.Idle(wakeAtMs);
    }
    std::int64_t due = m_recorder.next_due_ms().value_or(m_clock.NowMs());
    return m_input.Idle(wakeAtMs >= 0 ? std::min(wakeAtMs, due) : due);
  }
  void Wake() override { m_input.Wake(); }

 private:
  static int WatchKeys(void* self, SDL_Event* event) {
    if (event->type != SDL_KEYDOWN || event->key.repeat != 0) return 0;
    auto* input = static_cast<RecordingInput*>(self);
    if (event->key.keysym.sym == SDLK_n) input->m_recorder.Label(sensors::GestureLabel::kNext);
    if (event->key.keysym.sym == SDLK_p) input->m_recorder.Label(sensors::GestureLabel::kPrevious);
    return 0;
  }

  InputSource& m_input;
  sensors::MotionRecorder& m_recorder;
  const sensors::RecordFile& m_file;
  const host::Clock& m_clock;
  std::ostream& m_err;
  bool m_told = false;
};

std::unique_ptr<DesktopWindow> OpenWindow(const DesktopOptions& options, Handset& handset,
                                          const Shown& shown, std::ostream& err) {
  screen::ScreenRendererOptions screen;
  screen.fontPath = options.fontPath;
  screen.language = options.language;
  programs::MusicPlayerService& player = shown.player;
  screen::Language language = options.language;
  screen.windowLines = [&player, language,
                        other = options.playerWindowLines](const WindowView& window) {
    if (other) return other(window.hwnd);
    const programs::MusicPlayer* playing = player.PlayerOfWindow(window.hwnd);
    return playing != nullptr ? PlayerLines(playing->State(), language)
                              : std::vector<std::u16string>{};
  };
  if (!options.playerWindowLines) {
    screen.windowButtons = [&player, language](const WindowView& window) {
      const programs::MusicPlayer* playing = player.PlayerOfWindow(window.hwnd);
      if (playing == nullptr) return std::vector<screen::WindowButton>{};
      return PlayerButtons(playing->State(), screen::Width(window.rect),
                           screen::Height(window.rect), language);
    };
  }
  RECT area = handset.work_area();
  Result<std::unique_ptr<DesktopWindow>> made = DesktopWindow::Create(
      options.title, area.right - area.left, area.bottom - area.top, screen);
  if (!made) {
    err << "quorvane: " << made.error().message() << '\n';
    return nullptr;
  }
  std::unique_ptr<DesktopWindow> window = *std::move(made);
  window->set_footer([shown, &handset, other = options.playerFooter] {
    FooterInfo info;
    if (other) {
      info.nowPlaying = other();
    } else {
      ShowNowPlaying(shown.player, info);
    }
    info.panelHidden = PanelHidden();
    if (shown.driver != nullptr) info.accelerometerOpen = shown.driver->open_count() > 0;
    info.watching = shown.watching;
    info.recording = shown.recording;
    if (shown.record != nullptr && shown.record->failure()) {
      info.recording = false;
      info.recordingStopped = true;
    }
    // Live: the manual tilt as it is now; a replay or an IIO sensor asked now while ACC0: is
    // open (it samples only then), also while the detector is deaf; else what the driver read
    // last. The demo's scripted sensor counts its reads, so it shows the driver's.
    info.live = shown.sensor.last();
    if (shown.tilt != nullptr) {
      info.tilt = info.live = shown.tilt->Sample();
    } else if (shown.driver != nullptr && shown.driver->open_count() > 0) {
      if (std::optional<AccSample> now = shown.sensor.Live()) info.live = now;
    }
    info.motion = shown.sensor.motion_mode();
    info.threshold = SliderPosition(handset);
    info.listening = shown.sensor.Listening(handset.clock().NowMs());
    if (shown.gate != nullptr) info.gesturesPaused = !shown.gate->playing();
    return info;
  });
  // What the player's window shows changes with it: a new stamp repaints the screen.
  window->set_screen_stamp([&player, language, other = options.playerFooter] {
    if (other) return other();
    std::optional<programs::NowPlaying> now = player.NowPlayingState();
    return now ? PlayerLines(*now, language).back() : std::u16string();
  });
  return window;
}

int RunDemo(const DesktopOptions& options, Handset& handset, const launch::Application& app,
            std::ostream& err) {
  std::ostream discard(nullptr);
  demo::Demo demo(handset, app, options.demoTimeline != nullptr ? *options.demoTimeline : discard,
                  err);
  // Reads pass through a watch on their way to the sensor, so the footer shows them.
  WatchedSensor watched(app.sensor != nullptr ? *app.sensor : demo.runner().accelerometer(),
                        handset.clock());
  demo.UseSensor(watched);
  std::unique_ptr<DesktopWindow> window =
      OpenWindow(options, handset,
                 {demo.player(), watched, nullptr, nullptr, true, false, nullptr, demo.gate()},
                 err);
  if (window == nullptr) return kExitNoWindow;
  WatchingInput input(handset, *window, demo.runner());
  handset.set_input(&input);
  scenario::RunStatus status = demo.Run();
  handset.set_input(nullptr);
  if (demo.failed_saves() > 0) return demo::kDemoFailed;
  return status == scenario::RunStatus::kCompleted ? demo::kDemoOk : demo::kDemoFailed;
}

int RunInteractive(const DesktopOptions& options, Handset& handset, launch::Application app,
                   std::ostream& err) {
  sensors::ManualTiltSensor manual(handset.clock());
  bool manualTilt = app.sensor == nullptr;
  AccelerometerSensor& backEnd = manualTilt ? manual : *app.sensor;
  WatchedSensor watched(backEnd, handset.clock());
  app.sensor = &watched;
  launch::Launcher launcher(handset, app);
  std::unique_ptr<DesktopWindow> window =
      OpenWindow(options, handset,
                 {launcher.player(), watched, launcher.driver(), manualTilt ? &manual : nullptr,
                  false, options.record != nullptr, options.record, launcher.gate()},
                 err);
  if (window == nullptr) return kExitNoWindow;
  DesktopInput input(handset, *window, manualTilt ? &manual : nullptr);
  // The recorder reads the back-end itself, so the footer keeps showing the application's reads.
  std::optional<sensors::MotionRecorder> recorder;
  std::optional<RecordingInput> recording;
  if (options.record != nullptr) {
    recorder.emplace(backEnd, *options.record);
    recording.emplace(input, *recorder, *options.record, handset.clock(), err);
  }
  handset.set_input(recording ? static_cast<InputSource*>(&*recording) : &input);
  int code = launcher.Run();
  handset.set_input(nullptr);
  return code;
}

}  // namespace

namespace {

// Why no window opens: the display that was tried and did not answer. The caller suggests
// --headless.
std::string NoDisplay() {
  std::string tried;
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    if (!tried.empty()) tried += " nor ";
    tried += std::string(name) + "=" + value;
  }
  return tried.empty() ? "DISPLAY and WAYLAND_DISPLAY are not set"
                       : "no display answers at " + tried;
}

}  // namespace

int RunDesktop(const DesktopOptions& options, std::ostream& err) {
  // Only a driver asked for by name (SDL_VIDEODRIVER or the hint, as tests do) is taken as it
  // is. Else SDL tries the display that is set, and only that one: probing Wayland without
  // WAYLAND_DISPLAY has libwayland complain on stderr about things the user did not ask for.
  // The ending signals stay blocked and come through the handset's loop
  // (host/kernel/ending_signals.h); SDL's handlers for them would never run.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  bool chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER) != nullptr;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  bool x11Only = !chosen && (wayland == nullptr || *wayland == '\0');
  if (x11Only) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  SdlVideo video;
  if (x11Only) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  // With DISPLAY set but no display server behind it, SDL fails or falls back to a driver that
  // shows nothing: nobody could see or use the window.
  const char* current = video.ok() ? SDL_GetCurrentVideoDriver() : nullptr;
  std::string driver = current != nullptr ? current : "";
  if (!video.ok() || (!chosen && driver != "x11" && driver != "wayland")) {
    err << "quorvane: cannot open a window: " << NoDisplay() << '\n';
    return kExitNoWindow;
  }
  launch::Application app = options.app;
  if (!app.report) {
    app.report = [&err](const std::string& line) { err << "quorvane: " << line << '\n'; };
  }
  SignalClock clock(app.signals);
  Handset handset(clock, app.root);
  // SDL waits for window events in a poll of its own: an ending signal wakes it from a thread,
  // and is taken on the handset's thread.
  std::optional<SignalWaker> waker;
  if (EndingSignals* signals = app.signals) {
    waker.emplace(*signals, [&handset, signals] {
      handset.PostFromThread([signals] { signals->Take(); });
    });
  }
  if (options.demo) return RunDemo(options, handset, app, err);
  return RunInteractive(options, handset, app, err);
}

}  // namespace host::desktop
