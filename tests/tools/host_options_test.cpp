// The host options: what each --acc and --player gives, and the one-line refusals.
#include <gtest/gtest.h>
#include <umockdev.h>
// GLib's, which the handset's own headers define again.
#undef TRUE
#undef FALSE

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "host/kernel/ending_signals.h"
#include "tests/host/mpris/private_bus.h"
#include "tests/support/temp_folder.h"
#include "tools/host_options.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string acc;
  std::string player;
  std::optional<std::string> playerCommand;
  std::string expected;  // "sim", "replay" or the refusal
};

// What the options give: the player's refusal first, as the modes check them.
std::string Outcome(const std::string& acc, const std::string& player,
                    const std::optional<std::string>& playerCommand = std::nullopt) {
  host::Result<PlayerChoice> choice = ParsePlayer(player, playerCommand);
  if (!choice) return choice.error().message();
  host::Result<AccSource> source = ParseAccSource(acc);
  if (!source) return source.error().message();
  host::Result<std::unique_ptr<HostDevices>> devices = HostDevices::Open(*source, *choice);
  if (!devices) return devices.error().message();
  HostDevices& opened = **devices;
  EXPECT_EQ(opened.player_kind(), PlayerKind::kBuiltin);
  switch (opened.acc_kind()) {
    case AccSource::Kind::kSim:
      return opened.sensor() == nullptr ? "sim" : "sim with a sensor";
    case AccSource::Kind::kReplay:
      return opened.sensor() != nullptr ? "replay" : "replay without a sensor";
    case AccSource::Kind::kIio:
      return opened.sensor() != nullptr ? "iio" : "iio without a sensor";
  }
  return "?";
}

// An emulated /sys of its own (umockdev): no IIO device unless the test adds one.
class HostDevicesTest : public testing::Test {
 protected:
  void SetUp() override { m_testbed = umockdev_testbed_new(); }
  void TearDown() override { g_object_unref(m_testbed); }
  UMockdevTestbed* m_testbed = nullptr;
};

constexpr const char* kNoAccelerometer =
    "no IIO accelerometer found (looked for devices of subsystem iio with in_accel_x_raw)";

TEST_F(HostDevicesTest, OpensWhatTheOptionsNameOrSaysWhatIsWrong) {
  test_support::TempFolder temp("quorvane-options");
  std::string dir = temp.string();
  std::ofstream(dir + "/flick.csv") << "0,0,0,0\n500,127,0,0\n";
  std::ofstream(dir + "/bad.csv") << "0,0,0,0\n500,2100,0,0\n";
  const std::string flick = "replay:" + dir + "/flick.csv";
  const std::string bad = dir + "/bad.csv";

  const std::vector<Case> cases = {
      {"sim", "builtin", std::nullopt, "sim"},
      {flick, "builtin", std::nullopt, "replay"},
      {"replay:" + bad, "builtin", std::nullopt,
       bad + ":2: x 2100 lies beyond 32 g (-2048..2048, 64 per g)"},
      {"replay:", "builtin", std::nullopt, "--acc replay:: give sim, replay:FILE or iio[:NAME]"},
      {"tilt", "builtin", std::nullopt, "--acc tilt: give sim, replay:FILE or iio[:NAME]"},
      {"iio", "builtin", std::nullopt, std::string("--acc iio: ") + kNoAccelerometer},
      {"iio:accel_3d", "builtin", std::nullopt,
       std::string("--acc iio:accel_3d: ") + kNoAccelerometer},
      {"iio:", "builtin", std::nullopt, "--acc iio:: give sim, replay:FILE or iio[:NAME]"},
      {"sim", "mpris:", std::nullopt, "--player mpris:: give builtin or mpris[:NAME]"},
      {"sim", "mpris:a b", std::nullopt,
       "--player mpris:a b: a player's NAME is letters, digits, '_', '-' and dots between them"},
      {"sim", "vlc", std::nullopt, "--player vlc: give builtin or mpris[:NAME]"},
      {"sim", "builtin", "mpv --idle",
       "--player-command applies to --player mpris, not to the built-in player"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(c.acc, c.player, c.playerCommand), c.expected) << c.acc << " " << c.player;
  }
}

TEST_F(HostDevicesTest, TheMotionStageIsTheOneNamedOnlyForStreamingSources) {
  test_support::TempFolder folder("quorvane-options");
  const std::string dir = folder.string();
  std::ofstream(dir + "/flick.csv") << "0,0,0,0\n500,127,0,0\n";
  const std::string flick = "replay:" + dir + "/flick.csv";
  struct MotionCase {
    std::string acc;
    host::MotionMode motion;
    std::string expected;  // the stage's mode, or "none"
  };
  const MotionCase cases[] = {
      {flick, host::MotionMode::kRaw, "raw"},
      {flick, host::MotionMode::kGravity, "gravity"},
      {flick, host::MotionMode::kFlick, "flick"},
      {"sim", host::MotionMode::kGravity, "none"},  // the window's tilt and the demo's stay raw
  };
  for (const MotionCase& c : cases) {
    auto devices = HostDevices::Open(*ParseAccSource(c.acc), *ParsePlayer("builtin", std::nullopt),
                                     c.motion);
    ASSERT_TRUE(devices) << devices.error().message();
    std::optional<host::MotionMode> mode;
    if ((*devices)->sensor() != nullptr) mode = (*devices)->sensor()->motion_mode();
    EXPECT_EQ(c.expected, mode ? host::MotionModeName(*mode) : "none") << c.acc;
  }
}

TEST_F(HostDevicesTest, TheServiceDefaultsNameWhatIsMissing) {
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvane-no-bus", 1);
  std::string outcome = Outcome("iio", "mpris");
  EXPECT_EQ(0u, outcome.rfind("--player mpris: no session bus: ", 0)) << outcome;
  EXPECT_EQ(Outcome("iio", "builtin"), std::string("--acc iio: ") + kNoAccelerometer);
}

TEST_F(HostDevicesTest, IioOpensTheAccelerometerFound) {
  GError* error = nullptr;
  ASSERT_TRUE(umockdev_testbed_add_from_string(m_testbed,
                                               "P: /devices/platform/lid/iio:device0\n"
                                               "E: SUBSYSTEM=iio\n"
                                               "A: name=accel_3d\n"
                                               "A: in_accel_x_raw=0\n"
                                               "A: in_accel_y_raw=0\n"
                                               "A: in_accel_z_raw=0\n",
                                               &error));
  EXPECT_EQ(Outcome("iio", "builtin"), "iio");
  EXPECT_EQ(Outcome("iio:accel_3d", "builtin"), "iio");
  EXPECT_EQ(Outcome("iio:bmi160", "builtin"),
            "--acc iio:bmi160: no IIO accelerometer named bmi160 (looked for the name attribute "
            "or sysfs name among devices of subsystem iio with in_accel_x_raw: iio:device0 "
            "(accel_3d))");
}

// A bus that takes the connection and never answers: said so within the time given, and a stop
// signal ends the wait at once.
TEST_F(HostDevicesTest, AMuteSessionBusIsToldAndAStopSignalEndsTheWait) {
  auto signals = host::EndingSignals::Open();
  ASSERT_TRUE(signals.ok());
  test_support::TempFolder folder("quorvane-mute-bus");
  std::string path = folder.string() + "/bus";
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 16), 0);  // connections wait in the backlog, unanswered
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  host::Result<PlayerChoice> mpris = ParsePlayer("mpris", std::nullopt);
  ASSERT_TRUE(mpris.ok());

  auto start = std::chrono::steady_clock::now();
  host::Result<std::unique_ptr<HostDevices>> devices =
      HostDevices::Open(AccSource{}, *mpris, host::kDefaultMotionMode, signals->get(), 300);
  ASSERT_FALSE(devices.ok());
  EXPECT_EQ(devices.error().message(), "--player mpris: the session bus at unix:path=" + path +
                                           " does not answer within 300 ms");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // To this thread: the test bed's own threads do not block the signal, as quorvane's do.
  pthread_t waiting = pthread_self();
  std::thread stopper([waiting] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pthread_kill(waiting, SIGTERM);
  });
  start = std::chrono::steady_clock::now();
  devices = HostDevices::Open(AccSource{}, *mpris, host::kDefaultMotionMode, signals->get(), 60'000);
  EXPECT_FALSE(devices.ok());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ((*signals)->received(), SIGTERM);
  stopper.join();
  close(listener);
}

// The service's wait for a session bus: looked for again after pauses that double up to the
// longest, told once when the wait begins and once when it ends; a stop in a pause ends it.
TEST(WaitForSessionBus, LooksAgainAfterGrowingPausesUntilItAnswersOrAStop) {
  struct Case {
    int failures;  // looks that fail before one answers
    int stopAt;    // the pause (from 1) in which a stop comes; 0: none
    bool answered;
    std::vector<int> pauses;
    std::vector<std::string> notes;
  };
  const std::string waiting = "waiting for the session bus (no session bus: refused)";
  const Case cases[] = {
      {0, 0, true, {}, {}},
      {3, 0, true, {500, 1000, 2000}, {waiting, "the session bus answers"}},
      {9, 0, true, {500, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000},
       {waiting, "the session bus answers"}},
      {1000, 2, false, {500, 1000}, {waiting}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failures);
    int looks = 0;
    std::vector<int> pauses;
    std::vector<std::string> notes;
    bool answered = WaitForSessionBus(
        [&]() -> host::Status {
          if (looks++ < c.failures) return host::Error("no session bus: refused");
          return host::Ok();
        },
        [&](int ms) {
          pauses.push_back(ms);
          return static_cast<int>(pauses.size()) != c.stopAt;
        },
        [&](const std::string& note) { notes.push_back(note); });
    EXPECT_EQ(c.answered, answered);
    EXPECT_EQ(c.pauses, pauses);
    EXPECT_EQ(c.notes, notes);
  }
}

// With a session bus the real player is installed on the handset and goes with it.
TEST_F(HostDevicesTest, AnMprisPlayerIsInstalledWithTheHandsetAndGoesWithIt) {
  host::mpris::testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
  host::Result<PlayerChoice> choice = ParsePlayer("mpris:mpv", "mpv --pause");
  ASSERT_TRUE(choice.ok());
  host::Result<std::unique_ptr<HostDevices>> opened = HostDevices::Open(AccSource{}, *choice);
  ASSERT_TRUE(opened.ok()) << opened.error().message();
  HostDevices& devices = **opened;
  EXPECT_EQ(PlayerKind::kMpris, devices.player_kind());
  {
    host::VirtualClock clock;
    host::Handset handset(clock);
    devices.InstallPlayer(handset);
    EXPECT_EQ(u"", devices.PlayerFooter());  // no player on this bus
  }
  EXPECT_EQ(u"", devices.PlayerFooter());  // the bridge has gone with the handset
}

}  // namespace
}  // namespace tools
