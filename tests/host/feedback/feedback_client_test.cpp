// The feedback client on a bus of the test's own: what it asks the daemon, that it never waits
// for it, that no daemon costs one debug line, and Debian's feedbackd taking the call.
#include "host/feedback/feedback_client.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

#include "host/crt/utf.h"
#include "tests/host/mpris/fake_feedback.h"
#include "tests/host/mpris/handset_waiter.h"
#include "tests/host/mpris/private_bus.h"

extern char** environ;

namespace host::feedback {
namespace {

using mpris::testing_support::DebugLinesWith;
using mpris::testing_support::FakeFeedback;
using mpris::testing_support::HandsetWaiter;
using mpris::testing_support::PrivateBus;
using mpris::testing_support::ProcessEnded;

constexpr char kFeedbackd[] = QV_FEEDBACKD;
constexpr auto kDeadline = std::chrono::seconds(10);

class FeedbackClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_bus.ok()) << m_bus.error(); }
  void TearDown() override { m_client.reset(); }

  void StartClient(bool enabled = true) {
    FeedbackOptions options;
    options.enabled = enabled;
    options.bus.address = m_bus.address();
    auto client = FeedbackClient::Start(m_handset, options);
    ASSERT_TRUE(client.ok()) << client.error().message();
    m_client = std::move(*client);
  }
  std::vector<std::string> FeedbackLines() { return DebugLinesWith(m_handset, "[Feedback] "); }

  PrivateBus m_bus;
  VirtualClock m_clock;
  Handset m_handset{m_clock};
  HandsetWaiter m_waiter{m_handset};
  std::unique_ptr<FeedbackClient> m_client;
};

const std::string kCall = "io.github.quorvane.Quorvane button-pressed 0 -1";

TEST_F(FeedbackClientTest, EachGestureCommandAsksTheDaemonForTheButtonPressedFeedback) {
  FakeFeedback daemon(m_bus.address());
  GestureCommand(m_handset);  // no client installed yet: nothing
  StartClient();
  GestureCommand(m_handset);
  m_client->set_enabled(false);
  GestureCommand(m_handset);  // off: nothing
  m_client->set_enabled(true);
  m_client->Trigger();
  ASSERT_TRUE(daemon.WaitForCalls(2, kDeadline));
  m_client.reset();  // stopping waits for the calls on their way
  EXPECT_EQ((std::vector<std::string>{kCall, kCall}), daemon.Calls());
  GestureCommand(m_handset);  // the client is gone: nothing
  EXPECT_EQ(std::vector<std::string>{}, FeedbackLines());
}

TEST_F(FeedbackClientTest, ADaemonThatDoesNotAnswerDelaysNothing) {
  FakeFeedback daemon(m_bus.address(), FakeFeedback::Answers::kNever);
  StartClient();
  // A client that waited for each answer would never get past the first.
  for (int i = 0; i < 5; ++i) GestureCommand(m_handset);
  EXPECT_TRUE(daemon.WaitForCalls(5, kDeadline));
  m_client.reset();  // with five calls unanswered
}

TEST_F(FeedbackClientTest, NoDaemonMeansOneDebugLineUntilOneAnswersAgain) {
  StartClient();
  for (int i = 0; i < 3; ++i) GestureCommand(m_handset);
  ASSERT_TRUE(m_waiter.Until([&] { return !FeedbackLines().empty(); }));
  {
    // Once a daemon has the next call, the three before it have had their answer.
    FakeFeedback daemon(m_bus.address());
    GestureCommand(m_handset);
    ASSERT_TRUE(daemon.WaitForCalls(1, kDeadline));
  }
  std::vector<std::string> lines = FeedbackLines();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(0u, lines[0].rfind("[Feedback] no feedback: org.sigxcpu.Feedback did not take "
                               "TriggerFeedback (org.freedesktop.DBus.Error.ServiceUnknown", 0))
      << lines[0];
  // Gone again after it answered: one more line.
  GestureCommand(m_handset);
  EXPECT_TRUE(m_waiter.Until([&] { return FeedbackLines().size() == 2; }));
}

TEST_F(FeedbackClientTest, NoSessionBusIsAnErrorTheCallerTakesAsNoFeedback) {
  // The session bus of the environment, as Quorvane uses it. (With an explicit address that
  // nobody listens on, sdbus-c++ 1.2 leaks its sd-bus object.)
  std::string nobody = "unix:path=" + m_bus.folder() + "/no-such-socket";
  setenv("DBUS_SESSION_BUS_ADDRESS", nobody.c_str(), 1);
  auto client = FeedbackClient::Start(m_handset, {});
  ASSERT_FALSE(client.ok());
  EXPECT_EQ(0u, client.error().message().rfind("no session bus", 0)) << client.error().message();
  GestureCommand(m_handset);  // nothing installed: nothing happens
}

// Debian's feedbackd, without haptic or LED hardware: it takes the call, and ends the feedback
// it gave with FeedbackEnded.
TEST_F(FeedbackClientTest, DebiansFeedbackdTakesTheCall) {
  ASSERT_TRUE(std::filesystem::exists(kFeedbackd)) << "feedbackd is not installed";
  std::string log = m_bus.folder() + "/feedbackd.log";
  std::vector<std::string> environment = {"DBUS_SESSION_BUS_ADDRESS=" + m_bus.address(),
                                          "GSETTINGS_BACKEND=memory", "HOME=" + m_bus.folder(),
                                          "XDG_RUNTIME_DIR=" + m_bus.folder()};
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = kFeedbackd;
  char* argv[] = {program.data(), nullptr};
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&files, 1, 2);
  pid_t daemon = 0;
  int spawned = posix_spawn(&daemon, program.c_str(), &files, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&files);
  ASSERT_EQ(0, spawned) << "cannot start " << program;
  auto logText = [&] {
    std::ifstream in(log);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  // The test's own ear on the bus: the daemon's name and its FeedbackEnded signals.
  auto ear = sdbus::createSessionBusConnectionWithAddress(m_bus.address());
  std::atomic<int> ended{0};
  sdbus::Slot match = ear->addMatch(
      "type='signal',interface='org.sigxcpu.Feedback',member='FeedbackEnded'",
      [&](sdbus::Message&) { ++ended; });
  ear->enterEventLoopAsync();
  auto dbus = sdbus::createProxy(*ear, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  auto owned = [&] {
    bool has = false;
    dbus->callMethod("NameHasOwner").onInterface("org.freedesktop.DBus")
        .withArguments(std::string(kFeedbackName)).storeResultsTo(has);
    return has;
  };
  bool up = m_waiter.Until(owned, kDeadline);

  if (up) {
    StartClient();
    GestureCommand(m_handset);
    EXPECT_TRUE(m_waiter.Until([&] { return ended.load() >= 1; }, kDeadline)) << logText();
    m_client.reset();
    EXPECT_EQ(std::vector<std::string>{}, FeedbackLines());
  }
  ear->leaveEventLoop();
  kill(daemon, SIGTERM);
  if (!m_waiter.Until([&] { return ProcessEnded(daemon); }, std::chrono::seconds(5))) {
    kill(daemon, SIGKILL);
    waitpid(daemon, nullptr, 0);
  }
  ASSERT_TRUE(up) << "feedbackd did not take its name: " << logText();
}

}  // namespace
}  // namespace host::feedback
