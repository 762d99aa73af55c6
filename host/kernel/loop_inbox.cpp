#include "host/kernel/loop_inbox.h"

#include "host/kernel/clock.h"
#include "host/kernel/handset.h"

namespace host {

void LoopInbox::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_tasks.push_back(std::move(task));
  m_pending.store(true, std::memory_order_release);
  // Under the lock, so the input source cannot be replaced (and destroyed) meanwhile.
  m_clock.Wake();
  if (m_input != nullptr) m_input->Wake();
}

void LoopInbox::SetInput(InputSource* input) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_input = input;
}

bool LoopInbox::RunPending() {
  if (!m_pending.load(std::memory_order_acquire)) return false;
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    tasks.swap(m_tasks);
    m_pending.store(false, std::memory_order_relaxed);
  }
  for (std::function<void()>& task : tasks) task();
  return !tasks.empty();
}

}  // namespace host
