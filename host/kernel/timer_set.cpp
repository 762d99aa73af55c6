#include "host/kernel/timer_set.h"

#include <algorithm>

namespace host {

void TimerSet::Arm(TimerKey key, std::int64_t periodMs, std::int64_t now) {
  Kill(key);
  m_timers.push_back(Timer{key, now, periodMs, now + periodMs, m_nextOrder++});
}

bool TimerSet::Kill(TimerKey key) {
  return std::erase_if(m_timers, [&](const Timer& t) { return t.key == key; }) > 0;
}

void TimerSet::KillAllOf(HWND hwnd) {
  std::erase_if(m_timers, [&](const Timer& t) { return t.key.hwnd == hwnd; });
}

bool TimerSet::Contains(TimerKey key) const {
  return std::any_of(m_timers.begin(), m_timers.end(),
                     [&](const Timer& t) { return t.key == key; });
}

const TimerKey* TimerSet::NextExpired(std::int64_t now) {
  Timer* first = nullptr;
  for (Timer& t : m_timers) {
    if (t.due > now) continue;
    if (first == nullptr || t.due < first->due ||
        (t.due == first->due && t.order < first->order)) {
      first = &t;
    }
  }
  if (first == nullptr) return nullptr;
  // The next due time stays on the arm time's grid: armedAt + k * period, the first after now.
  std::int64_t periods = (now - first->armedAt) / first->periodMs + 1;
  first->due = first->armedAt + periods * first->periodMs;
  return &first->key;
}

std::vector<TimerSet::Running> TimerSet::List() const {
  std::vector<const Timer*> byOrder;
  for (const Timer& t : m_timers) byOrder.push_back(&t);
  std::sort(byOrder.begin(), byOrder.end(),
            [](const Timer* a, const Timer* b) { return a->order < b->order; });
  std::vector<Running> list;
  for (const Timer* t : byOrder) list.push_back({t->key, t->periodMs, t->due});
  return list;
}

}  // namespace host
