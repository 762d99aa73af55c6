#include "tests/host/mpris/handset_waiter.h"

#include "host/crt/utf.h"

namespace host::mpris::testing_support {

HandsetWaiter::HandsetWaiter(Handset& handset) : m_handset(handset) { m_handset.set_input(this); }

HandsetWaiter::~HandsetWaiter() { m_handset.set_input(nullptr); }

void HandsetWaiter::Wake() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_wake = true;
  m_woken.notify_all();
}

bool HandsetWaiter::Until(const std::function<bool()>& condition,
                          std::chrono::milliseconds deadline,
                          const std::function<void()>& between) {
  auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    between();
    m_handset.RunPostedTasks();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    // Woken by the next post; the short bound keeps conditions that no post changes (a peer's
    // own state) looked at often enough.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_woken.wait_for(lock, std::chrono::milliseconds(20), [this] { return m_wake; });
    m_wake = false;
  }
}

std::vector<std::string> DebugLinesWith(const Handset& handset, const std::string& part) {
  std::vector<std::string> lines;
  for (const std::u16string& line : handset.debug_output()) {
    std::string text = ToUtf8(line);
    if (text.find(part) != std::string::npos) lines.push_back(std::move(text));
  }
  return lines;
}

}  // namespace host::mpris::testing_support
