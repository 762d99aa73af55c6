#include "tests/app/app_handset.h"

#include <filesystem>
#include <fstream>

#include "app/acc_main.h"
#include "host/crt/byte_text.h"
#include "host/crt/utf.h"
#include "host/ui/input.h"
#include "host/ui/ui_state.h"
#include "platform/mzfc.h"
#include "player/player_control.h"
#include "settings/ini.h"

bool ScriptedInput::Idle(std::int64_t wakeAtMs) {
  std::int64_t next = m_actions.empty() ? m_end : m_actions.begin()->first.first;
  if (wakeAtMs >= 0 && wakeAtMs <= next) {
    if (wakeAtMs > m_clock.NowMs()) m_clock.AdvanceTo(wakeAtMs);
    return true;
  }
  if (next > m_clock.NowMs()) m_clock.AdvanceTo(next);
  if (m_actions.empty()) return false;
  std::function<void()> action = std::move(m_actions.begin()->second);
  m_actions.erase(m_actions.begin());
  action();
  return true;
}

AppHandset::AppHandset() : m_handset(m_clock, m_root) {
  std::filesystem::create_directories(m_root + "/Program Files/Quorvane");
  m_handset.set_trace(&m_log);
  m_pid = m_handset.StartProcess(kExePath, nullptr);
  m_handset.set_current_pid(m_pid);
  m_handset.RegisterDevice(host::kAccelerometerName, &m_driver);
  m_handset.RegisterProgram(kMusicExePath, host::WindowedProgram::Factory({u"正在播放"}, m_playerLog));
  m_handset.set_input(&m_input);
}

AppHandset::~AppHandset() {
  m_wnd.reset();
}

void AppHandset::WriteSettings(const std::vector<std::u16string>& keyLines) {
  // A window still open would save over the file when it goes.
  m_wnd.reset();
  std::u16string text = u"\uFEFF[Powered By Zelbin]";
  for (const std::u16string& line : keyLines) text += u"\r\n  " + line;
  std::ofstream(m_root + "/Program Files/Quorvane/config.ini", std::ios::binary)
      << host::ToUtf16LeBytes(text);
}

std::optional<int> AppHandset::Stored(const char16_t* key) {
  int value = 0;
  if (!IniReadInt(kSection, key, &value, kSettingsPath)) return std::nullopt;
  return value;
}

void AppHandset::StartPlayer() {
  ASSERT_TRUE(m_handset.Launch(kMusicExePath));
  m_log.Clear();
}

bool AppHandset::PlayerRunning() {
  for (const host::ProcessInfo& process : m_handset.Processes()) {
    if (process.exeName == u"MzMusic.exe") return true;
  }
  return false;
}

std::vector<std::string> AppHandset::PlayerReceived() {
  std::vector<std::string> lines;
  for (const host::ReceivedMessage& m : *m_playerLog) {
    lines.push_back(host::ToUtf8(m.to) + " " + std::to_string(m.msg) + " " +
                    std::to_string(m.wParam) + " " + std::to_string(m.lParam));
  }
  return lines;
}

bool AppHandset::PlayerVisible() {
  HWND player = FindWindowW(nullptr, u"正在播放");
  return player != nullptr && IsWindowVisible(player);
}

CAccWnd& AppHandset::OpenWindow() {
  m_wnd.reset();
  m_wnd = std::make_unique<CAccWnd>();
  RECT area = MzGetWorkArea();
  m_wnd->Create(area.left, area.top, area.right - area.left, area.bottom - area.top);
  m_wnd->Show(true, true);
  return *m_wnd;
}

void AppHandset::RunUntil(std::int64_t t) {
  m_input.set_end(t);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int AppHandset::RunProgram(std::int64_t end) {
  m_input.set_end(end);
  return AccProgramMain(nullptr, nullptr, SW_SHOW);
}

CAccWnd& AppHandset::ProgramWindow() {
  auto* wnd = dynamic_cast<CAccWnd*>(host::ui::FindWnd(FindWindowW(u"ZelbinAccWnd", nullptr)));
  if (wnd == nullptr) throw std::runtime_error("the program has no main window");
  return *wnd;
}

std::string AppHandset::Text(const UiWin& control) {
  return host::ToUtf8(host::ui::StateOf(control).text);
}
