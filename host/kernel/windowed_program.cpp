#include "host/kernel/windowed_program.h"

namespace host {

WindowedProgram::WindowedProgram(std::vector<std::u16string> titles,
                                 std::shared_ptr<MessageLog> log)
    : m_titles(std::move(titles)), m_log(std::move(log)) {}

ProgramFactory WindowedProgram::Factory(std::vector<std::u16string> titles,
                                        std::shared_ptr<MessageLog> log) {
  return [titles = std::move(titles), log = std::move(log)]() -> std::unique_ptr<Program> {
    return std::make_unique<WindowedProgram>(titles, log);
  };
}

void WindowedProgram::Start(Handset& handset, DWORD pid) {
  m_pid = pid;
  m_handset = &handset;
  for (const std::u16string& title : m_titles) {
    HWND hwnd = handset.CreateWindow(
        u"", title, handset.work_area(), pid,
        [this](HWND h, UINT msg, WPARAM w, LPARAM l) { return OnMessage(h, msg, w, l); });
    handset.FindWindowInfo(hwnd)->visible = true;
    m_windows.push_back(hwnd);
  }
}

LRESULT WindowedProgram::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Handset& handset = *m_handset;
  if (msg == WM_CLOSE) {
    // Ends the whole program, as a player does when its main window closes.
    handset.EndProcess(m_pid);
    return 0;
  }
  if (msg == WM_SHOWWINDOW) return 0;  // ShowWindow's own notice, not a message sent to it
  if (m_log == nullptr) return 0;
  const WindowInfo* window = handset.FindWindowInfo(hwnd);
  m_log->push_back(ReceivedMessage{window != nullptr ? window->title : u"", msg, wParam, lParam});
  return 0;
}

}  // namespace host
