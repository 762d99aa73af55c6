// The service's input source: the handset sleeps until its next timer falls due, and wakes at
// once when an ending signal arrives (host/kernel/ending_signals.h), work is posted from another
// thread (Wake), or a watched descriptor becomes readable (a sensor's buffer). One wait is for
// all of them, so nothing is lost between a check and the sleep and nothing polls in a busy
// loop; it is an epoll set made once, so a turn of the loop registers nothing, allocates
// nothing and makes one system call to sleep. The signal itself is taken here
// (EndingSignals::Take) and acted on by the SignalStop in front of this source.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "host/crt/result.h"
#include "host/kernel/ending_signals.h"
#include "host/kernel/handset.h"

namespace host::service {

class SignalInput final : public InputSource {
 public:
  // Opens the eventfd of Wake and the epoll set of the wait. signals: null for none.
  // REQUIRES: handset and signals outlive the object.
  static Result<std::unique_ptr<SignalInput>> Open(Handset& handset, EndingSignals* signals);
  ~SignalInput() override;
  SignalInput(const SignalInput&) = delete;
  SignalInput& operator=(const SignalInput&) = delete;

  // Waits until wakeAtMs on the handset's clock (-1: no timer, until a signal, a wake or a
  // watched descriptor), handling what arrives. Always true: the service ends by a signal.
  bool Idle(std::int64_t wakeAtMs) override;

  // Thread-safe: makes the wait return at once (or the next one, when none waits).
  void Wake() override;

  // Calls ready on the handset's thread whenever fd is readable (or hung up). REQUIRES: fd
  // stays open while watched, and can be waited for with epoll (not a regular file).
  void Watch(int fd, std::function<void()> ready);

 private:
  SignalInput(Handset& handset, EndingSignals* signals, int wakeFd, int epollFd)
      : m_handset(handset), m_signals(signals), m_wakeFd(wakeFd), m_epollFd(epollFd) {}

  struct Watched {
    int fd;
    std::function<void()> ready;
  };

  Handset& m_handset;
  EndingSignals* m_signals;
  int m_wakeFd;
  int m_epollFd;
  std::vector<Watched> m_watched;
};

}  // namespace host::service
