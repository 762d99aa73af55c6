// The service's input source: the handset sleeps until its next timer falls due, and wakes at
// once when SIGTERM or SIGINT arrives, which ends the application as the handset's shutdown
// does (Handset::RequestQuit(0): WM_QUIT, then exit processing saves the settings).
//
// The signals are blocked and read from a signalfd that the wait polls, together with an eventfd
// for Wake (work posted from other threads) and any descriptors added with Watch (a sensor's
// buffer), so a signal is never lost between a check and the sleep and nothing polls in a busy
// loop. REQUIRES: BlockStopSignals (or Open) is called on the thread that runs the handset before
// other threads start, so that they inherit the blocked signals and none of them dies of one;
// one object at a time.
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
  // Blocks SIGTERM and SIGINT in the calling thread (and the threads it starts from then on);
  // a signal that comes before Open waits for it.
  static void BlockStopSignals();
  // Blocks SIGTERM and SIGINT and opens the signalfd and the eventfd; on failure the reason.
  // REQUIRES: handset outlives the object.
  static std::variant<std::unique_ptr<SignalInput>, std::string> Open(Handset& handset);
  // Closes the descriptors. The signals stay blocked: a second one during the shutdown must not
  // end the process before its exit processing has run.
  ~SignalInput() override;
  SignalInput(const SignalInput&) = delete;
  SignalInput& operator=(const SignalInput&) = delete;

  // Waits until wakeAtMs on the handset's clock (-1: no timer, until a signal or a watched
  // descriptor), handling what arrives. Always true: the service ends by a signal.
  bool Idle(std::int64_t wakeAtMs) override;

  // Thread-safe: makes the wait return at once (or the next one, when none waits).
  void Wake() override;

  // Calls ready on the handset's thread whenever fd is readable. REQUIRES: fd stays open
  // while watched.
  void Watch(int fd, std::function<void()> ready);

  // The signal that ended the run (SIGTERM or SIGINT), or 0 while none has come.
  int stopped_by() const { return m_stoppedBy; }

 private:
  SignalInput(Handset& handset, int fd, int wakeFd)
      : m_handset(handset), m_fd(fd), m_wakeFd(wakeFd) {}

  struct Watched {
    int fd;
    std::function<void()> ready;
  };

  Handset& m_handset;
  int m_fd;
  int m_wakeFd;
  int m_stoppedBy = 0;
  std::vector<Watched> m_watched;
};

}  // namespace host::service
