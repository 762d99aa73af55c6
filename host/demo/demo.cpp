#include "host/demo/demo.h"

#include <nlohmann/json.hpp>

#include "host/crt/utf.h"
#include "host/kernel/clock.h"
#include "host/kernel/ending_signals.h"
#include "host/scenario/commands.h"
#include "host/scenario/file_watch.h"

namespace host::demo {
namespace {

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
         "watch " + Quoted(launch::SettingsPathOf(exePath)) + "\n"
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

Demo::Demo(Handset& handset, const launch::Application& app, std::ostream& out,
           std::ostream& diagnostics)
    : m_handset(handset), m_previousTrace(handset.trace()), m_diagnostics(diagnostics) {
  const std::u16string& exe = app.executable.path;
  Result<std::vector<scenario::Command>> script =
      scenario::ParseScript(DemoScript(exe, app.workArea));
  if (!script) m_scriptError = script.error().Prefixed("demo").message();
  m_runner = std::make_unique<scenario::Runner>(
      handset, script ? *std::move(script) : std::vector<scenario::Command>{}, "demo",
      app.executable, diagnostics);
  // After the runner, which brings a stand-in player: the demo's is the built-in one.
  launch::Application shown = app;
  shown.installPlayer = nullptr;
  m_launcher.emplace(handset, shown);
  m_timeline.emplace(out, handset.trace());
  m_timeline->SettingsBefore(
      scenario::FileJson(handset, launch::SettingsPathOf(exe))["text"]);
  m_handset.set_trace(&*m_timeline);
}

Demo::~Demo() {
  // The timeline goes first, then the launcher and the runner, each giving back what it took.
  m_handset.set_trace(m_previousTrace);
}

scenario::RunStatus Demo::Run() {
  if (m_scriptError) {
    m_diagnostics << *m_scriptError << '\n';
    return scenario::RunStatus::kScriptError;
  }
  scenario::RunStatus status = scenario::RunStatus::kCompleted;
  m_launcher->Run([&] {
    status = m_runner->Run();
    return 0;
  });
  return status;
}

int RunTerminalDemo(const launch::Application& app, Pace pace, std::ostream& out,
                    std::ostream& err) {
  out << "Quorvane demo: the application with the built-in music player; a script plays the "
         "user's part"
      << (pace == Pace::kFast ? " (fast: virtual time)" : " (real time, about 22 s)") << ".\n"
      << "The handset's \"\\\" is " << app.root << ".\n\n";
  SignalClock realClock(app.signals);
  VirtualClock virtualClock;
  Clock& clock = pace == Pace::kFast ? static_cast<Clock&>(virtualClock) : realClock;
  launch::Application run = app;
  if (!run.report) {
    run.report = [&err](const std::string& line) { err << "quorvane: " << line << '\n'; };
  }
  Handset handset(clock, run.root);
  Demo demo(handset, run, out, err);
  scenario::RunStatus status = demo.Run();
  bool stopped = run.signals != nullptr && run.signals->received() != 0;
  if (status == scenario::RunStatus::kCompleted && !stopped) {
    demo.timeline().Say(clock.NowMs(), "end of the demo");
  }
  if (demo.failed_saves() > 0) return kDemoFailed;
  return status == scenario::RunStatus::kCompleted ? kDemoOk : kDemoFailed;
}

}  // namespace host::demo
