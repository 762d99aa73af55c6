#include "host/demo/demo.h"

#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/kernel/clock.h"
#include "host/kernel/trace_output.h"
#include "host/scenario/commands.h"
#include "host/scenario/file_watch.h"

namespace host::demo {
namespace {

// The settings file beside the application's executable.
std::u16string SettingsPathOf(std::u16string_view exe) {
  std::size_t slash = exe.rfind(u'\\');
  return std::u16string(exe.substr(0, slash == std::u16string_view::npos ? 0 : slash)) +
         u"\\config.ini";
}

// A script word in quotes.
std::string Quoted(std::u16string_view text) {
  std::string quoted = "\"";
  for (char c : ToUtf8(text)) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string DemoScript(std::u16string_view exePath, RECT workArea) {
  // A pointer move in the slider (IDC_SENSITIVITY) lets the window take up the pad's new position.
  std::string sliderMove = "point 106\n";
  return "# The Quorvane demo.\n"
         "workarea " + std::to_string(workArea.left) + " " + std::to_string(workArea.top) + " " +
         std::to_string(workArea.right) + " " + std::to_string(workArea.bottom) + "\n"
         "exe " + Quoted(exePath) + "\n"
         "watch " + Quoted(SettingsPathOf(exePath)) + "\n"
         "start\n"
         "wait 1500\n"
         "# The start button: the player starts, and two seconds later plays and hides.\n"
         "tap 103\n"
         "wait 3000\n"
         "# Tilted to the right, twice: next song.\n"
         "sample 127 0 0\n"
         "wait 400\n"
         "sample 0 0 0\n"
         "wait 2600\n"
         "sample 127 0 0\n"
         "wait 400\n"
         "sample 0 0 0\n"
         "wait 2600\n"
         "# Tilted towards the user: previous song.\n"
         "sample 0 0 127\n"
         "wait 400\n"
         "sample 0 0 0\n"
         "wait 2600\n"
         "# A gentle tilt stays below the sensitivity of 120.\n"
         "sample 110 0 0\n"
         "wait 600\n"
         "sample 0 0 0\n"
         "# The slider down to 100: two seconds later the thresholds are 100 and saved.\n"
         "slider 100\n" +
         sliderMove +
         "wait 2500\n"
         "# Now the same gentle tilt changes the song.\n"
         "sample 110 0 0\n"
         "wait 400\n"
         "sample 0 0 0\n"
         "wait 2600\n"
         "# The slider back to 120, then Exit.\n"
         "slider 120\n" +
         sliderMove +
         "wait 2500\n"
         "toolbar 2\n";
}

Demo::Demo(Handset& handset, scenario::Application application,
           std::vector<programs::Song> songs, std::ostream& out, std::ostream& diagnostics)
    : m_handset(handset),
      m_previousTrace(handset.trace()),
      m_diagnostics(diagnostics),
      m_exe(application.defaultExe),
      m_timeline(out, m_previousTrace),
      m_player(handset, std::move(songs)) {
  Result<std::vector<scenario::Command>> script =
      scenario::ParseScript(DemoScript(m_exe, handset.work_area()));
  if (!script) m_scriptError = script.error().Prefixed("demo").message();
  m_runner = std::make_unique<scenario::Runner>(handset,
                                                script ? *std::move(script)
                                                       : std::vector<scenario::Command>{},
                                                "demo",
                                                std::move(application), diagnostics);
  // The runner brings a stand-in player; the demo's is the built-in one.
  m_player.Register();
  m_timeline.SettingsBefore(scenario::FileJson(handset, SettingsPathOf(m_exe))["text"]);
  m_handset.set_trace(&m_timeline);
}

Demo::~Demo() {
  m_runner.reset();
  m_handset.set_trace(m_previousTrace);
}

void Demo::UseSensor(AccelerometerSensor& sensor) {
  m_driver.emplace(sensor);
  m_handset.RegisterDevice(kAccelerometerName, &*m_driver);
}

scenario::RunStatus Demo::Run() {
  if (m_scriptError) {
    m_diagnostics << *m_scriptError << '\n';
    return scenario::RunStatus::kScriptError;
  }
  return m_runner->Run();
}

int RunTerminalDemo(const TerminalDemoOptions& options, const scenario::Application& application,
                    std::ostream& out, std::ostream& err) {
  std::error_code error;
  std::filesystem::create_directories(options.root, error);
  if (error || !std::filesystem::is_directory(options.root, error)) {
    err << "quorvane: cannot use " << options.root << " as the handset's root folder\n";
    return kDemoFailed;
  }
  std::unique_ptr<TraceOutput> trace;
  if (!OpenTraceOutput(options.tracePath, out, err, OnEndingSignal::kWrite, trace)) {
    return kDemoFailed;
  }

  out << "Quorvane demo: the application with the built-in music player; a script plays the "
         "user's part"
      << (options.pace == Pace::kFast ? " (fast: virtual time)" : " (real time, about 22 s)")
      << ".\n"
      << "The handset's \"\\\" is " << options.root << ".\n\n";
  RealClock realClock;
  VirtualClock virtualClock;
  Clock& clock = options.pace == Pace::kFast ? static_cast<Clock&>(virtualClock) : realClock;
  scenario::RunStatus status;
  {
    Handset handset(clock, options.root);
    handset.set_work_area(options.workArea);
    if (trace != nullptr) handset.set_trace(&trace->trace());
    Demo demo(handset, application, options.songs, out, err);
    if (options.sensor != nullptr) demo.UseSensor(*options.sensor);
    if (options.installPlayer) options.installPlayer(handset);
    status = demo.Run();
    if (status == scenario::RunStatus::kCompleted) {
      demo.timeline().Say(clock.NowMs(), "end of the demo");
    }
    if (int failed = demo.timeline().failed_saves(); failed > 0) {
      err << "quorvane: the settings could not be saved (" << failed
          << " writes of the settings file failed)\n";
      status = scenario::RunStatus::kScriptError;
    }
    handset.set_trace(nullptr);
  }
  if (!FinishTraceOutput(trace.get(), err)) return kDemoFailed;
  return status == scenario::RunStatus::kCompleted ? kDemoOk : kDemoFailed;
}

}  // namespace host::demo
