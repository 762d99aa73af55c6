// The handset's inner state, shared by the files that implement Handset (not for outside use).
#pragma once

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/kernel/handset.h"
#include "host/kernel/message_queue.h"
#include "host/kernel/process_table.h"
#include "host/kernel/timer_set.h"
#include "host/kernel/window_table.h"

namespace host {

struct Handset::Impl {
  // Code of a process that runs now: a window procedure (window: its window; pid: the process
  // it runs as) or a program's Start (window null).
  struct Frame {
    HWND window = nullptr;
    DWORD pid = 0;
  };

  // The processes' local storage, destroyed after their programs.
  std::map<DWORD, std::unique_ptr<LocalStorage>> processLocals;
  // Declared before the windows so that it is destroyed after them: windows' procedures may
  // point into programs.
  ProcessTable processes;
  // Programs of ended processes and their storage, kept while code of that process runs
  // (ReleaseEnded).
  std::vector<std::pair<DWORD, std::unique_ptr<LocalStorage>>> endedLocals;
  std::vector<std::pair<DWORD, std::unique_ptr<Program>>> ended;
  WindowTable windows;
  // Windows destroyed while their procedure ran, kept the same way: a procedure may destroy
  // its own window.
  std::vector<std::unique_ptr<WindowRecord>> endedWindows;
  TimerSet timers;
  // Timers whose WM_TIMER GetMessage has handed out and nobody has dispatched yet.
  std::vector<TimerKey> timersHandedOut;
  MessageQueue queue;
  UINT_PTR nextThreadTimerId = 0x100;
  // The code running now, outermost first. The application runs inside its program's Start
  // for its whole life, so its frame stays while players come and go.
  std::vector<Frame> running;
  std::vector<std::pair<std::u16string, DeviceDriver*>> devices;
  std::vector<std::u16string> registeredMessages;

  bool Runs(DWORD pid) const {
    return std::any_of(running.begin(), running.end(), [&](const Frame& f) { return f.pid == pid; });
  }
  bool Runs(HWND hwnd) const {
    return std::any_of(running.begin(), running.end(),
                       [&](const Frame& f) { return f.window == hwnd; });
  }

  // After a window procedure or a program's Start has returned: what ended processes and
  // destroyed windows left behind goes once no code of theirs runs any more; windows first,
  // then storage, then programs. Taken out before it is destroyed, since a destructor may end
  // or destroy more.
  void ReleaseEnded() {
    std::vector<std::unique_ptr<WindowRecord>> windowsGone;
    std::vector<std::pair<DWORD, std::unique_ptr<LocalStorage>>> localsGone;
    std::vector<std::pair<DWORD, std::unique_ptr<Program>>> programsGone;
    TakeOut(endedWindows, windowsGone, [&](const auto& r) { return Runs(r->info.hwnd); });
    TakeOut(endedLocals, localsGone, [&](const auto& e) { return Runs(e.first); });
    TakeOut(ended, programsGone, [&](const auto& e) { return Runs(e.first); });
    windowsGone.clear();
    localsGone.clear();
    programsGone.clear();
  }

 private:
  // Moves the elements that keep() does not hold on to from `from` to `out`, in order.
  template <class T, class Keep>
  static void TakeOut(std::vector<T>& from, std::vector<T>& out, Keep keep) {
    auto gone = std::stable_partition(from.begin(), from.end(), keep);
    std::move(gone, from.end(), std::back_inserter(out));
    from.erase(gone, from.end());
  }
};

}  // namespace host
