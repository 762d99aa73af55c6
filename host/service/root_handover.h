// Handing a root over from the running service to another quorvane on it (the window, or
// `quorvane settings set`), and back: the service is stopped as a shutdown stops it (its
// settings saved), the other one takes the root and does its work, and then the service is
// started again, so that it goes on with the settings as they were left.
//
// How the service is stopped and started depends on who started it:
//   - the systemd user unit quorvane.service, when the process is that unit's main process
//     (asked of systemd's user manager over the session bus: GetUnit and the unit's MainPID):
//     StopUnit and later StartUnit, both "replace", so that systemd knows what happens;
//   - any other `quorvane --service` process: SIGTERM, and later the same program again, with
//     the same arguments, environment, folder and output, in a session of its own.
//
//   if (std::optional<long> pid = RootLock::Holder(root)) {
//     auto pause = ServicePause::Stop(root, *pid, {});
//     if (!pause) return pause.error();   // "quorvane --service (pid 812) did not end ..."
//     ... take the root, work on it, let it go ...
//     Status resumed = (*pause)->Resume();
//   }
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "host/crt/result.h"

namespace host::service {

// The systemd user unit that runs the service (packaging/quorvane.service.in).
inline constexpr char kServiceUnit[] = "quorvane.service";

struct HandoverOptions {
  // The session bus where systemd's user manager is asked; empty: the environment's.
  std::string busAddress;
  // How long the bus may take to connect and to answer each step.
  std::chrono::milliseconds busDeadline{3000};
  // How long the service may take to end and let the root go.
  std::chrono::milliseconds stopDeadline{10000};
};

class ServicePause {
 public:
  enum class Way {
    kUnit,     // the systemd user unit: StopUnit, StartUnit
    kProcess,  // a process of its own: SIGTERM, started again by us
  };

  // Stops the service that holds root's lock as the process pid (RootLock::Holder), and
  // returns once the lock is free. The error says why in one line, for a person: the holder
  // is no service ("quorvane (pid N) has ROOT open in a window or a demo: close it first"), it
  // may not be stopped (no permission), the bus or systemd fails, or it does not end within
  // options.stopDeadline.
  static Result<std::unique_ptr<ServicePause>> Stop(const std::string& root, long pid,
                                                    const HandoverOptions& options);

  // Starts the service again, the way it was stopped, and returns once it holds the root's
  // lock again (at most options.stopDeadline), so that whatever comes next finds it running.
  // Only the first call does anything. The error also says when the service started ended at
  // once or did not open the root in time.
  // REQUIRES: the root's lock is free again (the caller has let it go).
  Status Resume();

  // Resumes when Resume was not called (its failure goes unnoticed).
  ~ServicePause();
  ServicePause(const ServicePause&) = delete;
  ServicePause& operator=(const ServicePause&) = delete;

  Way way() const { return m_way; }
  long pid() const { return m_pid; }
  // The service's command line, the program first, as it was when it was stopped.
  const std::vector<std::string>& args() const { return m_args; }

 private:
  ServicePause() = default;

  Way m_way = Way::kProcess;
  long m_pid = 0;
  std::string m_root;
  bool m_stopped = false;  // by us, and not started again yet
  HandoverOptions m_options;
  std::vector<std::string> m_args;
  // kProcess: how it was started.
  std::string m_exe, m_folder;
  std::vector<std::string> m_env;
  int m_out = -1, m_err = -1;  // its standard output and error, reopened; -1: /dev/null
};

}  // namespace host::service
