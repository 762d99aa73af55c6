// A session bus of the test's own: dbus-daemon started with a configuration that needs no X and
// allows everything, in a temporary folder; stopped by its process id, the folder removed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

namespace host::mpris::testing_support {

class PrivateBus {
 public:
  // Starts the daemon; ok() tells whether it runs, error() why not (with its output).
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool ok() const { return m_pid > 0; }
  const std::string& error() const { return m_error; }
  const std::string& address() const { return m_address; }
  const std::string& folder() const { return m_folder; }
  // The daemon's process id (to stop and continue it: a bus that hangs).
  pid_t pid() const { return m_pid; }
  // Ends the daemon now and waits until it is gone: the bus goes away under its clients.
  void Stop();

 private:
  std::string m_folder;
  std::string m_address;
  pid_t m_pid = 0;
  std::string m_error;
};

// A socket that accepts connections (the kernel does, into its backlog) but never answers,
// like a bus daemon that hangs: at path, removed again when it goes. Closing it resets the
// connections still waiting in the backlog.
class MuteSocket {
 public:
  explicit MuteSocket(std::string path);
  ~MuteSocket();
  MuteSocket(const MuteSocket&) = delete;
  MuteSocket& operator=(const MuteSocket&) = delete;

  bool ok() const { return m_fd >= 0; }
  // "unix:path=PATH".
  std::string address() const { return "unix:path=" + m_path; }

 private:
  std::string m_path;
  int m_fd = -1;
};

// Polls condition every few milliseconds until it holds or the deadline passes; between polls
// runs between() (e.g. the handset's posted tasks). Returns the last answer.
bool Eventually(const std::function<bool()>& condition, const std::function<void()>& between,
                std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Whether the process has ended (gone, or a zombie nobody reaps).
bool ProcessEnded(pid_t pid);

}  // namespace host::mpris::testing_support
