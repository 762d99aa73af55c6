#include "host/desktop/desktop.h"

#include <SDL.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/desktop/desktop_input.h"
#include "host/demo/demo.h"
#include "host/desktop/desktop_window.h"
#include "host/programs/music_player.h"
#include "host/sensors/manual_tilt.h"

namespace host::desktop {
namespace {

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Clock(std::int64_t ms) {
  std::int64_t seconds = ms / 1000;
  std::string s = std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") +
                  std::to_string(seconds % 60);
  return Ascii(s);
}

// The host folder that holds the executable at the handset path exe.
std::filesystem::path HostFolderOf(const Handset& handset, std::u16string_view exe) {
  return std::filesystem::path(handset.HostPath(exe)).parent_path();
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
  return sample;
}

std::vector<std::u16string> PlayerLines(const programs::NowPlaying& now) {
  const programs::Song& song = now.song();
  return {
      song.title,
      u"Song " + Ascii(std::to_string(now.index + 1)) + u" of " +
          Ascii(std::to_string(now.playlist->size())),
      (now.playing ? u"Playing  " : u"Paused  ") + Clock(now.elapsedMs) + u" / " +
          Clock(song.lengthMs),
  };
}

namespace {

// What the window shows besides the handset's screen, wherever it comes from.
struct Shown {
  programs::MusicPlayerService& player;
  WatchedSensor& sensor;
  const AccelerometerDriver* driver;  // null: not known whether ACC0: is open
  const sensors::ManualTiltSensor* tilt;
  bool watching;  // a demo plays
};

std::unique_ptr<DesktopWindow> OpenWindow(const DesktopOptions& options, Handset& handset,
                                          const Shown& shown, std::ostream& err) {
  screen::ScreenRendererOptions screen;
  screen.fontPath = options.fontPath;
  programs::MusicPlayerService& player = shown.player;
  screen.windowLines = [&player, other = options.playerWindowLines](const WindowView& window) {
    if (other) return other(window.hwnd);
    const programs::MusicPlayer* playing = player.PlayerOfWindow(window.hwnd);
    return playing != nullptr ? PlayerLines(playing->State()) : std::vector<std::u16string>{};
  };
  RECT area = handset.work_area();
  std::string error;
  std::unique_ptr<DesktopWindow> window = DesktopWindow::Create(
      options.title, area.right - area.left, area.bottom - area.top, screen, error);
  if (window == nullptr) {
    err << "quorvane: " << error << '\n';
    return nullptr;
  }
  window->set_footer([shown, other = options.playerFooter] {
    FooterInfo info;
    if (other) {
      info.nowPlaying = other();
    } else if (std::optional<programs::NowPlaying> now = shown.player.NowPlayingState()) {
      info.nowPlaying = FromUtf8(now->Describe()).value_or(u"");
    }
    if (shown.driver != nullptr) info.accelerometerOpen = shown.driver->open_count() > 0;
    info.watching = shown.watching;
    info.lastRead = shown.sensor.last();
    if (shown.tilt != nullptr) info.tilt = shown.tilt->Sample();
    return info;
  });
  // What the player's window shows changes with it: a new stamp repaints the screen.
  window->set_screen_stamp([&player, other = options.playerFooter] {
    if (other) return other();
    std::optional<programs::NowPlaying> now = player.NowPlayingState();
    return now ? PlayerLines(*now).back() : std::u16string();
  });
  return window;
}

int RunDemo(const DesktopOptions& options, Handset& handset, std::vector<programs::Song> songs,
            std::ostream& err) {
  if (options.prepare) options.prepare(handset);
  std::ostream discard(nullptr);
  demo::Demo demo(handset, options.application, std::move(songs),
                  options.demoTimeline != nullptr ? *options.demoTimeline : discard, err);
  // Reads pass through a watch on their way to the sensor, so the footer shows them.
  WatchedSensor watched(options.sensor != nullptr ? *options.sensor
                                                  : demo.runner().accelerometer());
  demo.UseSensor(watched);
  if (options.installPlayer) options.installPlayer(handset);
  std::unique_ptr<DesktopWindow> window =
      OpenWindow(options, handset, {demo.player(), watched, nullptr, nullptr, true}, err);
  if (window == nullptr) return kExitNoWindow;
  WatchingInput input(handset, *window, demo.runner());
  handset.set_input(&input);
  scenario::RunStatus status = demo.Run();
  handset.set_input(nullptr);
  if (int failed = demo.timeline().failed_saves(); failed > 0) {
    err << "quorvane: the settings could not be saved (" << failed
        << " writes of the settings file failed)\n";
    return 2;
  }
  return status == scenario::RunStatus::kCompleted ? 0 : 2;
}

int RunInteractive(const DesktopOptions& options, Handset& handset,
                   std::vector<programs::Song> songs, std::ostream& err) {
  sensors::ManualTiltSensor manual;
  bool manualTilt = options.sensor == nullptr;
  WatchedSensor watched(manualTilt ? manual : *options.sensor);
  AccelerometerDriver driver(watched);
  handset.RegisterDevice(kAccelerometerName, &driver);
  programs::MusicPlayerService player(handset, std::move(songs));
  if (options.prepare) options.prepare(handset);
  if (options.installPlayer) options.installPlayer(handset);
  std::unique_ptr<DesktopWindow> window = OpenWindow(
      options, handset, {player, watched, &driver, manualTilt ? &manual : nullptr, false}, err);
  if (window == nullptr) {
    handset.RegisterDevice(kAccelerometerName, nullptr);
    return kExitNoWindow;
  }
  DesktopInput input(handset, *window, manualTilt ? &manual : nullptr);
  handset.set_input(&input);
  const scenario::Application& application = options.application;
  std::error_code ignored;
  std::filesystem::create_directories(HostFolderOf(handset, application.defaultExe), ignored);
  std::unique_ptr<scenario::EntryProgram> program = application.make();
  scenario::EntryProgram* entry = program.get();
  DWORD pid = handset.StartProcess(application.defaultExe, std::move(program));
  // The entry has returned: the process's code, exit processing included, has ended.
  int code = entry->exit_code().value_or(0);
  handset.Emit("exit", [&] { return TraceFields{{"code", code}}; });
  handset.EndProcess(pid);
  handset.set_input(nullptr);
  handset.RegisterDevice(kAccelerometerName, nullptr);
  return code;
}

}  // namespace

int RunDesktop(const DesktopOptions& options, std::ostream& err) {
  SdlVideo video;
  if (!video.ok()) {
    err << "quorvane: cannot open a window: " << SDL_GetError() << '\n';
    return kExitNoWindow;
  }
  // With DISPLAY set but no display server behind it, SDL falls back to a driver that shows
  // nothing (offscreen, KMS): nobody could see or use the window. Only a driver asked for by
  // name (SDL_VIDEODRIVER or the hint, as tests do) is taken as it is.
  std::string driver = SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
  bool chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER) != nullptr;
  if (!chosen && driver != "x11" && driver != "wayland") {
    err << "quorvane: cannot open a window: no display server answers (SDL video driver \""
        << driver << "\"); use --headless for the demo in the terminal\n";
    return kExitNoWindow;
  }
  RealClock clock;
  Handset handset(clock, options.root);
  handset.set_trace(options.trace);
  std::vector<programs::Song> songs =
      options.playlist.empty() ? programs::BuiltInSongs() : options.playlist;
  if (options.demo) return RunDemo(options, handset, std::move(songs), err);
  return RunInteractive(options, handset, std::move(songs), err);
}

}  // namespace host::desktop
