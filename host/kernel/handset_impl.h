// The handset's inner state, shared by the files that implement Handset (not for outside use).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/kernel/handset.h"
#include "host/kernel/message_queue.h"
#include "host/kernel/process_table.h"
#include "host/kernel/timer_set.h"
#include "host/kernel/window_table.h"

namespace host {

struct Handset::Impl {
  // The processes' local storage, destroyed after their programs.
  std::map<DWORD, std::unique_ptr<LocalStorage>> processLocals;
  // Declared before the windows so that it is destroyed after them: windows' procedures may
  // point into programs.
  ProcessTable processes;
  // Programs of ended processes and their storage, kept until none of their code can be on the
  // stack (ReleaseEnded).
  std::vector<std::unique_ptr<LocalStorage>> endedLocals;
  std::vector<std::unique_ptr<Program>> ended;
  WindowTable windows;
  // Windows destroyed while process code ran, kept the same way: a procedure may destroy its
  // own window.
  std::vector<std::unique_ptr<WindowRecord>> endedWindows;
  TimerSet timers;
  // Timers whose WM_TIMER GetMessage has handed out and nobody has dispatched yet.
  std::vector<TimerKey> timersHandedOut;
  MessageQueue queue;
  UINT_PTR nextThreadTimerId = 0x100;
  // Window procedures and program starts running now; programs ended meanwhile wait for 0.
  int running = 0;
  std::vector<std::pair<std::u16string, DeviceDriver*>> devices;
  std::vector<std::u16string> registeredMessages;

  // After a window procedure or a program start has returned: when no process code runs any
  // more, what ended processes left behind goes, their storage first.
  void ReleaseEnded() {
    if (running != 0) return;
    endedWindows.clear();
    endedLocals.clear();
    ended.clear();
  }
};

}  // namespace host
