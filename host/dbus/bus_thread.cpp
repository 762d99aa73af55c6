#include "host/dbus/bus_thread.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <mutex>

#include <sdbus-c++/sdbus-c++.h>

namespace host::dbus {
namespace {

void Signal(int fd) {
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(fd, &one, sizeof one);
}

void Drain(int fd) {
  std::uint64_t count;
  [[maybe_unused]] ssize_t got = read(fd, &count, sizeof count);
}

std::string AddressForPeople(const std::string& address) {
  if (!address.empty()) return address;
  const char* environment = getenv("DBUS_SESSION_BUS_ADDRESS");
  return environment != nullptr ? environment : "of the session";
}

}  // namespace

std::string Describe(const sdbus::Error& error) {
  return error.getName() + (error.getMessage().empty() ? "" : ": " + error.getMessage());
}

struct BusThread::Shared {
  enum class State { kConnecting, kConnected, kFailed, kAbandoned, kEnded };

  explicit Shared(BusHooks bushooks)
      : hooks(std::move(bushooks)),
        wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
        readyFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Shared() {
    if (wakeFd >= 0) close(wakeFd);
    if (readyFd >= 0) close(readyFd);
  }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;

  // The bus thread's whole life.
  void Run(const std::string& address) {
    std::unique_ptr<sdbus::IConnection> connection;
    try {
      connection = address.empty() ? sdbus::createSessionBusConnection()
                                   : sdbus::createSessionBusConnectionWithAddress(address);
      connection->setMethodCallTimeout(kSyncCallTimeout);
    } catch (const sdbus::Error& error) {
      std::lock_guard<std::mutex> lock(mutex);
      if (state == State::kConnecting) {
        state = State::kFailed;
        failure = "no session bus: " + Describe(error);
      }
      Signal(readyFd);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      // Given up on: the owner and its hooks are gone. The connection answers, so closing it
      // does not wait.
      if (state == State::kAbandoned) return;
      state = State::kConnected;
    }
    Signal(readyFd);
    try {
      Loop(*connection);
    } catch (const sdbus::Error& error) {
      End();
      if (hooks.lost) hooks.lost(Describe(error));
    }
    End();
    if (hooks.closing) hooks.closing();
  }

  void Loop(sdbus::IConnection& connection) {
    while (!stopping) {
      while (connection.processPendingRequest()) {
        if (stopping) return;
      }
      RunTasks(connection);
      if (stopping) return;
      sdbus::IConnection::PollData bus = connection.getEventLoopPollData();
      pollfd fds[2] = {{bus.fd, bus.events, 0}, {wakeFd, POLLIN, 0}};
      if (poll(fds, 2, bus.getPollTimeout()) < 0 && errno != EINTR) {
        throw sdbus::Error("org.freedesktop.DBus.Error.IOError", "poll failed");
      }
      if ((fds[0].revents & (POLLHUP | POLLERR)) != 0 && (fds[0].revents & POLLIN) == 0) {
        throw sdbus::Error("org.freedesktop.DBus.Error.Disconnected", "the connection was closed");
      }
      if ((fds[1].revents & POLLIN) != 0) Drain(wakeFd);
    }
  }

  void RunTasks(sdbus::IConnection& connection) {
    std::deque<Task> now;
    {
      std::lock_guard<std::mutex> lock(mutex);
      now.swap(tasks);
    }
    for (Task& task : now) {
      task(connection);
      if (stopping) return;
    }
  }

  // No task is taken any more.
  void End() {
    std::lock_guard<std::mutex> lock(mutex);
    state = State::kEnded;
    tasks.clear();
  }

  BusHooks hooks;
  int wakeFd;
  int readyFd;
  std::atomic<bool> stopping{false};
  std::mutex mutex;
  State state = State::kConnecting;  // guarded by mutex
  std::string failure;               // guarded by mutex
  std::deque<Task> tasks;            // guarded by mutex
};

Result<std::unique_ptr<BusThread>> BusThread::Connect(const ConnectOptions& options,
                                                      BusHooks hooks) {
  auto shared = std::make_shared<Shared>(std::move(hooks));
  if (shared->wakeFd < 0 || shared->readyFd < 0) {
    return Error::FromErrno("cannot make the bus thread's wake-up descriptors", errno);
  }
  std::thread thread([shared, address = options.address] { shared->Run(address); });

  auto deadline = std::chrono::steady_clock::now() + options.deadline;
  bool stopped = false;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) break;
    pollfd fds[2] = {{shared->readyFd, POLLIN, 0}, {options.stopFd, POLLIN, 0}};
    int ready = poll(fds, options.stopFd >= 0 ? 2 : 1, static_cast<int>(left.count()) + 1);
    if (ready < 0 && errno == EINTR) continue;
    stopped = options.stopFd >= 0 && (fds[1].revents & POLLIN) != 0;
    if (ready != 0) break;
  }

  std::unique_lock<std::mutex> lock(shared->mutex);
  switch (shared->state) {
    case Shared::State::kConnected:
    case Shared::State::kEnded:  // connected, and already lost: the thread ends by itself
      lock.unlock();
      return std::unique_ptr<BusThread>(new BusThread(std::move(shared), std::move(thread)));
    case Shared::State::kFailed: {
      std::string failure = shared->failure;
      lock.unlock();
      thread.join();
      return Error(failure);
    }
    case Shared::State::kConnecting:
    case Shared::State::kAbandoned:
      break;
  }
  shared->state = Shared::State::kAbandoned;
  lock.unlock();
  thread.detach();
  if (stopped) return Error("connecting to the session bus was stopped");
  return Error("the session bus at " + AddressForPeople(options.address) +
               " does not answer within " + std::to_string(options.deadline.count()) + " ms");
}

BusThread::BusThread(std::shared_ptr<Shared> shared, std::thread thread)
    : m_shared(std::move(shared)), m_thread(std::move(thread)) {}

BusThread::~BusThread() {
  m_shared->stopping = true;
  Signal(m_shared->wakeFd);
  if (m_thread.joinable()) m_thread.join();
}

void BusThread::Post(Task task) {
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->state != Shared::State::kConnected) return;
    m_shared->tasks.push_back(std::move(task));
  }
  Signal(m_shared->wakeFd);
}

Status CheckSessionBus(const ConnectOptions& options) {
  Result<std::unique_ptr<BusThread>> bus = BusThread::Connect(options, {});
  if (!bus) return bus.error();
  return Ok();
}

}  // namespace host::dbus
