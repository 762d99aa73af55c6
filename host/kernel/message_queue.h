// The user-interface thread's posted messages and its quit flag.
#pragma once

#include <deque>
#include <optional>

#include "platform/windows.h"

namespace host {

class MessageQueue {
 public:
  void Post(const MSG& msg) { m_posted.push_back(msg); }
  // The first message posted and not yet taken.
  std::optional<MSG> TakePosted();
  bool HasPosted() const { return !m_posted.empty(); }
  // Forgets what waits for a window that is gone.
  void DropFor(HWND hwnd);

  // The quit flag: a later request replaces the exit code of an earlier one.
  void RequestQuit(int code) { m_quitCode = code; }
  // The exit code, clearing the flag; nullopt when no quit was requested.
  std::optional<int> TakeQuit();

 private:
  std::deque<MSG> m_posted;
  std::optional<int> m_quitCode;
};

}  // namespace host
