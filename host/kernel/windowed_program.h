// A stand-in program for tests and scripts ("player running TITLE...", "process NAME TITLE..."):
// a process with top-level windows of given titles that ends itself on WM_CLOSE and can record
// every other message its windows receive (but WM_SHOWWINDOW, ShowWindow's notice).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/kernel/handset.h"

namespace host {

struct ReceivedMessage {
  std::u16string to;  // the receiving window's title
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool operator==(const ReceivedMessage&) const = default;
};
using MessageLog = std::vector<ReceivedMessage>;

class WindowedProgram final : public Program {
 public:
  // The windows are created visible over the work area, in the order of titles. log, when
  // given, receives the messages (it may outlive the process); else they are not kept, so a
  // player that hears a command every few seconds for days keeps its size.
  explicit WindowedProgram(std::vector<std::u16string> titles,
                           std::shared_ptr<MessageLog> log = nullptr);
  // Makes a new WindowedProgram per launch, all recording into log (when given).
  static ProgramFactory Factory(std::vector<std::u16string> titles,
                                std::shared_ptr<MessageLog> log = nullptr);

  void Start(Handset& handset, DWORD pid) override;

  DWORD pid() const { return m_pid; }
  const std::vector<HWND>& windows() const { return m_windows; }

 private:
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  std::vector<std::u16string> m_titles;
  std::shared_ptr<MessageLog> m_log;
  std::vector<HWND> m_windows;
  Handset* m_handset = nullptr;  // the one it runs on, from Start
  DWORD m_pid = 0;
};

}  // namespace host
