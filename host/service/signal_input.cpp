#include "host/service/signal_input.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <limits>

namespace host::service {

Result<std::unique_ptr<SignalInput>> SignalInput::Open(Handset& handset,
                                                       EndingSignals* signals) {
  int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) return Error::FromErrno("cannot wait for the loop's work", errno);
  return std::unique_ptr<SignalInput>(new SignalInput(handset, signals, wakeFd));
}

SignalInput::~SignalInput() { close(m_wakeFd); }

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
  fds.push_back({m_signals != nullptr ? m_signals->fd() : -1, POLLIN, 0});
  fds.push_back({m_wakeFd, POLLIN, 0});
  for (const Watched& watched : m_watched) fds.push_back({watched.fd, POLLIN, 0});
  int ready = poll(fds.data(), fds.size(), timeout);
  if (ready <= 0) return true;  // the timer is due, or EINTR: the loop asks again
  if (fds[1].revents & POLLIN) {
    // Taken; the loop runs the posted work when Idle returns.
    std::uint64_t count;
    [[maybe_unused]] ssize_t got = read(m_wakeFd, &count, sizeof count);
  }
  if (fds[0].revents & POLLIN) m_signals->Take();
  // Copied: a callback may add watches.
  std::vector<Watched> watched = m_watched;
  for (std::size_t i = 0; i < watched.size(); ++i) {
    if (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) watched[i].ready();
  }
  return true;
}

}  // namespace host::service
