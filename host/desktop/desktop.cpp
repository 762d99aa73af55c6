#include "host/desktop/desktop.h"

#include <SDL.h>

#include <filesystem>

#include "host/crt/utf.h"
#include "host/desktop/desktop_input.h"
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

int RunDesktop(const DesktopOptions& options, std::ostream& err) {
  SdlVideo video;
  if (!video.ok()) {
    err << "quorvane: cannot open a window: " << SDL_GetError() << '\n';
    return kExitNoWindow;
  }
  RealClock clock;
  Handset handset(clock, options.root);
  handset.set_trace(options.trace);

  sensors::ManualTiltSensor manual;
  AccelerometerSensor& backEnd = options.sensor != nullptr ? *options.sensor : manual;
  sensors::ManualTiltSensor* tilt = options.sensor != nullptr ? nullptr : &manual;
  WatchedSensor watched(backEnd);
  AccelerometerDriver driver(watched);
  handset.RegisterDevice(kAccelerometerName, &driver);
  programs::MusicPlayerService player(
      handset, options.playlist.empty() ? programs::BuiltInSongs() : options.playlist);
  if (options.prepare) options.prepare(handset);

  auto playing = [&player]() -> std::optional<programs::NowPlaying> {
    return player.NowPlayingState();
  };
  screen::ScreenRendererOptions screen;
  screen.fontPath = options.fontPath;
  screen.windowLines = [&player](const WindowView& window) {
    const programs::MusicPlayer* shown = player.PlayerOfWindow(window.hwnd);
    return shown != nullptr ? PlayerLines(shown->State()) : std::vector<std::u16string>{};
  };
  RECT area = handset.work_area();
  std::string error;
  std::unique_ptr<DesktopWindow> window =
      DesktopWindow::Create(options.title, area.right - area.left, area.bottom - area.top, screen,
                            error);
  if (window == nullptr) {
    err << "quorvane: " << error << '\n';
    handset.RegisterDevice(kAccelerometerName, nullptr);
    return kExitNoWindow;
  }
  window->set_footer([&] {
    FooterInfo info;
    if (std::optional<programs::NowPlaying> now = playing()) {
      info.nowPlaying = FromUtf8(now->Describe()).value_or(u"");
    }
    info.accelerometerOpen = driver.open_count() > 0;
    info.lastRead = watched.last();
    if (tilt != nullptr) info.tilt = tilt->Sample();
    return info;
  });
  window->set_screen_stamp([&] {
    std::optional<programs::NowPlaying> now = playing();
    return now ? PlayerLines(*now).back() : std::u16string();
  });

  DesktopInput input(handset, *window, tilt);
  handset.set_input(&input);
  std::error_code ignored;
  std::filesystem::create_directories(HostFolderOf(handset, options.application.defaultExe),
                                      ignored);
  std::unique_ptr<scenario::EntryProgram> program = options.application.make();
  scenario::EntryProgram* entry = program.get();
  DWORD pid = handset.StartProcess(options.application.defaultExe, std::move(program));
  // The entry has returned: the process's code, exit processing included, has ended.
  int code = entry->exit_code().value_or(0);
  handset.Emit("exit", {{"code", code}});
  handset.EndProcess(pid);
  handset.set_input(nullptr);
  handset.RegisterDevice(kAccelerometerName, nullptr);
  return code;
}

}  // namespace host::desktop
