#include "host/service/signal_input.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstring>
#include <limits>

namespace host::service {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

std::variant<std::unique_ptr<SignalInput>, std::string> SignalInput::Open(Handset& handset) {
  sigset_t set = StopSignals();
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
    return std::string("cannot block SIGTERM and SIGINT");
  }
  int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd < 0) {
    int error = errno;
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    return std::string("cannot wait for signals (") + std::strerror(error) + ")";
  }
  return std::unique_ptr<SignalInput>(new SignalInput(handset, fd));
}

SignalInput::~SignalInput() { close(m_fd); }

void SignalInput::Watch(int fd, std::function<void()> ready) {
  m_watched.push_back({fd, std::move(ready)});
}

bool SignalInput::Idle(std::int64_t wakeAtMs) {
  int timeout = -1;
  if (wakeAtMs >= 0) {
    std::int64_t left = wakeAtMs - m_handset.clock().NowMs();
    if (left <= 0) return true;
    timeout = left > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                       : static_cast<int>(left);
  }
  std::vector<pollfd> fds;
  fds.push_back({m_fd, POLLIN, 0});
  for (const Watched& watched : m_watched) fds.push_back({watched.fd, POLLIN, 0});
  int ready = poll(fds.data(), fds.size(), timeout);
  if (ready <= 0) return true;  // the timer is due, or EINTR: the loop asks again
  if (fds[0].revents & POLLIN) {
    signalfd_siginfo info;
    while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      if (m_stoppedBy == 0) {
        m_stoppedBy = static_cast<int>(info.ssi_signo);
        m_handset.RequestQuit(0);
      }
    }
  }
  // Copied: a callback may add watches.
  std::vector<Watched> watched = m_watched;
  for (std::size_t i = 0; i < watched.size(); ++i) {
    if (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) watched[i].ready();
  }
  return true;
}

}  // namespace host::service
