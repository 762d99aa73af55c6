// The signals that end a run: SIGTERM, SIGINT and SIGHUP, and SIGPIPE when another process sends
// it (a write to a closed pipe fails with EPIPE instead, and the writer reports it). They are
// never delivered to a handler: blocked from the start of main in every thread, they wait in the
// kernel until the thread that runs the handset reads them from a signalfd. Every mode ends on
// them the same way, as the handset's shutdown does (SignalStop): WM_QUIT, exit processing, the
// settings saved, the trace finished and a temporary root removed by the usual end of the run.
//
// The loop's waits wake for them: the service's input source and SignalClock poll the signalfd
// beside their own descriptors; a wait that cannot poll it (SDL's wait for window events) is
// woken by a SignalWaker. Before the application starts, the start-up's waits (a FIFO as the
// trace file, the session bus) poll it too, and a signal then ends the program with nothing to
// save.
//
//   int main() {
//     host::BlockEndingSignals();  // first, before any thread
//     auto signals = host::EndingSignals::Open();
//     ...
//     handset.set_input(&stop);    // SignalStop stop(handset, **signals, mode's input source)
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "host/crt/result.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"

namespace host {

// Blocks the ending signals in the calling thread and in the threads it starts from then on.
// REQUIRES: called at the start of main, before any thread starts (a thread started before
// would take such a signal and end the process without its exit processing).
void BlockEndingSignals();

// The signalfd of the ending signals. One at a time in a process.
class EndingSignals {
 public:
  // Blocks the ending signals in the calling thread (BlockEndingSignals) and opens the signalfd.
  static Result<std::unique_ptr<EndingSignals>> Open();
  // Closes the signalfd. The signals stay blocked: one that comes during the rest of the
  // shutdown does not cut it short.
  ~EndingSignals();
  EndingSignals(const EndingSignals&) = delete;
  EndingSignals& operator=(const EndingSignals&) = delete;

  // Readable while a signal waits to be taken: for the waits that poll it.
  int fd() const { return m_fd; }
  // Takes the signals that have come, without waiting (a SIGPIPE that the process raised itself
  // is dropped). Returns received(). REQUIRES: called on one thread only.
  int Take();
  // The first ending signal taken, or 0 while none has been.
  int received() const { return m_received; }
  // Waits until an ending signal comes, until fd is readable (none when -1), or for timeoutMs
  // (-1: no limit). Returns received().
  int Wait(int timeoutMs, int fd = -1);

  // "SIGTERM", "SIGINT", "SIGHUP" or "SIGPIPE".
  static const char* Name(int signal);

 private:
  explicit EndingSignals(int fd) : m_fd(fd) {}

  int m_fd;
  int m_received = 0;
};

// The input source in front of a mode's own while the application runs: once an ending signal
// has come, it ends the message loop as the handset's shutdown does (Handset::RequestQuit(0));
// until then it hands every call on. It looks at received() at each Idle, which the mode's wait
// sets when it woke for a signal, and takes the signals itself from time to time for a loop that
// never waits (virtual time).
class SignalStop final : public InputSource {
 public:
  // Installs itself as the handset's input source in front of inner.
  // REQUIRES: handset, signals and inner outlive the object; the handset's input source is not
  // replaced while it is installed.
  SignalStop(Handset& handset, EndingSignals& signals, InputSource& inner);
  // Puts inner back as the handset's input source.
  ~SignalStop() override;
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;

  bool Idle(std::int64_t wakeAtMs) override;
  void Wake() override { m_inner.Wake(); }

 private:
  Handset& m_handset;
  EndingSignals& m_signals;
  InputSource& m_inner;
  bool m_stopping = false;
  std::uint32_t m_idles = 0;
  std::chrono::steady_clock::time_point m_lastTake{};
};

// The host's monotonic clock, counted from the object's construction, whose waits also end when
// an ending signal comes (taking it) or Wake is called: the handset's clock in real time.
class SignalClock final : public Clock {
 public:
  // signals: null for none. REQUIRES: signals outlives the clock.
  explicit SignalClock(EndingSignals* signals);
  ~SignalClock() override;
  SignalClock(const SignalClock&) = delete;
  SignalClock& operator=(const SignalClock&) = delete;

  std::int64_t NowMs() const override;
  // Sleeps until t, an ending signal or Wake, whichever comes first.
  void WaitUntil(std::int64_t t) override;
  void Wake() override;

 private:
  EndingSignals* m_signals;
  std::chrono::steady_clock::time_point m_start;
  int m_wakeFd;
};

// For a loop that waits where the signalfd cannot be polled (SDL's wait for window events): a
// thread that waits for an ending signal and then calls wake, which should make the loop's
// thread take it (Handset::PostFromThread), again every 100 ms while it is still there. The
// signal stays pending for the loop's thread.
class SignalWaker {
 public:
  // REQUIRES: signals outlives the object; wake is thread-safe.
  SignalWaker(EndingSignals& signals, std::function<void()> wake);
  // Stops the thread.
  ~SignalWaker();
  SignalWaker(const SignalWaker&) = delete;
  SignalWaker& operator=(const SignalWaker&) = delete;

 private:
  int m_stopFd;
  std::thread m_thread;
};

}  // namespace host
