// The handset's windows, its message loop and its window timers.
#include <algorithm>

#include <nlohmann/json.hpp>

#include "host/kernel/handset.h"
#include "host/kernel/handset_impl.h"
#include "host/crt/ascii_case.h"
#include "host/crt/utf.h"

namespace host {
namespace {

// Win32's USER_TIMER_MINIMUM: shorter periods would only spin the loop.
constexpr UINT kMinTimerPeriodMs = 10;

nlohmann::ordered_json TitleOrNull(const WindowInfo* info) {
  if (info == nullptr) return nullptr;
  return ToUtf8(info->title);
}

}  // namespace

// ---- Windows.

HWND Handset::CreateWindow(std::u16string className, std::u16string title, RECT rect, DWORD pid,
                           WindowProc proc) {
  return m_impl->windows.Add(std::move(className), std::move(title), rect, pid, std::move(proc));
}

void Handset::DestroyWindow(HWND hwnd) {
  std::unique_ptr<WindowRecord> record = m_impl->windows.Remove(hwnd);
  if (record == nullptr) return;
  m_impl->timers.KillAllOf(hwnd);
  std::erase_if(m_impl->timersHandedOut, [&](const TimerKey& key) { return key.hwnd == hwnd; });
  m_impl->queue.DropFor(hwnd);
  // Its procedure may be running (it may destroy its own window): kept until it has returned.
  if (m_impl->Runs(hwnd)) m_impl->endedWindows.push_back(std::move(record));
}

WindowInfo* Handset::FindWindowInfo(HWND hwnd) {
  // The table keeps the record alive for as long as the window exists.
  WindowRecord* record = m_impl->windows.Peek(hwnd);
  return record == nullptr ? nullptr : &record->info;
}

std::vector<WindowInfo> Handset::Windows() const { return m_impl->windows.List(); }

void Handset::VisitWindowsWith(void* visit, void (*call)(void*, const WindowInfo&)) const {
  m_impl->windows.ForEach([&](const WindowInfo& info) { call(visit, info); });
}

LRESULT Handset::SendToWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindow(hwnd, msg, wParam, lParam);
}

LRESULT Handset::CallWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // A window destroyed while its procedure runs keeps its record until ReleaseEnded.
  WindowRecord* record = m_impl->windows.Peek(hwnd);
  if (record == nullptr || !record->proc) return 0;
  DWORD callerPid = m_currentPid;
  if (record->info.pid != 0) m_currentPid = record->info.pid;
  m_impl->running.push_back({hwnd, m_currentPid});
  LRESULT result = record->proc(hwnd, msg, wParam, lParam);
  m_impl->running.pop_back();
  m_currentPid = callerPid;
  m_impl->ReleaseEnded();
  return result;
}

bool Handset::IsForeign(HWND hwnd) {
  const WindowRecord* record = m_impl->windows.Peek(hwnd);
  return record != nullptr && record->info.pid != 0 && record->info.pid != m_currentPid;
}

// ---- Messages.

void Handset::set_input(InputSource* input) {
  m_input = input;
  m_inbox.SetInput(input);
}

void Handset::PostFromThread(std::function<void()> task) { m_inbox.Post(std::move(task)); }

bool Handset::RunPostedTasks() { return m_inbox.RunPending(); }

void Handset::RequestQuit(int code) { m_impl->queue.RequestQuit(code); }

void Handset::PostQuit(int code) {
  Emit("quit", [&] { return TraceFields{{"code", code}}; });
  RequestQuit(code);
}

BOOL Handset::PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowInfo* target = FindWindowInfo(hwnd);
  Emit("post", [&] {
    return TraceFields{{"to", TitleOrNull(target)},
                       {"msg", msg},
                       {"wparam", static_cast<std::uint64_t>(wParam)},
                       {"lparam", static_cast<std::int64_t>(lParam)}};
  });
  return PostMessageUntraced(hwnd, msg, wParam, lParam);
}

BOOL Handset::PostMessageUntraced(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (FindWindowInfo(hwnd) == nullptr) {
    m_lastError = ERROR_INVALID_WINDOW_HANDLE;
    return FALSE;
  }
  m_impl->queue.Post(MSG{hwnd, msg, wParam, lParam, static_cast<DWORD>(m_clock.NowMs()), {0, 0}});
  return TRUE;
}

std::vector<Handset::TimerInfo> Handset::Timers() const {
  std::vector<TimerInfo> list;
  for (const TimerSet::Running& t : m_impl->timers.List()) {
    list.push_back({t.key.hwnd, t.key.id, t.periodMs, t.due});
  }
  return list;
}

BOOL Handset::GetMessage(MSG* msg) {
  if (msg == nullptr) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return -1;
  }
  Impl& impl = *m_impl;
  for (;;) {
    m_inbox.RunPending();
    if (std::optional<MSG> posted = impl.queue.TakePosted()) {
      if (IsForeign(posted->hwnd)) {
        DispatchMessage(*posted);
        continue;
      }
      *msg = *posted;
      return TRUE;
    }
    if (std::optional<int> code = impl.queue.TakeQuit()) {
      *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(*code), 0,
                 static_cast<DWORD>(m_clock.NowMs()), {0, 0}};
      return FALSE;
    }
    std::int64_t now = m_clock.NowMs();
    if (const TimerKey* due = impl.timers.NextExpired(now)) {
      MSG timer{due->hwnd, WM_TIMER, due->id, 0, static_cast<DWORD>(now), {0, 0}};
      if (std::find(impl.timersHandedOut.begin(), impl.timersHandedOut.end(), *due) ==
          impl.timersHandedOut.end()) {
        impl.timersHandedOut.push_back(*due);
      }
      if (IsForeign(due->hwnd)) {
        DispatchMessage(timer);
        continue;
      }
      *msg = timer;
      return TRUE;
    }
    std::optional<std::int64_t> wakeAt = impl.timers.NextDue();
    if (m_trace != nullptr) {
      m_trace->Waiting(wakeAt ? std::optional<std::int64_t>(*wakeAt - now) : std::nullopt);
    }
    bool goOn;
    if (m_input != nullptr) {
      goOn = m_input->Idle(wakeAt.value_or(-1));
    } else {
      goOn = wakeAt.has_value();
      if (goOn) m_clock.WaitUntil(*wakeAt);
    }
    if (!goOn) {
      *msg = MSG{nullptr, WM_QUIT, 0, 0, static_cast<DWORD>(m_clock.NowMs()), {0, 0}};
      return FALSE;
    }
  }
}

LRESULT Handset::DispatchMessage(const MSG& msg) {
  std::vector<TimerKey>& handedOut = m_impl->timersHandedOut;
  auto made = msg.message == WM_TIMER
                  ? std::find(handedOut.begin(), handedOut.end(), TimerKey{msg.hwnd, msg.wParam})
                  : handedOut.end();
  if (made != handedOut.end()) {
    // The loop made this one (a posted WM_TIMER is delivered like any message). A timer
    // killed between GetMessage and here sends nothing more.
    handedOut.erase(made);
    if (!m_impl->timers.Contains(TimerKey{msg.hwnd, msg.wParam})) return 0;
    if (msg.hwnd == nullptr || FindWindowInfo(msg.hwnd) == nullptr) return 0;
    Emit("fire", [&] { return TraceFields{{"id", static_cast<std::uint64_t>(msg.wParam)}}; });
  }
  return CallWindow(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

// ---- Timers.

UINT_PTR Handset::SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) {
  if (hwnd != nullptr && FindWindowInfo(hwnd) == nullptr) {
    m_lastError = ERROR_INVALID_WINDOW_HANDLE;
    return 0;
  }
  if (hwnd == nullptr && (id == 0 || !m_impl->timers.Contains(TimerKey{nullptr, id}))) {
    // A window-less timer gets an id of its own unless it re-arms a running one.
    do {
      id = m_impl->nextThreadTimerId++;
    } while (id == 0 || m_impl->timers.Contains(TimerKey{nullptr, id}));
  }
  UINT period = elapseMs < kMinTimerPeriodMs ? kMinTimerPeriodMs : elapseMs;
  Emit("timer",
       [&] { return TraceFields{{"id", static_cast<std::uint64_t>(id)}, {"ms", period}}; });
  m_impl->timers.Arm(TimerKey{hwnd, id}, period, m_clock.NowMs());
  return id;
}

BOOL Handset::KillTimer(HWND hwnd, UINT_PTR id) {
  Emit("kill", [&] { return TraceFields{{"id", static_cast<std::uint64_t>(id)}}; });
  if (!m_impl->timers.Kill(TimerKey{hwnd, id})) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  return TRUE;
}

UINT Handset::RegisterWindowMessage(std::u16string_view name) {
  constexpr UINT kFirstRegistered = 0xC000;
  constexpr std::size_t kMaxRegistered = 0x10000 - kFirstRegistered;
  if (name.empty()) {
    m_lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  std::vector<std::u16string>& names = m_impl->registeredMessages;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (EqualIgnoringAsciiCase(names[i], name)) return kFirstRegistered + static_cast<UINT>(i);
  }
  if (names.size() >= kMaxRegistered) {
    m_lastError = ERROR_NOT_ENOUGH_MEMORY;
    return 0;
  }
  names.emplace_back(name);
  return kFirstRegistered + static_cast<UINT>(names.size() - 1);
}

}  // namespace host
