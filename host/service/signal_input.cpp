#include "host/service/signal_input.h"

#include <errno.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <limits>

namespace host::service {
namespace {

// What an event of the epoll set is about: the signals, a wake, or the watched descriptor of
// index tag - kFirstWatched.
constexpr std::uint32_t kSignalsTag = 0;
constexpr std::uint32_t kWakeTag = 1;
constexpr std::uint32_t kFirstWatched = 2;

bool AddToSet(int epollFd, int fd, std::uint32_t tag) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u32 = tag;
  return epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &event) == 0;
}

}  // namespace

Result<std::unique_ptr<SignalInput>> SignalInput::Open(Handset& handset,
                                                       EndingSignals* signals) {
  int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) return Error::FromErrno("cannot wait for the loop's work", errno);
  int epollFd = epoll_create1(EPOLL_CLOEXEC);
  if (epollFd < 0 || !AddToSet(epollFd, wakeFd, kWakeTag) ||
      (signals != nullptr && !AddToSet(epollFd, signals->fd(), kSignalsTag))) {
    int error = errno;
    if (epollFd >= 0) close(epollFd);
    close(wakeFd);
    return Error::FromErrno("cannot wait for the loop's work", error);
  }
  return std::unique_ptr<SignalInput>(new SignalInput(handset, signals, wakeFd, epollFd));
}

SignalInput::~SignalInput() {
  close(m_epollFd);
  close(m_wakeFd);
}

void SignalInput::Wake() {
  std::uint64_t one = 1;
  // A full counter means a wake-up is pending already.
  [[maybe_unused]] ssize_t written = write(m_wakeFd, &one, sizeof one);
}

void SignalInput::Watch(int fd, std::function<void()> ready) {
  auto tag = static_cast<std::uint32_t>(kFirstWatched + m_watched.size());
  if (!AddToSet(m_epollFd, fd, tag)) {
    m_handset.AddDebugOutput(u"[Service] cannot wait for a descriptor: it is not watched");
    return;
  }
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
  epoll_event events[8];
  int ready = epoll_wait(m_epollFd, events, 8, timeout);
  if (ready <= 0) return true;  // the timer is due, or EINTR: the loop asks again
  // Copied: a callback may add watches.
  std::vector<Watched> watched;
  for (int i = 0; i < ready; ++i) {
    std::uint32_t tag = events[i].data.u32;
    if (tag == kWakeTag) {
      // Taken; the loop runs the posted work when Idle returns.
      std::uint64_t count;
      [[maybe_unused]] ssize_t got = read(m_wakeFd, &count, sizeof count);
    } else if (tag == kSignalsTag) {
      m_signals->Take();
    } else if (tag - kFirstWatched < m_watched.size()) {
      if (watched.empty()) watched = m_watched;
      watched[tag - kFirstWatched].ready();
    }
  }
  return true;
}

}  // namespace host::service
