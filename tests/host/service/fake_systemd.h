// systemd's user manager as the hand-over sees it, written with sdbus-c++ for the tests: the
// name org.freedesktop.systemd1 with GetUnit, StopUnit and StartUnit on
// /org/freedesktop/systemd1, and one loaded unit whose MainPID the test sets. Each call is
// recorded as "METHOD ARGS..."; StopUnit and StartUnit run the test's own actions (end the main
// process, start another).
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

namespace host::service::testing_support {

class FakeSystemd {
 public:
  struct Actions {
    std::function<void()> stop;        // StopUnit of the unit
    std::function<pid_t()> start;      // StartUnit of the unit: the new main process
  };

  // Connects to the bus at address and takes the name; the unit named unit is loaded.
  FakeSystemd(const std::string& address, std::string unit, Actions actions);
  ~FakeSystemd();
  FakeSystemd(const FakeSystemd&) = delete;
  FakeSystemd& operator=(const FakeSystemd&) = delete;

  void SetMainPid(pid_t pid);
  pid_t main_pid() const;
  std::vector<std::string> Calls() const;

 private:
  std::string m_unit;
  Actions m_actions;
  std::unique_ptr<sdbus::IConnection> m_connection;
  std::unique_ptr<sdbus::IObject> m_manager;
  std::unique_ptr<sdbus::IObject> m_unitObject;
  mutable std::mutex m_mutex;
  pid_t m_mainPid = 0;
  std::vector<std::string> m_calls;
};

}  // namespace host::service::testing_support
