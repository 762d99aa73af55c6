// quorvane --service as systemd starts it at login, when what it needs comes later: an
// accelerometer that appears after the start (umockdev adds it) and is flicked, a session bus
// that is not there, a stop during either wait; and its log as the journal shows it
// (JOURNAL_STREAM: no stamps), in the display language, with the player chosen and an unused
// player command. The binary runs itself under umockdev-wrapper; the service inherits the
// emulated /sys.
#include <gtest/gtest.h>
#include <umockdev.h>
// GLib's, which the handset's own headers define again.
#undef TRUE
#undef FALSE

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/mpris/private_bus.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace {

using host::mpris::testing_support::PrivateBus;

constexpr const char* kAccel = "/sys/devices/platform/accel/iio:device1";
constexpr const char* kAccelDescription =
    "P: /devices/platform/accel/iio:device1\nE: SUBSYSTEM=iio\nE: DEVTYPE=iio_device\n"
    "A: name=mma8452\nA: in_accel_scale=0.009576806\nA: in_accel_x_raw=0\nA: in_accel_y_raw=0\n"
    "A: in_accel_z_raw=1024\n\n";  // lying face up: 1 g on z

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The service, started with the options and environment given, its output in two files; stopped
// by its process id.
class Service {
 public:
  Service(const std::string& folder, std::vector<std::string> args,
          std::vector<std::string> environment)
      : m_out(folder + "/out"), m_err(folder + "/err") {
    args.insert(args.begin(), {QUORVANE, "--service", "--root", folder + "/root"});
    int outFd = open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int errFd = open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    struct stat out;
    fstat(outFd, &out);
    // What systemd sets for a service whose output is the journal's stream.
    m_journal = std::to_string(out.st_dev) + ":" + std::to_string(out.st_ino);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
      dup2(outFd, STDOUT_FILENO);
      dup2(errFd, STDERR_FILENO);
      for (std::string& variable : environment) {
        if (variable == "JOURNAL_STREAM") variable += "=" + m_journal;
        putenv(variable.data());
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(outFd);
    close(errFd);
  }
  ~Service() {
    if (m_pid > 0 && m_status == kRunning) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }

  std::string out() const { return Slurp(m_out); }
  std::string err() const { return Slurp(m_err); }

  // Whether text shows in the output within 10 s (and the service still runs or has just ended).
  bool Shows(const std::string& text) {
    for (int i = 0; i < 1000; ++i) {
      if ((out() + err()).find(text) != std::string::npos) return true;
      if (Ended()) return (out() + err()).find(text) != std::string::npos;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // SIGTERM, then the exit status (-1: no normal exit within 10 s).
  int Stop() {
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 1000 && !Ended(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_status;
  }

 private:
  static constexpr int kRunning = -2;
  bool Ended() {
    if (m_status != kRunning) return true;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
  }

  std::string m_out;
  std::string m_err;
  std::string m_journal;
  pid_t m_pid = -1;
  int m_status = kRunning;
};

class ServiceLateTest : public testing::Test {
 protected:
  void SetUp() override { m_testbed = umockdev_testbed_new(); }
  void TearDown() override { g_object_unref(m_testbed); }

  test_support::TempFolder m_folder{"quorvane-late-"};
  std::string folder() const { return m_folder.path().string(); }
  UMockdevTestbed* m_testbed = nullptr;
};

TEST_F(ServiceLateTest, AnAccelerometerThatAppearsLateIsUsedAndTheJournalGetsBareLines) {
  // The built-in player started at once (autorun), so that a flick reaches it.
  std::string settings = folder() + "/root/Program Files/Quorvane";
  std::filesystem::create_directories(settings);
  settings += "/config.ini";
  const std::vector<std::string> steps[] = {
      {"prepare", settings}, {"set-int", settings, "Powered By Zelbin", "autorun", "1"}};
  for (const std::vector<std::string>& args : steps) {
    ASSERT_EQ(0, test_support::RunProgram(QUORVANE_INI, args, folder()).status);
  }
  // Raw: a tilt held is a flick.
  Service service(folder(),
                  {"--acc", "iio", "--motion", "raw", "--player", "builtin", "--lang", "en"},
                  {"JOURNAL_STREAM"});
  ASSERT_TRUE(service.Shows("waiting for an accelerometer")) << service.err();
  GError* error = nullptr;
  ASSERT_TRUE(umockdev_testbed_add_from_string(m_testbed, kAccelDescription, &error));
  umockdev_testbed_uevent(m_testbed, kAccel, "add");
  ASSERT_TRUE(service.Shows("Listening for flicks")) << service.out() << service.err();
  umockdev_testbed_set_attribute(m_testbed, kAccel, "in_accel_x_raw", "2048");  // 2 g, right
  ASSERT_TRUE(service.Shows("Playing the next song")) << service.out() << service.err();
  EXPECT_EQ(0, service.Stop());
  // One line for the wait, one for its end, and the rest as when the device was there.
  std::string out = service.out();
  EXPECT_EQ(0u, out.find("waiting for an accelerometer\naccelerometer: iio:device1 (mma8452)\n"
                         "gestures paused: the player is not playing\nGetting state\n"))
      << out;
  EXPECT_NE(std::string::npos,
            out.find("\nListening for flicks\nflick right: next\nPlaying the next song\n"))
      << out;
  EXPECT_EQ(std::string::npos, out.find("启动重力加速器失败")) << out;
  std::string err = service.err();
  EXPECT_EQ(err.size() - 19, err.rfind("stopped by SIGTERM\n")) << err;
}

TEST_F(ServiceLateTest, AStopDuringAWaitEndsTheServiceAtOnceWithStatusZero) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> environment;
    const char* waiting;
  };
  std::string nowhere = "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder() + "/no-bus";
  const Case cases[] = {
      {{"--acc", "iio:lis3dh", "--player", "builtin"},
       {},
       "waiting for an accelerometer named lis3dh"},
      {{"--acc", "sim", "--player", "mpris"}, {nowhere}, "waiting for the session bus ("},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.waiting);
    Service service(folder(), c.args, c.environment);
    ASSERT_TRUE(service.Shows(c.waiting)) << service.err();
    EXPECT_EQ(0, service.Stop()) << service.err();
    EXPECT_NE(std::string::npos, service.err().find("stopped by SIGTERM")) << service.err();
    // Stamped: no journal here.
    EXPECT_EQ(' ', service.out().at(23)) << service.out();
  }
}

TEST_F(ServiceLateTest, TheLogNamesThePlayerAndAPlayerCommandThatAutorunOffLeavesUnused) {
  PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  Service service(folder(),
                  {"--acc", "sim", "--player", "mpris:nosuch", "--player-command", "true"},
                  {"DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "JOURNAL_STREAM"});
  ASSERT_TRUE(service.Shows("waiting for org.mpris.MediaPlayer2.nosuch")) << service.err();
  EXPECT_EQ(0, service.Stop());
  std::string out = service.out();
  EXPECT_NE(std::string::npos,
            out.find("--player-command is not used: the player is started only when \"start "
                     "the player automatically\" is on (quorvane settings set autorun on)\n"))
      << out;
  EXPECT_EQ(1, Count(out, "waiting for org.mpris.MediaPlayer2.nosuch\n")) << out;
}

}  // namespace
