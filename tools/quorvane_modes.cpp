#include "tools/quorvane_modes.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/demo/demo.h"
#include "host/files/root_folder.h"
#include "host/kernel/trace_output.h"
#include "host/programs/songs.h"
#include "host/scenario/script_mode.h"
#include "host/service/service.h"
#include "tools/host_options.h"
#include "tools/quorvane_program.h"
#include "tools/service_log.h"
#include "tools/settings_command.h"
#ifdef QV_HAS_DESKTOP
#include "host/desktop/desktop.h"
#include "host/desktop/message_box.h"
#include "tools/window_handover.h"
#include "host/render/control_view.h"
#include "host/screen/screen_renderer.h"
#endif

namespace tools {
namespace {

using Kind = Mode::Kind;

// What a mode with devices runs on, made from the Mode: the root (locked), the songs, the
// devices and the trace file. Owns them for the run.
class Prepared {
 public:
  // The run on what mode names, or the reason it cannot be used ("quorvane: " and it, exit 2).
  // late: the service's wait for devices not there yet (null: none).
  static host::Result<std::unique_ptr<Prepared>> Make(const Mode& mode,
                                                      host::EndingSignals& signals,
                                                      std::ostream& out,
                                                      const LateDevices* late = nullptr) {
    std::unique_ptr<Prepared> made(new Prepared());
    made->m_app.executable = QuorvaneExecutable();
    made->m_app.workArea = mode.workArea;
    made->m_app.gestures = mode.gestures;
    if (mode.music) {
      host::Result<std::vector<host::programs::Song>> songs =
          host::programs::SongsInFolder(*mode.music);
      if (!songs) return host::Error(mode.Origin("music") + "--music " + songs.error().message());
      made->m_app.songs = std::move(*songs);
    }
    host::Result<std::unique_ptr<HostDevices>> devices =
        HostDevices::Open(mode.acc, mode.player, mode.motion, &signals, kBusAnswerMs, late);
    if (!devices) {
      const std::string& error = devices.error().message();
      bool player = error.rfind("--player", 0) == 0;
      return host::Error(mode.Origin(player ? "player" : "acc") + error);
    }
    made->m_devices = std::move(*devices);
    made->m_app.sensor = made->m_devices->sensor();
    HostDevices* opened = made->m_devices.get();
    if (opened->player_kind() == PlayerKind::kMpris) {
      made->m_app.installPlayer = [opened](host::Handset& handset,
                                           host::launch::PlayingListener playing) {
        opened->InstallPlayer(handset, std::move(playing));
      };
    }
    host::Result<std::unique_ptr<host::RootFolder>> root = host::RootFolder::Make(mode.root);
    if (!root) return host::Error(mode.Origin("root") + root.error().message());
    made->m_root = std::move(*root);
    made->m_app.root = made->m_root->path();
    if (mode.trace) {
      auto trace = host::TraceOutput::Open(*mode.trace, out, &signals);
      if (!trace) return trace.error();
      made->m_trace = std::move(*trace);
      made->m_app.trace = &made->m_trace->trace();
    }
    made->m_app.signals = &signals;
    return made;
  }

  const host::launch::Application& app() const { return m_app; }
  HostDevices& devices() { return *m_devices; }
  const host::RootFolder& root() const { return *m_root; }
  // Writes the rest of the trace; false when it could not be written (told on err).
  bool Finish(std::ostream& err) { return host::FinishTraceOutput(m_trace.get(), err); }

 private:
  Prepared() = default;

  std::unique_ptr<HostDevices> m_devices;
  std::unique_ptr<host::RootFolder> m_root;
  std::unique_ptr<host::TraceOutput> m_trace;
  host::launch::Application m_app;
};

int RunScript(const Mode& mode, host::EndingSignals& signals, std::ostream& out,
              std::ostream& err) {
  host::scenario::ScriptModeOptions options;
  options.signals = &signals;
  options.scriptPath = mode.script;
  options.root = mode.root;
  options.tracePath = mode.trace;
  options.screenshotPath = mode.screenshot;
#ifdef QV_HAS_DESKTOP
  // Screenshots stay Chinese unless --lang is given, so they do not depend on the locale.
  host::screen::ScreenRendererOptions screen;
  screen.language = DisplayLanguage(mode, false);
  options.screenshooter = [screen](const host::Handset& handset, const std::string& path) {
    return host::screen::SaveScreenshot(host::CaptureScreen(handset), path, screen);
  };
#endif
  return host::scenario::RunScriptMode(options, QuorvaneExecutable(), out, err);
}

// A failure to make what the mode names: a usage error, unless an ending signal cut it short
// (a FIFO as the trace file, the session bus): then nothing was started, and the status is 0.
int Refused(const host::Error& error, const host::EndingSignals& signals, std::ostream& err) {
  if (signals.received() != 0) return 0;
  err << "quorvane: " << error.message() << '\n';
  return kUsageError;
}

int RunTerminalDemo(const Mode& mode, host::EndingSignals& signals, std::ostream& out,
                    std::ostream& err) {
  auto prepared = Prepared::Make(mode, signals, out);
  if (!prepared) return Refused(prepared.error(), signals, err);
  int status = host::demo::RunTerminalDemo(
      (*prepared)->app(), mode.fast ? host::demo::Pace::kFast : host::demo::Pace::kRealTime, out,
      err);
  if (!(*prepared)->Finish(err)) status = kUsageError;
  return status;
}

// The service waits for a session bus or an accelerometer that is not there yet: at login
// either may come after it. Its log tells the waits, the player chosen, and a player command
// that autorun off leaves unused.
int RunService(const Mode& mode, host::EndingSignals& signals, std::ostream& out,
               std::ostream& err) {
  host::service::StatusLog log(out, err, nullptr, host::service::StatusLog::ServiceStamp());
  log.set_language(DisplayLanguage(mode, true));
  LateDevices late{[&log](const std::string& line) { log.Note(line); }};
  auto prepared = Prepared::Make(mode, signals, out, &late);
  if (!prepared) {
    int status = Refused(prepared.error(), signals, err);
    if (signals.received() != 0) {
      err << "quorvane: stopped by " << host::EndingSignals::Name(signals.received()) << '\n';
    }
    return status;
  }
  HostDevices& devices = (*prepared)->devices();
  if (devices.player_kind() == PlayerKind::kMpris) {
    host::mpris::BridgeEvents events;
    events.chosenChanged = [&log, &devices](const host::mpris::PlayerInfo* chosen) {
      log.Note(host::mpris::ChoiceLine(chosen, devices.player_filter()));
    };
    devices.set_player_events(std::move(events));
  }
  const host::launch::Application& app = (*prepared)->app();
  if (mode.player.command) {
    if (auto note = UnusedCommandNote(mode.player, AutorunOn(app.root, app.executable.path))) {
      log.Note(*note);
    }
  }
  int status = host::service::RunService(app, log, err);
  if (!(*prepared)->Finish(err)) status = host::service::kServiceFailed;
  return status;
}

#ifdef QV_HAS_DESKTOP
// Refused, and told in a message box too: the window is often started from a menu, where
// nobody sees standard error.
int WindowRefused(const host::Error& error, const host::EndingSignals& signals,
                  std::ostream& err) {
  int status = Refused(error, signals, err);
  if (status != 0) host::desktop::ShowProblem("Quorvane did not start", error.message());
  return status;
}

int RunWindowOn(const Mode& mode, host::EndingSignals& signals, std::ostream& out,
                std::ostream& err) {
  auto prepared = Prepared::Make(mode, signals, out);
  if (!prepared) return WindowRefused(prepared.error(), signals, err);
  Prepared& run = **prepared;
  std::unique_ptr<host::sensors::RecordFile> recordFile;
  if (mode.record) {
    auto created = host::sensors::RecordFile::Create(*mode.record);
    if (!created) {
      return WindowRefused(
          host::Error("cannot write the recording to " + created.error().message()), signals,
          err);
    }
    recordFile = std::move(*created);
  }
  host::desktop::DesktopOptions options;
  options.app = run.app();
  HostDevices& devices = run.devices();
  if (devices.player_kind() == PlayerKind::kMpris) {
    options.playerFooter = [&devices] { return devices.PlayerFooter(); };
    options.playerWindowLines = [&devices](HWND hwnd) { return devices.PlayerWindowLines(hwnd); };
  }
  options.demo = mode.kind == Kind::kWindowDemo;
  options.demoTimeline = &out;
  options.record = recordFile.get();
  options.language = DisplayLanguage(mode, true);
  int status = host::desktop::RunDesktop(options, err);
  if (!run.Finish(err) && status == 0) status = kUsageError;
  // A failed write was told when it happened; the rows before it are kept, whole.
  if (recordFile && recordFile->failure()) status = kUsageError;
  if (status == host::desktop::kExitNoWindow) {
    err << "quorvane: --headless runs the demo in the terminal instead\n";
  }
  return status;
}

// The window; on a root where the service runs, the service hands the root over for as long
// as the window is open (tools/window_handover.h).
int RunWindow(const Mode& given, host::EndingSignals& signals, std::ostream& out,
              std::ostream& err) {
  Mode mode = given;
  std::unique_ptr<host::service::ServicePause> pause;
  if (mode.kind == Kind::kWindow) {
    auto handed = HandOverToWindow(mode);
    if (!handed) return WindowRefused(handed.error(), signals, err);
    pause = std::move(*handed);
  }
  int status = RunWindowOn(mode, signals, out, err);
  if (pause) {
    if (host::Status resumed = pause->Resume(); !resumed) {
      err << "quorvane: the service could not be started again: " << resumed.error().message()
          << '\n';
      host::desktop::ShowProblem("Quorvane's service did not start again",
                                 resumed.error().message());
    }
  }
  return status;
}
#endif

}  // namespace

int RunMode(const Mode& mode, host::EndingSignals& signals, std::ostream& out, std::ostream& err) {
  int status = kUsageError;
  switch (mode.kind) {
    case Kind::kScript:
      status = RunScript(mode, signals, out, err);
      break;
    case Kind::kService:
      // The service tells the stop in its log, with the time.
      return RunService(mode, signals, out, err);
    case Kind::kWindow:
    case Kind::kWindowDemo:
#ifdef QV_HAS_DESKTOP
      status = RunWindow(mode, signals, out, err);
#endif
      break;  // a build without the window has no display (main)
    case Kind::kTerminalDemo:
      status = RunTerminalDemo(mode, signals, out, err);
      break;
    case Kind::kSettings:
      status = RunSettings(mode, out, err);
      break;
    case Kind::kPrint:
      break;
  }
  if (signals.received() != 0) {
    err << "quorvane: stopped by " << host::EndingSignals::Name(signals.received()) << '\n';
  }
  return status;
}

}  // namespace tools
