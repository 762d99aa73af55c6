#include "host/kernel/ending_signals.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>

#include <map>
#include <mutex>
#include <thread>

namespace host::ending_signals {
namespace {

class Watch {
 public:
  static Watch& Get() {
    // Never destroyed: the waiting thread may use it until the process has ended.
    static Watch* watch = new Watch();
    return *watch;
  }

  std::uint64_t Add(Action action, const std::function<bool()>& make) {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (!m_started) {
      m_started = true;
      Start();
    }
    if (make && !make()) return 0;
    std::uint64_t key = m_nextKey++;
    m_actions.emplace(key, std::move(action));
    return key;
  }

  void Remove(std::uint64_t key, const std::function<void()>& undo) {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (undo) undo();
    m_actions.erase(key);
  }

 private:
  static sigset_t Signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGPIPE);
    return set;
  }

  void Start() {
    sigset_t set = Signals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([this, set] {
      int signal = 0;
      while (sigwait(&set, &signal) != 0) {
      }
      // Held until the process has ended: nothing is added or removed meanwhile.
      m_mutex.lock();
      for (auto& [key, action] : m_actions) action();
      // Ends the process as the signal would have: default action, raised in this thread.
      struct sigaction action = {};
      action.sa_handler = SIG_DFL;
      sigaction(signal, &action, nullptr);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signal);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      raise(signal);
      _Exit(128 + signal);
    }).detach();
  }

  std::mutex m_mutex;
  std::map<std::uint64_t, Action> m_actions;
  std::uint64_t m_nextKey = 1;
  bool m_started = false;
};

}  // namespace

std::uint64_t Add(Action action, const std::function<bool()>& make) {
  return Watch::Get().Add(std::move(action), make);
}

void Remove(std::uint64_t key, const std::function<void()>& undo) {
  Watch::Get().Remove(key, undo);
}

}  // namespace host::ending_signals
