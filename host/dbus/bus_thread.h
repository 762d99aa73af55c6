// One connection to the D-Bus session bus on a thread of its own, for the host's clients of the
// desktop (the MPRIS bridge, the feedback client): connecting has a deadline and can be called
// off, and nothing on the bus ever makes the caller's thread wait.
//
// The connection is made on the bus thread. Connect waits for it at most until the deadline,
// or until stopFd becomes readable (a signalfd of ending signals: a stop during start-up), and
// gives up then with an error; a bus that accepts the connection but never answers would hold
// sd-bus's handshake for 90 s. A thread that gave up is left to end by itself (when sd-bus
// gives up, or the socket closes) and touches nothing of its caller's.
//
// Once connected, the thread runs the tasks posted to it, in order, and the handlers those
// install (signal matches, replies of asynchronous calls), until the bridge stops it or the
// connection breaks. Calls a task makes synchronously time out after kSyncCallTimeout, so
// that a bus that stops answering later holds a stop no longer than that.
//
//   auto bus = BusThread::Connect({address}, {.lost = ..., .closing = ...});
//   if (!bus) return bus.error();                   // "the session bus ... does not answer ..."
//   (*bus)->Post([](sdbus::IConnection& connection) { /* add matches, make calls */ });
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "host/crt/result.h"

namespace sdbus {
class IConnection;
class Error;
}  // namespace sdbus

namespace host::dbus {

inline constexpr std::chrono::milliseconds kConnectDeadline{3000};
inline constexpr std::chrono::milliseconds kSyncCallTimeout{1000};

struct ConnectOptions {
  std::string address;  // empty: the session bus of the environment (DBUS_SESSION_BUS_ADDRESS)
  std::chrono::milliseconds deadline = kConnectDeadline;
  int stopFd = -1;  // when readable, connecting gives up at once; -1: none
};

// Called on the bus thread.
struct BusHooks {
  // The connection broke (why: one line); the thread ends after closing.
  std::function<void(const std::string& why)> lost;
  // The thread is about to end (stopped, or lost): release everything that uses the
  // connection (proxies, slots), which goes right after.
  std::function<void()> closing;
};

class BusThread {
 public:
  using Task = std::function<void(sdbus::IConnection& connection)>;

  // Connects and starts the thread. The error says why there is no bus: "no session bus: ..."
  // when nobody listens or the address is wrong, "the session bus at ADDRESS does not answer
  // within N ms" at the deadline, "connecting to the session bus was stopped" on stopFd.
  static Result<std::unique_ptr<BusThread>> Connect(const ConnectOptions& options,
                                                    BusHooks hooks);
  // Stops the thread (tasks not yet run are dropped) and waits for it; closing has run then.
  ~BusThread();
  BusThread(const BusThread&) = delete;
  BusThread& operator=(const BusThread&) = delete;

  // Thread-safe and never waits: task runs on the bus thread. An sdbus::Error it throws counts
  // as a broken connection. Tasks posted after the connection broke are dropped.
  void Post(Task task);

  struct Shared;  // what the thread and its owner share

 private:
  BusThread(std::shared_ptr<Shared> shared, std::thread thread);
  std::shared_ptr<Shared> m_shared;
  std::thread m_thread;
};

// "org.freedesktop.DBus.Error.NAME: message", for notes about failed calls.
std::string Describe(const sdbus::Error& error);

// Whether a session bus answers at address (empty: the environment's) within the deadline:
// Connect and disconnect, on a thread of their own. The error is Connect's.
Status CheckSessionBus(const ConnectOptions& options);

}  // namespace host::dbus
