#include "host/scenario/runner.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "host/crt/ascii_case.h"
#include "host/crt/byte_text.h"
#include "host/crt/escaped.h"
#include "host/crt/utf.h"
#include "host/files/handset_path.h"
#include "host/kernel/windowed_program.h"
#include "host/scenario/snapshot.h"
#include "host/ui/input.h"
#include "host/ui/ui_registry.h"
#include "platform/mzfc.h"

namespace host::scenario {
namespace {

constexpr char16_t kPlayerPath[] = u"\\Windows\\MzMusic.exe";
constexpr char16_t kPlayerExe[] = u"MzMusic.exe";
constexpr char16_t kPlayerTitle[] = u"正在播放";
// Ending modal runs at the end of a script: an application that keeps opening new ones is
// asked to quit all the same after this many.
constexpr int kMaxModalsLeft = 16;

// Valid UTF-8: the parser has checked every word.
std::u16string Wide(const std::string& text) { return FromUtf8(text).value_or(u""); }

std::vector<std::u16string> Titles(const std::vector<std::string>& args, std::size_t first) {
  std::vector<std::u16string> titles;
  for (std::size_t i = first; i < args.size(); ++i) titles.push_back(Wide(args[i]));
  return titles;
}

bool SameExeName(std::u16string_view a, std::u16string_view b) {
  return EqualIgnoringAsciiCase(a, b);
}

}  // namespace

Runner::Runner(Handset& handset, std::vector<Command> commands, std::string scriptName,
               launch::Executable executable, std::ostream& diagnostics)
    : m_handset(handset),
      m_commands(std::move(commands)),
      m_scriptName(std::move(scriptName)),
      m_executable(std::move(executable)),
      m_diagnostics(diagnostics),
      m_exe(m_executable.path) {
  m_handset.RegisterDevice(kAccelerometerName, &m_driver);
  m_handset.RegisterProgram(kPlayerPath, WindowedProgram::Factory({kPlayerTitle}));
  m_handset.set_input(this);
}

Runner::~Runner() {
  m_handset.RegisterDevice(kAccelerometerName, nullptr);
  if (m_handset.input() == this) m_handset.set_input(nullptr);
}

RunStatus Runner::Run() {
  while (m_next < m_commands.size() && !m_failed) {
    const Command& command = m_commands[m_next++];
    m_currentLine = command.line;
    if (command.op == Op::kStart) {
      Start();
      break;
    }
    // Before start no loop runs: a wait only lets time pass.
    if (!Execute(command)) break;
    if (m_waitUntil) {
      while (m_handset.clock().NowMs() < *m_waitUntil) m_handset.clock().WaitUntil(*m_waitUntil);
      m_waitUntil.reset();
    }
  }
  if (!m_failed) TakeFinalScreenshot();
  return m_failed ? RunStatus::kScriptError : RunStatus::kCompleted;
}

Runner::Step Runner::Start() {
  std::unique_ptr<launch::EntryProgram> program = m_executable.make();
  m_program = program.get();
  launch::RunToExit(m_handset, std::move(program), m_exe);
  m_program = nullptr;
  bool unfinished = m_waitUntil.has_value() || m_next < m_commands.size();
  if (!m_failed && unfinished) {
    Warn(m_waitUntil ? m_currentLine : m_commands[m_next].line,
         "the application has exited; the rest of the script is skipped");
  }
  m_waitUntil.reset();
  return Step::kNext;
}

bool Runner::Idle(std::int64_t wakeAtMs) {
  if (m_program == nullptr) return false;  // no application of ours is running
  Clock& clock = m_handset.clock();
  while (true) {
    if (m_waitUntil) {
      if (wakeAtMs >= 0 && wakeAtMs <= *m_waitUntil) {
        clock.WaitUntil(wakeAtMs);
        return true;
      }
      clock.WaitUntil(*m_waitUntil);
      // Woken early (work from another thread, host/kernel/loop_inbox.h): the loop runs it,
      // and the wait goes on at the next Idle.
      if (clock.NowMs() < *m_waitUntil) return true;
      m_waitUntil.reset();
    }
    if (!m_failed && m_next >= m_commands.size()) TakeFinalScreenshot();
    if (m_failed || m_next >= m_commands.size()) return Finish();
    const Command& command = m_commands[m_next++];
    m_currentLine = command.line;
    std::optional<Step> step = Execute(command);
    if (step == Step::kRunLoop) return true;
  }
}

bool Runner::Finish() {
  if (CMzWnd* modal = ui::TopModal(); modal != nullptr && m_modalsLeft < kMaxModalsLeft) {
    ++m_modalsLeft;
    modal->EndModal(0);
    return true;
  }
  if (m_quitRequested) return false;
  m_quitRequested = true;
  m_handset.RequestQuit(0);
  return true;
}

const Runner::Handler* Runner::HandlerFor(Op op) {
  // One handler per command of the script language (commands.h).
  static const std::map<Op, Handler> kHandlers = {
      {Op::kWorkarea, &Runner::Workarea},
      {Op::kExe, &Runner::Exe},
      {Op::kAccelerometer, &Runner::Accelerometer},
      {Op::kReads, &Runner::Reads},
      {Op::kSample, &Runner::Sample},
      {Op::kPlayer, &Runner::Player},
      {Op::kProcess, &Runner::Process},
      {Op::kWindow, &Runner::Window},
      {Op::kLaunch, &Runner::Launch},
      {Op::kFile, &Runner::File},
      {Op::kWatch, &Runner::WatchFile},
      {Op::kWrite, &Runner::WriteFile},
      {Op::kScreenshot, &Runner::Screenshot},
      {Op::kStart, &Runner::StartCommand},
      {Op::kWait, &Runner::Wait},
      {Op::kSnapshot, &Runner::SnapshotCommand},
      {Op::kTap, &Runner::Tap},
      {Op::kToolbar, &Runner::Toolbar},
      {Op::kChoose, &Runner::Choose},
      {Op::kMove, &Runner::Move},
      {Op::kPoint, &Runner::Point},
      {Op::kSlider, &Runner::Slider},
      {Op::kCommand, &Runner::CommandCall},
      {Op::kTimer, &Runner::Timer},
  };
  auto it = kHandlers.find(op);
  return it == kHandlers.end() ? nullptr : &it->second;
}

std::optional<Runner::Step> Runner::Execute(const Command& command) {
  const Handler* handler = HandlerFor(command.op);
  if (handler == nullptr) return Step::kNext;
  return (this->**handler)(command);
}

// ---- Set-up and the world around the application.

std::optional<Runner::Step> Runner::Workarea(const Command& command) {
  // The parser has bounded every value (commands.cpp).
  const std::vector<std::int64_t>& n = command.numbers;
  m_handset.set_work_area({static_cast<LONG>(n[0]), static_cast<LONG>(n[1]),
                           static_cast<LONG>(n[2]), static_cast<LONG>(n[3])});
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Exe(const Command& command) {
  m_exe = Wide(command.args[0]);
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Accelerometer(const Command& command) {
  m_sensor.set_present(command.args[0] == "present");
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Reads(const Command& command) {
  m_sensor.set_reads_fail(command.args[0] == "fail");
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Sample(const Command& command) {
  const std::vector<std::int64_t>& n = command.numbers;
  m_sensor.set_sample({static_cast<std::int8_t>(n[0]), static_cast<std::int8_t>(n[1]),
                       static_cast<std::int8_t>(n[2])});
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Player(const Command& command) {
  if (command.args[0] == "stopped") {
    EndProcessesNamed(kPlayerExe);
    return Step::kNext;
  }
  std::vector<std::u16string> titles = Titles(command.args, 1);
  if (titles.empty()) titles.push_back(kPlayerTitle);
  StartWindowedProcess(kPlayerPath, std::move(titles));
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Process(const Command& command) {
  std::u16string name = Wide(command.args[0]);
  std::u16string path = name.find(u'\\') == std::u16string::npos ? u"\\Windows\\" + name : name;
  StartWindowedProcess(std::move(path), Titles(command.args, 1));
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Window(const Command& command) {
  // A top-level window of no listed process: it goes away on WM_CLOSE, as the default window
  // procedure does.
  HWND hwnd = m_handset.CreateWindow(
      u"", Wide(command.args[0]), m_handset.work_area(), 0,
      [&handset = m_handset](HWND window, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_CLOSE) handset.DestroyWindow(window);
        return 0;
      });
  if (WindowInfo* info = m_handset.FindWindowInfo(hwnd)) info->visible = true;
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Launch(const Command& command) {
  if (command.args[0] == "ok") {
    m_handset.RegisterProgram(kPlayerPath, WindowedProgram::Factory({kPlayerTitle}));
  } else {
    m_handset.RegisterProgram(kPlayerPath, [] { return std::unique_ptr<Program>(); });
  }
  return Step::kNext;
}

std::optional<Runner::Step> Runner::File(const Command& command) {
  m_handset.Emit("file", [&] { return FileJson(m_handset, Wide(command.args[0])); });
  return Step::kNext;
}

std::optional<Runner::Step> Runner::WatchFile(const Command& command) {
  m_files.Watch(Wide(command.args[0]));
  return Step::kNext;
}

std::optional<Runner::Step> Runner::Screenshot(const Command& command) {
  if (Status shot = Shoot(command.args[0]); !shot) {
    Report(command.line, shot.error().Prefixed("screenshot " + command.args[0]).message());
    return std::nullopt;
  }
  return Step::kNext;
}

Status Runner::Shoot(const std::string& path) {
  if (!m_screenshooter) return Error("this build draws no screens");
  return m_screenshooter(m_handset, path);
}

std::optional<Runner::Step> Runner::StartCommand(const Command&) { return Start(); }

std::optional<Runner::Step> Runner::Wait(const Command& command) {
  m_waitUntil = m_handset.clock().NowMs() + command.numbers[0];
  return Step::kNext;
}

std::optional<Runner::Step> Runner::SnapshotCommand(const Command&) {
  m_handset.Emit("snapshot", [&] { return Snapshot(m_handset, MainWindow(), m_driver); });
  return Step::kNext;
}

std::optional<Runner::Step> Runner::WriteFile(const Command& command) {
  std::u16string text;
  for (std::size_t i = 1; i < command.args.size(); ++i) {
    if (i > 1) text += u"\r\n";
    text += Wide(command.args[i]);
  }
  std::string bytes = "\xFF\xFE" + ToUtf16LeBytes(text);
  // Through the handset's own name mapping, which keeps every name inside its root.
  std::u16string name = Wide(command.args[0]);
  DWORD problem = ERROR_SUCCESS;
  std::optional<HandsetPath> resolved = ResolveHandsetPath(m_handset, name.c_str(), &problem);
  if (!resolved || resolved->name.empty()) {
    Report(command.line, "write " + command.args[0] + ": not a handset file name");
    return std::nullopt;
  }
  std::filesystem::path path = resolved->host;
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    Report(command.line, "write " + command.args[0] + ": cannot write " + path.string());
    return std::nullopt;
  }
  return Step::kNext;
}

CMzWnd* Runner::MainWindow() {
  if (m_program == nullptr) return nullptr;
  for (const WindowInfo& info : m_handset.Windows()) {
    if (info.pid != m_program->pid()) continue;
    CMzWnd* wnd = ui::FindWnd(info.hwnd);
    if (wnd != nullptr && dynamic_cast<CPopupMenu*>(wnd) == nullptr) return wnd;
  }
  return nullptr;
}

void Runner::StartWindowedProcess(std::u16string path, std::vector<std::u16string> titles) {
  m_handset.StartProcess(std::move(path), std::make_unique<WindowedProgram>(std::move(titles)));
}

void Runner::EndProcessesNamed(std::u16string_view exeName) {
  for (const ProcessInfo& process : m_handset.Processes()) {
    if (SameExeName(process.exeName, exeName)) m_handset.EndProcess(process.pid);
  }
}

void Runner::TakeFinalScreenshot() {
  if (!m_finalScreenshot) return;
  std::string path = *std::exchange(m_finalScreenshot, std::nullopt);
  if (Status shot = Shoot(path); !shot) {
    Report(m_currentLine, shot.error().Prefixed("--screenshot " + path).message());
  }
}

void Runner::Report(int line, const std::string& message) {
  m_diagnostics << Escaped(m_scriptName) << ':' << line << ": " << Escaped(message) << '\n';
  m_failed = true;
}

void Runner::Warn(int line, const std::string& message) {
  m_diagnostics << Escaped(m_scriptName) << ':' << line << ": warning: " << Escaped(message)
                << '\n';
}

}  // namespace host::scenario
