// The bridge against a real mpv with mpv-mpris on a bus of the test's own: next, previous and
// play/pause move mpv, Close music quits it, launching runs the player command and the player
// appears, and mpv quitting by itself takes the handset's player with it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

#include "host/crt/utf.h"
#include "host/mpris/player_bridge.h"
#include "host/programs/music_player.h"
#include "tests/host/mpris/private_bus.h"

extern char** environ;

namespace host::mpris {
namespace {

using testing_support::Eventually;
using testing_support::PrivateBus;
using testing_support::ProcessEnded;

constexpr char kMpvScript[] = QV_MPV_MPRIS_SCRIPT;

// Five seconds of silence: long enough that a song does not end while a test runs.
void WriteWav(const std::string& path) {
  constexpr std::uint32_t kRate = 8000, kSeconds = 5, kBytes = kRate * 2 * kSeconds;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out << "RIFF";
  u32(36 + kBytes);
  out << "WAVEfmt ";
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(kRate);
  u32(kRate * 2);
  u16(2);
  u16(16);
  out << "data";
  u32(kBytes);
  out << std::string(kBytes, '\0');
}

class MpvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_bus.ok()) << m_bus.error();
    ASSERT_TRUE(std::filesystem::exists(kMpvScript)) << "mpv-mpris is not installed";
    // Players started by the bridge find this bus, as they would the desktop's.
    setenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().c_str(), 1);
    for (const char* song : {"a.wav", "b.wav", "c.wav"}) WriteWav(Song(song));
  }
  void TearDown() override {
    m_bridge.reset();
    for (pid_t pid : m_started) {
      if (!ProcessEnded(pid)) kill(pid, SIGKILL);
    }
  }

  std::string Song(const char* name) const { return m_bus.folder() + "/" + name; }
  std::string Socket() const { return m_bus.folder() + "/mpv.sock"; }
  std::vector<std::string> MpvArguments() const {
    return {"mpv",          "--no-config",     "--ao=null",
            "--vo=null",    "--idle=yes",      "--pause",
            std::string("--script=") + kMpvScript, "--input-ipc-server=" + Socket(),
            Song("a.wav"),  Song("b.wav"),     Song("c.wav")};
  }
  // Starts mpv as the test's child, its output in the bus folder.
  pid_t StartMpv() {
    std::vector<std::string> args = MpvArguments();
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    std::string log = m_bus.folder() + "/mpv.log";
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = 0;
    int error = posix_spawnp(&pid, "mpv", &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    EXPECT_EQ(0, error) << "cannot start mpv";
    if (error == 0) m_started.push_back(pid);
    return error == 0 ? pid : 0;
  }
  void StartBridge(const std::string& command = "") {
    BridgeOptions options;
    options.command = command;
    auto bridge = MprisBridge::Start(m_handset, options);
    ASSERT_TRUE(bridge.ok()) << bridge.error().message();
    m_bridge = std::move(*bridge);
  }
  bool Until(const std::function<bool()>& condition) {
    return Eventually(condition, [this] { m_handset.RunPostedTasks(); });
  }
  // "b.wav Paused": what the chosen player plays, "" when there is none.
  std::string NowPlaying() {
    std::optional<PlayerInfo> chosen = m_bridge->Chosen();
    if (!chosen) return "";
    return chosen->title + " " + PlaybackStatusName(chosen->status);
  }
  // Until the bridge sees mpv with its first song loaded: a quit that reaches mpv while it is
  // still starting up can be lost, which would make a test about quitting fail for nothing.
  bool WaitUntilMpvPlays() {
    return Until([&] { return NowPlaying() == "a.wav Paused" && PlayerOnHandset(); });
  }
  bool PlayerOnHandset() {
    return FindWindowW(nullptr, programs::kNowPlayingTitle) != nullptr &&
           !m_handset.Processes().empty();
  }
  void Command(WPARAM code) {
    m_handset.SendToWindow(m_bridge->window(), programs::kPlayerControlMessage, code, 0);
  }
  std::string MpvLog() const {
    std::ifstream in(m_bus.folder() + "/mpv.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  PrivateBus m_bus;
  VirtualClock m_clock;
  Handset m_handset{m_clock};
  std::unique_ptr<MprisBridge> m_bridge;
  std::vector<pid_t> m_started;
};

TEST_F(MpvTest, NextPreviousAndPlayPauseMoveMpv) {
  StartBridge();
  ASSERT_NE(0, StartMpv());
  ASSERT_TRUE(Until([&] { return NowPlaying() == "a.wav Paused"; }))
      << NowPlaying() << "\n" << MpvLog();
  EXPECT_TRUE(PlayerOnHandset());
  struct Step {
    WPARAM code;
    const char* after;
  };
  for (const Step& step : std::vector<Step>{{programs::kPlayerNext, "b.wav Paused"},
                                            {programs::kPlayerNext, "c.wav Paused"},
                                            {programs::kPlayerPrevious, "b.wav Paused"},
                                            {programs::kPlayerPlayPause, "b.wav Playing"},
                                            {programs::kPlayerPlayPause, "b.wav Paused"}}) {
    Command(step.code);
    EXPECT_TRUE(Until([&] { return NowPlaying() == step.after; }))
        << "after code " << step.code << ": " << NowPlaying();
  }
}

TEST_F(MpvTest, CloseMusicQuitsMpv) {
  StartBridge();
  pid_t mpv = StartMpv();
  ASSERT_TRUE(WaitUntilMpvPlays()) << NowPlaying() << "\n" << MpvLog();
  m_handset.SendToWindow(m_bridge->window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Until([&] { return ProcessEnded(mpv); })) << MpvLog();
  EXPECT_TRUE(Until([&] { return !PlayerOnHandset(); }));
}

TEST_F(MpvTest, MpvQuittingByItselfTakesTheHandsetsPlayerAlong) {
  StartBridge();
  pid_t mpv = StartMpv();
  ASSERT_TRUE(WaitUntilMpvPlays()) << NowPlaying() << "\n" << MpvLog();
  // Quit through mpv's own command socket, as its user would with q. The connection stays open
  // until mpv has gone, so that mpv never sees its client leave before the command ran.
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = Socket();
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::copy(path.begin(), path.end(), address.sun_path);
  ASSERT_EQ(0, connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
  std::string quit = "{\"command\":[\"quit\"]}\n";
  ASSERT_EQ(static_cast<ssize_t>(quit.size()), write(fd, quit.data(), quit.size()));
  // What this test is about is the bridge noticing that mpv has gone. An mpv that has not ended
  // after five seconds (it took more than ten once, on a loaded machine) is ended the hard way.
  if (!Eventually([&] { return ProcessEnded(mpv); }, [this] { m_handset.RunPostedTasks(); },
                  std::chrono::seconds(5))) {
    std::cerr << "mpv has not ended five seconds after quit; killing it\n" << MpvLog();
    kill(mpv, SIGKILL);
  }
  EXPECT_TRUE(Until([&] { return ProcessEnded(mpv); })) << MpvLog();
  close(fd);
  EXPECT_TRUE(Until([&] { return !PlayerOnHandset(); }));
}

TEST_F(MpvTest, LaunchingStartsThePlayerCommandAndThePlayerAppears) {
  std::string command;
  for (const std::string& arg : MpvArguments()) command += "'" + arg + "' ";
  StartBridge(command);
  ASSERT_EQ(TRUE, CreateProcessW(programs::kMusicPlayerPath, nullptr, nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(Until([&] { return PlayerOnHandset(); }));
  // The launched mpv is no child of ours: the bus tells its process id, to check it ends.
  auto connection = sdbus::createSessionBusConnectionWithAddress(m_bus.address());
  auto daemon = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  std::uint32_t pid = 0;
  daemon->callMethod("GetConnectionUnixProcessID")
      .onInterface("org.freedesktop.DBus")
      .withArguments(m_bridge->Chosen()->busName)
      .storeResultsTo(pid);
  ASSERT_GT(pid, 0u);
  m_started.push_back(static_cast<pid_t>(pid));
  EXPECT_EQ(static_cast<pid_t>(pid), getsid(static_cast<pid_t>(pid)));
  m_handset.SendToWindow(m_bridge->window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Until([&] { return ProcessEnded(static_cast<pid_t>(pid)); }));
  EXPECT_TRUE(Until([&] { return !PlayerOnHandset(); }));
}

}  // namespace
}  // namespace host::mpris
