// The service's input source: the handset sleeps until its next timer falls due, and wakes at
// once when SIGTERM or SIGINT arrives, which ends the application as the handset's shutdown
// does (Handset::RequestQuit(0): WM_QUIT, then exit processing saves the settings).
//
// The signals are blocked while the object lives and read from a signalfd that the wait polls,
// together with any descriptors added with Watch (a bus connection, a sensor's buffer), so a
// signal is never lost between a check and the sleep and nothing polls in a busy loop.
// REQUIRES: made on the thread that runs the handset before other threads start (they inherit
// the blocked signals); one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "host/kernel/handset.h"

namespace host::service {

class SignalInput final : public InputSource {
 public:
  // Blocks SIGTERM and SIGINT and opens the signalfd; on failure the reason.
  // REQUIRES: handset outlives the object.
  static std::variant<std::unique_ptr<SignalInput>, std::string> Open(Handset& handset);
  // Closes the signalfd. The signals stay blocked: a second one during the shutdown must not
  // end the process before its exit processing has run.
  ~SignalInput() override;
  SignalInput(const SignalInput&) = delete;
  SignalInput& operator=(const SignalInput&) = delete;

  // Waits until wakeAtMs on the handset's clock (-1: no timer, until a signal or a watched
  // descriptor), handling what arrives. Always true: the service ends by a signal.
  bool Idle(std::int64_t wakeAtMs) override;

  // Calls ready on the handset's thread whenever fd is readable. REQUIRES: fd stays open
  // while watched.
  void Watch(int fd, std::function<void()> ready);

  // The signal that ended the run (SIGTERM or SIGINT), or 0 while none has come.
  int stopped_by() const { return m_stoppedBy; }

 private:
  SignalInput(Handset& handset, int fd) : m_handset(handset), m_fd(fd) {}

  struct Watched {
    int fd;
    std::function<void()> ready;
  };

  Handset& m_handset;
  int m_fd;
  int m_stoppedBy = 0;
  std::vector<Watched> m_watched;
};

}  // namespace host::service
