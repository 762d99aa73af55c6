// The host options: what each --acc and --player gives, and the one-line refusals.
#include <gtest/gtest.h>
#include <umockdev.h>
// GLib's, which the handset's own headers define again.
#undef TRUE
#undef FALSE

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/drivers/motion_stage.h"
#include "tests/host/mpris/private_bus.h"
#include "tools/host_options.h"

namespace {

namespace fs = std::filesystem;

struct Case {
  std::optional<std::string> acc;
  std::optional<std::string> player;
  std::optional<std::string> playerCommand;
  std::string expected;  // "sim", "replay" or the refusal
  std::optional<std::string> feedback = std::nullopt;
};

std::string Outcome(const HostOptions& options, const HostDefaults& defaults) {
  auto devices = HostDevices::Open(options, defaults);
  if (auto* error = std::get_if<std::string>(&devices)) return *error;
  HostDevices& opened = *std::get<std::unique_ptr<HostDevices>>(devices);
  EXPECT_EQ(opened.player_kind(), PlayerKind::kBuiltin);
  switch (opened.acc_kind()) {
    case AccKind::kSim:
      return opened.sensor() == nullptr ? "sim" : "sim with a sensor";
    case AccKind::kReplay:
      return opened.sensor() != nullptr ? "replay" : "replay without a sensor";
    case AccKind::kIio:
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
  std::string dir = (fs::temp_directory_path() / "quorvane-options-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  std::ofstream(dir + "/flick.csv") << "0,0,0,0\n500,127,0,0\n";
  std::ofstream(dir + "/bad.csv") << "0,0,0,0\n500,2100,0,0\n";
  const std::string flick = "replay:" + dir + "/flick.csv";
  const std::string bad = dir + "/bad.csv";

  const std::vector<Case> cases = {
      {std::nullopt, std::nullopt, std::nullopt, "sim"},
      {"sim", "builtin", std::nullopt, "sim"},
      {flick, std::nullopt, std::nullopt, "replay"},
      {"replay:" + bad, std::nullopt, std::nullopt,
       bad + ":2: x 2100 lies beyond 32 g (-2048..2048, 64 per g)"},
      {"replay:", std::nullopt, std::nullopt, "--acc replay:: give sim, replay:FILE or iio[:NAME]"},
      {"tilt", std::nullopt, std::nullopt, "--acc tilt: give sim, replay:FILE or iio[:NAME]"},
      {"iio", std::nullopt, std::nullopt, std::string("--acc iio: ") + kNoAccelerometer},
      {"iio:accel_3d", std::nullopt, std::nullopt,
       std::string("--acc iio:accel_3d: ") + kNoAccelerometer},
      {"iio:", std::nullopt, std::nullopt, "--acc iio:: give sim, replay:FILE or iio[:NAME]"},
      {std::nullopt, "mpris:", std::nullopt, "--player mpris:: give builtin or mpris[:NAME]"},
      {std::nullopt, "mpris:a b", std::nullopt,
       "--player mpris:a b: a player's NAME is letters, digits, '_', '-' and dots between them"},
      {std::nullopt, "vlc", std::nullopt, "--player vlc: give builtin or mpris[:NAME]"},
      {std::nullopt, "builtin", "mpv --idle",
       "--player-command applies to --player mpris, not to the built-in player"},
      {std::nullopt, std::nullopt, std::nullopt, "sim", "off"},
      {std::nullopt, std::nullopt, std::nullopt, "--feedback maybe: give on or off", "maybe"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome({c.acc, c.player, c.playerCommand, c.feedback, std::nullopt}, HostDefaults{}), c.expected)
        << c.acc.value_or("-") << " " << c.player.value_or("-");
  }
  fs::remove_all(dir);
}

TEST(HostOptions, FeedbackIsOnOrOff) {
  for (const char* value : {"on", "off"}) {
    CLI::App app;
    HostOptions options;
    AddHostOptions(app, options);
    EXPECT_NO_THROW(app.parse(std::string("--feedback ") + value, false)) << value;
    EXPECT_EQ(value, options.feedback.value_or("")) << value;
  }
  CLI::App app;
  HostOptions options;
  AddHostOptions(app, options);
  EXPECT_THROW(app.parse("--feedback yes", false), CLI::ValidationError);
}

TEST_F(HostDevicesTest, TheMotionStageIsTheOneNamedOrTheDefaultAndOnlyForStreamingSources) {
  std::string dir = (fs::temp_directory_path() / "quorvane-options-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  std::ofstream(dir + "/flick.csv") << "0,0,0,0\n500,127,0,0\n";
  const std::string flick = "replay:" + dir + "/flick.csv";
  struct MotionCase {
    std::optional<std::string> acc;
    std::optional<std::string> motion;
    std::string expected;  // the stage's mode, "none", or the refusal
  };
  const MotionCase cases[] = {
      {flick, std::nullopt, host::MotionModeName(host::kDefaultMotionMode)},
      {flick, "raw", "raw"},
      {flick, "gravity", "gravity"},
      {flick, "flick", "flick"},
      {"sim", "gravity", "none"},  // the window's tilt and the demo's stay raw
      {flick, "smooth", "--motion smooth: give raw, gravity or flick"},
  };
  for (const MotionCase& c : cases) {
    HostOptions options;
    options.acc = c.acc;
    options.motion = c.motion;
    auto devices = HostDevices::Open(options, HostDefaults{});
    std::string outcome;
    if (auto* error = std::get_if<std::string>(&devices)) {
      outcome = *error;
    } else {
      HostDevices& opened = *std::get<std::unique_ptr<HostDevices>>(devices);
      std::optional<host::MotionMode> mode;
      if (opened.sensor() != nullptr) mode = opened.sensor()->motion_mode();
      outcome = mode ? host::MotionModeName(*mode) : "none";
    }
    EXPECT_EQ(c.expected, outcome) << c.motion.value_or("-");
  }
  fs::remove_all(dir);
}

TEST_F(HostDevicesTest, TheServiceDefaultsNameWhatIsMissing) {
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvane-no-bus", 1);
  std::string outcome = Outcome({}, HostDefaults{"iio", "mpris"});
  EXPECT_EQ(0u, outcome.rfind("--player mpris: no session bus: ", 0)) << outcome;
  EXPECT_EQ(Outcome({std::nullopt, "builtin", std::nullopt, std::nullopt, std::nullopt}, HostDefaults{"iio", "mpris"}),
            std::string("--acc iio: ") + kNoAccelerometer);
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
  EXPECT_EQ(Outcome({"iio", std::nullopt, std::nullopt, std::nullopt, std::nullopt}, HostDefaults{}), "iio");
  EXPECT_EQ(Outcome({"iio:accel_3d", std::nullopt, std::nullopt, std::nullopt, std::nullopt}, HostDefaults{}), "iio");
  EXPECT_EQ(Outcome({"iio:bmi160", std::nullopt, std::nullopt, std::nullopt, std::nullopt}, HostDefaults{}),
            "--acc iio:bmi160: no IIO accelerometer named bmi160 (looked for the name attribute "
            "or sysfs name among devices of subsystem iio with in_accel_x_raw: iio:device0 "
            "(accel_3d))");
}

// With a session bus the real player is installed on the handset and goes with it.
TEST_F(HostDevicesTest, AnMprisPlayerIsInstalledWithTheHandsetAndGoesWithIt) {
  host::mpris::testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
  auto opened = HostDevices::Open({"sim", "mpris:mpv", "mpv --pause", std::nullopt, std::nullopt}, HostDefaults{});
  ASSERT_TRUE(std::holds_alternative<std::unique_ptr<HostDevices>>(opened))
      << std::get<std::string>(opened);
  HostDevices& devices = *std::get<std::unique_ptr<HostDevices>>(opened);
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
