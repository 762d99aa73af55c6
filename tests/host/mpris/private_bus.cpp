#include "tests/host/mpris/private_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

extern char** environ;

namespace host::mpris::testing_support {
namespace {

constexpr auto kStartDeadline = std::chrono::seconds(10);

std::string Config(const std::string& folder) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>unix:dir=" + folder + "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

PrivateBus::PrivateBus() {
  char pattern[] = "/tmp/qv-bus-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    m_error = "cannot make a temporary folder";
    return;
  }
  m_folder = pattern;
  std::string config = m_folder + "/bus.conf";
  std::ofstream(config) << Config(m_folder);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    m_error = "cannot make a pipe";
    return;
  }
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_adddup2(&files, out[1], 1);
  posix_spawn_file_actions_adddup2(&files, out[1], 2);
  std::string configArg = "--config-file=" + config;
  std::vector<char*> argv = {const_cast<char*>("dbus-daemon"), configArg.data(),
                             const_cast<char*>("--fork"), const_cast<char*>("--print-address=1"),
                             const_cast<char*>("--print-pid=1"), nullptr};
  pid_t starter = 0;
  int spawned = posix_spawnp(&starter, "dbus-daemon", &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    m_error = "cannot start dbus-daemon (is the dbus package installed?)";
    return;
  }
  // Two lines: the address, then the daemon's pid. The daemon keeps the pipe open.
  std::string text;
  auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  while (std::count(text.begin(), text.end(), '\n') < 2 &&
         std::chrono::steady_clock::now() < deadline) {
    pollfd fd{out[0], POLLIN, 0};
    if (poll(&fd, 1, 100) <= 0) continue;
    char buffer[512];
    ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  close(out[0]);
  int status = 0;
  waitpid(starter, &status, 0);  // the starter exits once the daemon has forked
  std::size_t first = text.find('\n');
  std::size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
  if (second == std::string::npos) {
    m_error = "dbus-daemon did not come up: " + text;
    return;
  }
  m_address = text.substr(0, first);
  m_pid = static_cast<pid_t>(std::stol(text.substr(first + 1, second - first - 1)));
}

PrivateBus::~PrivateBus() {
  Stop();
  std::error_code ignored;
  if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
}

void PrivateBus::Stop() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  Eventually([this] { return ProcessEnded(m_pid); }, [] {}, std::chrono::seconds(5));
  if (!ProcessEnded(m_pid)) kill(m_pid, SIGKILL);
  m_pid = 0;
}

MuteSocket::MuteSocket(std::string path) : m_path(std::move(path)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (m_path.size() >= sizeof address.sun_path) return;
  std::copy(m_path.begin(), m_path.end(), address.sun_path);
  m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_fd < 0) return;
  if (bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(m_fd, 16) != 0) {
    close(m_fd);
    m_fd = -1;
  }
}

MuteSocket::~MuteSocket() {
  if (m_fd < 0) return;
  close(m_fd);
  unlink(m_path.c_str());
}

bool Eventually(const std::function<bool()>& condition, const std::function<void()>& between,
                std::chrono::milliseconds deadline) {
  auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    between();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool ProcessEnded(pid_t pid) {
  // Our own child: reap it if it has ended.
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == pid) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace host::mpris::testing_support
