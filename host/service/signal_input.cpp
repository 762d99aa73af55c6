#include "host/service/signal_input.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
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

void SignalInput::BlockStopSignals() {
  sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

std::variant<std::unique_ptr<SignalInput>, std::string> SignalInput::Open(Handset& handset) {
  BlockStopSignals();
  sigset_t set = StopSignals();
  int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd < 0) return std::string("cannot wait for signals (") + std::strerror(errno) + ")";
  int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    int error = errno;
    close(fd);
    return std::string("cannot wait for signals (") + std::strerror(error) + ")";
  }
  return std::unique_ptr<SignalInput>(new SignalInput(handset, fd, wakeFd));
}

SignalInput::~SignalInput() {
  close(m_fd);
  close(m_wakeFd);
}

void SignalInput::Wake() {
  std::uint64_t one = 1;
  // A full counter means a wake-up is pending already.
  [[maybe_unused]] ssize_t written = write(m_wakeFd, &one, sizeof one);
}

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
  fds.push_back({m_wakeFd, POLLIN, 0});
  for (const Watched& watched : m_watched) fds.push_back({watched.fd, POLLIN, 0});
  int ready = poll(fds.data(), fds.size(), timeout);
  if (ready <= 0) return true;  // the timer is due, or EINTR: the loop asks again
  if (fds[1].revents & POLLIN) {
    // Taken; the loop runs the posted work when Idle returns.
    std::uint64_t count;
    [[maybe_unused]] ssize_t got = read(m_wakeFd, &count, sizeof count);
  }
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
    if (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) watched[i].ready();
  }
  return true;
}

}  // namespace host::service
