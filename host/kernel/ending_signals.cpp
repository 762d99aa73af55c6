#include "host/kernel/ending_signals.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <limits>

namespace host {
namespace {

sigset_t EndingSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) sigaddset(&set, signal);
  return set;
}

int PollTimeout(std::int64_t ms) {
  if (ms < 0) return -1;
  return ms > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                              : static_cast<int>(ms);
}

// A SignalStop that never waits takes the signals itself every this many idles, once this long
// has passed since it last did.
constexpr std::uint32_t kIdlesPerLook = 64;
constexpr std::chrono::milliseconds kTakeEvery{10};
// How long a SignalWaker waits for the loop to take a signal before it wakes the loop again.
constexpr int kWakeAgainMs = 100;

}  // namespace

void BlockEndingSignals() {
  sigset_t set = EndingSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

Result<std::unique_ptr<EndingSignals>> EndingSignals::Open() {
  BlockEndingSignals();
  sigset_t set = EndingSet();
  int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd < 0) return Error::FromErrno("cannot wait for signals", errno);
  return std::unique_ptr<EndingSignals>(new EndingSignals(fd));
}

EndingSignals::~EndingSignals() { close(m_fd); }

int EndingSignals::Take() {
  signalfd_siginfo info;
  while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    int signal = static_cast<int>(info.ssi_signo);
    // A write to a closed pipe raises SIGPIPE in the writing thread (pending, being blocked);
    // the write fails with EPIPE, which the writer reports.
    if (signal == SIGPIPE && info.ssi_pid == static_cast<std::uint32_t>(getpid())) continue;
    if (m_received == 0) m_received = signal;
  }
  return m_received;
}

int EndingSignals::Wait(int timeoutMs, int fd) {
  pollfd fds[2] = {{m_fd, POLLIN, 0}, {fd, POLLIN, 0}};
  poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
  return Take();
}

const char* EndingSignals::Name(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "a signal";
  }
}

SignalStop::SignalStop(Handset& handset, EndingSignals& signals, InputSource& inner)
    : m_handset(handset), m_signals(signals), m_inner(inner) {
  m_handset.set_input(this);
}

SignalStop::~SignalStop() {
  if (m_handset.input() == this) m_handset.set_input(&m_inner);
}

bool SignalStop::Idle(std::int64_t wakeAtMs) {
  if (!m_stopping && m_signals.received() == 0 && ++m_idles % kIdlesPerLook == 0) {
    auto now = std::chrono::steady_clock::now();
    if (now - m_lastTake >= kTakeEvery) {
      m_lastTake = now;
      m_signals.Take();
    }
  }
  if (!m_stopping && m_signals.received() != 0) {
    m_stopping = true;
    m_handset.RequestQuit(0);
    return true;
  }
  return m_inner.Idle(wakeAtMs);
}

SignalClock::SignalClock(EndingSignals* signals)
    : m_signals(signals),
      m_start(std::chrono::steady_clock::now()),
      m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SignalClock::~SignalClock() {
  if (m_wakeFd >= 0) close(m_wakeFd);
}

std::int64_t SignalClock::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               m_start)
      .count();
}

void SignalClock::WaitUntil(std::int64_t t) {
  while (true) {
    std::int64_t left = t - NowMs();
    if (left <= 0) return;
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_signals != nullptr ? m_signals->fd() : -1, POLLIN, 0}};
    int ready = poll(fds, 2, PollTimeout(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return;
    if (fds[0].revents & POLLIN) {
      std::uint64_t count;
      [[maybe_unused]] ssize_t got = read(m_wakeFd, &count, sizeof count);
    }
    if (fds[1].revents & POLLIN) m_signals->Take();
    return;
  }
}

void SignalClock::Wake() {
  std::uint64_t one = 1;
  // A full counter means a wake-up is pending already.
  [[maybe_unused]] ssize_t written = write(m_wakeFd, &one, sizeof one);
}

SignalWaker::SignalWaker(EndingSignals& signals, std::function<void()> wake)
    : m_stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  int signalFd = signals.fd();
  int stopFd = m_stopFd;
  m_thread = std::thread([signalFd, stopFd, wake = std::move(wake)] {
    // Until stopped: while a signal waits to be taken, wake the loop, and again a moment later
    // when it is still there (a SIGPIPE of the process's own, which the loop drops, goes away).
    int timeout = -1;
    while (true) {
      pollfd fds[2] = {{signalFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
      int ready = poll(fds, 2, timeout);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0 || (fds[1].revents & POLLIN)) return;
      if (fds[0].revents & POLLIN) {
        wake();
        // Gives the loop its moment to take it.
        pollfd stop{stopFd, POLLIN, 0};
        if (poll(&stop, 1, kWakeAgainMs) != 0) return;
      }
    }
  });
}

SignalWaker::~SignalWaker() {
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(m_stopFd, &one, sizeof one);
  m_thread.join();
  close(m_stopFd);
}

}  // namespace host
