// The hand-over of a root from a running service and back, against real processes holding the
// lock (lock_holder), a bus of the test's own and a fake systemd user manager.
#include "host/service/root_handover.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "host/files/root_lock.h"
#include "tests/host/mpris/private_bus.h"
#include "tests/host/service/fake_systemd.h"
#include "tests/support/temp_folder.h"

namespace host::service {
namespace {

using mpris::testing_support::Eventually;
using mpris::testing_support::MuteSocket;
using mpris::testing_support::PrivateBus;
using mpris::testing_support::ProcessEnded;
using testing_support::FakeSystemd;

constexpr auto kDeadline = std::chrono::seconds(10);

class RootHandoverTest : public ::testing::Test {
 protected:
  RootHandoverTest() : m_folder("root-handover"), m_root(m_folder.string() + "/root") {
    std::filesystem::create_directory(m_root);
  }
  ~RootHandoverTest() override {
    // Whatever still holds the root is the test's: the first holder or one started again.
    for (int i = 0; i < 3; ++i) {
      std::optional<long> holder = RootLock::Holder(m_root);
      if (!holder || *holder <= 0) break;
      kill(static_cast<pid_t>(*holder), SIGKILL);
      Eventually([&] { return ProcessEnded(static_cast<pid_t>(*holder)); }, [] {}, kDeadline);
    }
    for (pid_t child : m_children) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }

  // Starts lock_holder with args and ROOT, its output appended to the log; returns once it
  // holds the root.
  pid_t Hold(std::vector<std::string> args) {
    args.insert(args.begin(), LOCK_HOLDER);
    args.push_back(m_root);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, Log().c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, LOCK_HOLDER, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) return 0;
    m_children.push_back(pid);
    Eventually([&] { return RootLock::Holder(m_root) == pid; }, [] {}, kDeadline);
    return pid;
  }

  // The holder that is not pid, once there is one.
  std::optional<long> NewHolder(long pid) {
    std::optional<long> holder;
    Eventually(
        [&] {
          holder = RootLock::Holder(m_root);
          return holder && *holder > 0 && *holder != pid;
        },
        [] {}, kDeadline);
    return holder && *holder > 0 && *holder != pid ? holder : std::nullopt;
  }

  std::string Log() const { return m_folder.string() + "/holder.log"; }
  std::string LogText() const {
    std::ifstream in(Log());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  test_support::TempFolder m_folder;
  std::string m_root;
  std::vector<pid_t> m_children;
};

// A process of its own, wherever systemd is not asked about it or does not know it: SIGTERM,
// then the same command again, detached, with its output where it was.
TEST_F(RootHandoverTest, ServiceOutsideSystemdIsSignalledAndStartedAgain) {
  PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  enum class Manager { kNoBus, kBusWithoutSystemd, kSystemdWithOtherMainPid };
  for (Manager manager : {Manager::kNoBus, Manager::kBusWithoutSystemd,
                          Manager::kSystemdWithOtherMainPid}) {
    SCOPED_TRACE(static_cast<int>(manager));
    std::filesystem::remove(Log());
    std::optional<FakeSystemd> systemd;
    HandoverOptions options;
    options.busAddress = bus.address();
    if (manager == Manager::kNoBus) {
      // The environment's session bus, as quorvane asks it. (With an explicit address that
      // nobody listens on, sdbus-c++ 1.2 leaks its sd-bus object.)
      std::string nobody = "unix:path=" + m_folder.string() + "/no-such-socket";
      setenv("DBUS_SESSION_BUS_ADDRESS", nobody.c_str(), 1);
      options.busAddress.clear();
    }
    if (manager == Manager::kSystemdWithOtherMainPid) {
      systemd.emplace(bus.address(), kServiceUnit, FakeSystemd::Actions{});
      systemd->SetMainPid(getpid());
    }
    pid_t pid = Hold({"--service"});
    ASSERT_GT(pid, 0);

    auto pause = ServicePause::Stop(m_root, pid, options);
    ASSERT_TRUE(pause) << pause.error().message();
    EXPECT_EQ(ServicePause::Way::kProcess, (*pause)->way());
    EXPECT_FALSE(RootLock::Holder(m_root));
    EXPECT_TRUE(Eventually([&] { return ProcessEnded(pid); }, [] {}, kDeadline));

    ASSERT_TRUE((*pause)->Resume());
    EXPECT_TRUE(RootLock::Holder(m_root)) << "Resume returns once the service holds the root";
    std::optional<long> again = NewHolder(pid);
    ASSERT_TRUE(again);
    EXPECT_TRUE(Eventually([&] { return LogText() == "holding\nended\nholding\n"; }, [] {},
                           kDeadline))
        << LogText();
    EXPECT_TRUE((*pause)->Resume()) << "a second Resume does nothing";
    kill(static_cast<pid_t>(*again), SIGTERM);
    EXPECT_TRUE(Eventually([&] { return !RootLock::Holder(m_root); }, [] {}, kDeadline));
    if (systemd) {
      EXPECT_EQ(std::vector<std::string>{"GetUnit quorvane.service"}, systemd->Calls());
    }
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
}

// The user unit's main process: systemd stops it and starts it again.
TEST_F(RootHandoverTest, UserUnitIsStoppedAndStartedThroughSystemd) {
  PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  pid_t pid = Hold({"--service"});
  ASSERT_GT(pid, 0);
  FakeSystemd systemd(bus.address(), kServiceUnit,
                      {.stop = [&] { kill(pid, SIGTERM); },
                       .start = [&] { return Hold({"--service"}); }});
  systemd.SetMainPid(pid);
  HandoverOptions options;
  options.busAddress = bus.address();

  auto pause = ServicePause::Stop(m_root, pid, options);
  ASSERT_TRUE(pause) << pause.error().message();
  EXPECT_EQ(ServicePause::Way::kUnit, (*pause)->way());
  EXPECT_FALSE(RootLock::Holder(m_root));
  EXPECT_EQ((std::vector<std::string>{"GetUnit quorvane.service",
                                      "StopUnit quorvane.service replace"}),
            systemd.Calls());

  ASSERT_TRUE((*pause)->Resume());
  EXPECT_TRUE(RootLock::Holder(m_root)) << "Resume returns once the service holds the root";
  EXPECT_EQ("StartUnit quorvane.service replace", systemd.Calls().back());
  std::optional<long> again = NewHolder(pid);
  ASSERT_TRUE(again);
  EXPECT_EQ(systemd.main_pid(), *again);
}

// What cannot be handed over is told, and the holder goes on holding the root.
TEST_F(RootHandoverTest, RefusalsAreToldAndLeaveTheHolderRunning) {
  // Closed right after its case: the bus thread that gave up on it ends then, while the later
  // cases run, and leaves nothing behind at the process's end.
  std::optional<MuteSocket> mute(std::in_place, m_folder.string() + "/mute");
  ASSERT_TRUE(mute->ok());
  const std::string muteAddress = mute->address();
  PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  struct Case {
    const char* name;
    std::vector<std::string> holder;
    std::string busAddress;
    const char* error;
  };
  const Case cases[] = {
      {"a window", {}, bus.address(), "open in a window or a demo: close it first"},
      {"a bus that hangs", {"--service"}, muteAddress, "does not answer within 300 ms"},
      {"a service that does not end", {"--service", "--stubborn"}, bus.address(),
       "did not end within 300 ms"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pid_t pid = Hold(c.holder);
    ASSERT_GT(pid, 0);
    HandoverOptions options;
    options.busAddress = c.busAddress;
    options.busDeadline = std::chrono::milliseconds(300);
    options.stopDeadline = std::chrono::milliseconds(300);
    auto pause = ServicePause::Stop(m_root, pid, options);
    ASSERT_FALSE(pause);
    EXPECT_NE(std::string::npos, pause.error().message().find(c.error))
        << pause.error().message();
    EXPECT_EQ(pid, RootLock::Holder(m_root));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    m_children.pop_back();
    if (c.busAddress == muteAddress) mute.reset();
  }
}

}  // namespace
}  // namespace host::service
