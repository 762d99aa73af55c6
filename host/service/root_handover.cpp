#include "host/service/root_handover.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>

#include "host/files/root_lock.h"
#include "host/service/user_unit.h"

namespace host::service {
namespace {

// The strings of a /proc file of NUL-terminated strings (cmdline, environ).
std::vector<std::string> ProcStrings(long pid, const char* name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> strings;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    strings.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

// Where a /proc link of pid points ("" when it cannot be read); a program replaced since it
// started is named by its path still.
std::string ProcLink(long pid, const char* name) {
  std::string path = "/proc/" + std::to_string(pid) + "/" + name;
  char target[4096];
  ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
  if (length <= 0) return "";
  std::string link(target, static_cast<std::size_t>(length));
  const std::string deleted = " (deleted)";
  if (link.size() > deleted.size() && link.ends_with(deleted)) {
    link.resize(link.size() - deleted.size());
  }
  return link;
}

// pid's descriptor fd opened anew for writing, appending (a file, a terminal, a pipe); -1
// when it cannot be (a socket, such as the journal's).
int ReopenOutput(long pid, int fd) {
  std::string path = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
  return open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
}

// "10 s", or "300 ms" for less than a second or a part of one.
std::string Duration(std::chrono::milliseconds time) {
  if (time.count() % 1000 == 0) return std::to_string(time.count() / 1000) + " s";
  return std::to_string(time.count()) + " ms";
}

std::string Who(long pid) { return "quorvane --service (pid " + std::to_string(pid) + ")"; }

// Waits until nobody holds root's lock, at most deadline.
Status WaitForRoot(const std::string& root, long pid, std::chrono::milliseconds deadline) {
  auto until = std::chrono::steady_clock::now() + deadline;
  while (RootLock::Holder(root)) {
    if (std::chrono::steady_clock::now() >= until) {
      return Error(Who(pid) + " did not end within " + Duration(deadline) +
                   "; stop it yourself, or try again");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return Ok();
}

// Waits until a started service holds root's lock with its process id written there, at most
// deadline; started (0: unknown, any process but ours) is its process, which ending early (the
// root taken by another, a usage error) ends the wait too.
Status WaitForService(const std::string& root, pid_t started, std::chrono::milliseconds deadline) {
  auto until = std::chrono::steady_clock::now() + deadline;
  auto holds = [&] {
    std::optional<long> holder = RootLock::Holder(root);
    return holder && (started > 0 ? *holder == started : *holder > 0 && *holder != getpid());
  };
  while (!holds()) {
    if (started > 0 && kill(started, 0) != 0 && errno == ESRCH) {
      return Error("quorvane --service (pid " + std::to_string(started) +
                   ") was started again but ended at once; see its log");
    }
    if (std::chrono::steady_clock::now() >= until) {
      return Error("quorvane --service was started again but has not opened " + root +
                   " within " + Duration(deadline));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return Ok();
}

// Reads size bytes from fd, or fewer when it ends first; how many were read.
ssize_t ReadWhole(int fd, void* into, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, static_cast<char*>(into) + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

// Pointers into strings, null-terminated, for execve.
std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

Result<std::unique_ptr<ServicePause>> ServicePause::Stop(const std::string& root, long pid,
                                                         const HandoverOptions& options) {
  std::unique_ptr<ServicePause> pause(new ServicePause());
  pause->m_pid = pid;
  pause->m_root = root;
  pause->m_options = options;
  UnitBus bus{options.busAddress, options.busDeadline};
  if (pid <= 0) return Error("the quorvane that has " + root + " open is unknown");
  pause->m_args = ProcStrings(pid, "cmdline");
  Result<bool> unit = IsUnitMainProcess(bus, kServiceUnit, pid);
  if (!unit) return Error("cannot ask systemd about " + Who(pid) + ": " + unit.error().message());
  if (*unit) {
    pause->m_way = Way::kUnit;
    if (Status stopped = StopUnit(bus, kServiceUnit); !stopped) return stopped.error();
    pause->m_stopped = true;
  } else {
    if (std::find(pause->m_args.begin(), pause->m_args.end(), "--service") ==
        pause->m_args.end()) {
      return Error("quorvane (pid " + std::to_string(pid) + ") has " + root +
                   " open in a window or a demo: close it first");
    }
    pause->m_exe = ProcLink(pid, "exe");
    pause->m_folder = ProcLink(pid, "cwd");
    pause->m_env = ProcStrings(pid, "environ");
    if (pause->m_env.empty()) {
      for (char** variable = environ; *variable != nullptr; ++variable) {
        pause->m_env.push_back(*variable);
      }
    }
    if (pause->m_exe.empty()) pause->m_exe = pause->m_args.front();
    pause->m_out = ReopenOutput(pid, 1);
    pause->m_err = ReopenOutput(pid, 2);
    if (kill(static_cast<pid_t>(pid), SIGTERM) != 0 && errno != ESRCH) {
      return Error::FromErrno("cannot stop " + Who(pid), errno);
    }
    pause->m_stopped = true;
  }
  if (Status gone = WaitForRoot(root, pid, options.stopDeadline); !gone) {
    // Stopped, but not yet ended: once it ends, nothing starts it again.
    pause->m_stopped = false;
    return gone.error();
  }
  return pause;
}

Status ServicePause::Resume() {
  if (!m_stopped) return Ok();
  m_stopped = false;
  if (m_way == Way::kUnit) {
    if (Status started = StartUnit({m_options.busAddress, m_options.busDeadline}, kServiceUnit);
        !started) {
      return started;
    }
    return WaitForService(m_root, 0, m_options.stopDeadline);
  }

  // Everything execve needs is made before fork: the child of a process with threads may only
  // make async-signal-safe calls.
  std::vector<char*> argv = Pointers(m_args);
  std::vector<char*> envp = Pointers(m_env);
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  int failed[2];
  if (null < 0 || pipe2(failed, O_CLOEXEC) != 0) {
    int error = errno;
    if (null >= 0) close(null);
    return Error::FromErrno("cannot start " + m_exe + " again", error);
  }
  int out = m_out >= 0 ? m_out : null;
  int err = m_err >= 0 ? m_err : null;
  pid_t child = fork();
  if (child == 0) {
    // A session of its own, and a grandchild: the service outlives us and is nobody's child.
    setsid();
    pid_t service = fork();
    if (service != 0) {
      // The service's process id goes first on the pipe, so that we can wait for it.
      [[maybe_unused]] ssize_t told = write(failed[1], &service, sizeof service);
      _exit(0);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    int error = 0;
    if (dup2(null, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) error = errno;
    if (error == 0 && !m_folder.empty() && chdir(m_folder.c_str()) != 0) error = errno;
    if (error == 0) {
      execve(m_exe.c_str(), argv.data(), envp.data());
      error = errno;
    }
    [[maybe_unused]] ssize_t told = write(failed[1], &error, sizeof error);
    _exit(127);
  }
  int error = child < 0 ? errno : 0;
  close(failed[1]);
  pid_t service = 0;
  if (child > 0) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes at the exec; before that, the grandchild tells why it failed.
    if (ReadWhole(failed[0], &service, sizeof service) != sizeof service) service = 0;
    if (ReadWhole(failed[0], &error, sizeof error) != sizeof error) error = 0;
  }
  close(failed[0]);
  close(null);
  if (error != 0) return Error::FromErrno("cannot start " + m_exe + " again", error);
  if (child < 0 || service <= 0) return Error("cannot start " + m_exe + " again");
  return WaitForService(m_root, service, m_options.stopDeadline);
}

ServicePause::~ServicePause() {
  [[maybe_unused]] Status resumed = Resume();
  if (m_out >= 0) close(m_out);
  if (m_err >= 0) close(m_err);
}

}  // namespace host::service
