#include "host/kernel/message_queue.h"

namespace host {

std::optional<MSG> MessageQueue::TakePosted() {
  if (m_posted.empty()) return std::nullopt;
  MSG msg = m_posted.front();
  m_posted.pop_front();
  return msg;
}

void MessageQueue::DropFor(HWND hwnd) {
  std::erase_if(m_posted, [&](const MSG& m) { return m.hwnd == hwnd; });
}

std::optional<int> MessageQueue::TakeQuit() {
  std::optional<int> code = m_quitCode;
  m_quitCode.reset();
  return code;
}

}  // namespace host
