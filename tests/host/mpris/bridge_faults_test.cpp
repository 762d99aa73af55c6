// The bridge against peers that misbehave on the bus, written with sdbus-c++ on a bus of the
// test's own: a player that comes and goes in a loop, a peer that floods the bus with signals,
// and a bus that accepts connections but never answers.
#include <gtest/gtest.h>

#include <malloc.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/crt/utf.h"
#include "host/mpris/note_limiter.h"
#include "host/mpris/player_bridge.h"
#include "host/programs/music_player.h"
#include "tests/host/mpris/fake_player.h"
#include "tests/host/mpris/handset_waiter.h"
#include "tests/host/mpris/private_bus.h"

#if defined(__SANITIZE_ADDRESS__)
#define QV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_TEST_ASAN 1
#endif
#endif
#ifdef QV_TEST_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace host::mpris {
namespace {

using testing_support::DebugLinesWith;
using testing_support::FakeOptions;
using testing_support::FakePlayer;
using testing_support::Flooder;
using testing_support::HandsetWaiter;
using testing_support::RunsInStart;
using testing_support::MuteSocket;
using testing_support::PrivateBus;

// The bytes the program holds on the heap now, whatever thread allocated them.
std::size_t HeapInUse() {
#ifdef QV_TEST_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

// The resident set, from /proc/self/statm.
std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

class BridgeFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_bus.ok()) << m_bus.error(); }
  void TearDown() override { m_bridge.reset(); }

  Result<std::unique_ptr<MprisBridge>> TryBridge(dbus::ConnectOptions bus) {
    BridgeOptions options;
    options.bus = std::move(bus);
    return MprisBridge::Start(m_handset, options);
  }
  void StartBridge(const std::string& filter = "mpris") {
    BridgeOptions options;
    options.filter = *PlayerFilter::Parse(filter);
    options.bus.address = m_bus.address();
    auto bridge = MprisBridge::Start(m_handset, options);
    ASSERT_TRUE(bridge.ok()) << bridge.error().message();
    m_bridge = std::move(*bridge);
  }
  std::unique_ptr<FakePlayer> Fake(FakeOptions options = {}) {
    return std::make_unique<FakePlayer>(m_bus.address(), std::move(options));
  }
  // Runs body as the application's code, as the window and the service do.
  void AsTheApplication(std::function<void()> body) {
    m_handset.StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe",
                           std::make_unique<RunsInStart>(std::move(body)));
  }
  bool Until(const std::function<bool()>& condition) { return m_waiter.Until(condition); }
  // The debug lines that hold part.
  std::vector<std::string> DebugLines(const std::string& part) {
    return DebugLinesWith(m_handset, part);
  }

  PrivateBus m_bus;
  VirtualClock m_clock;
  Handset m_handset{m_clock};
  HandsetWaiter m_waiter{m_handset};
  std::unique_ptr<MprisBridge> m_bridge;
};

TEST_F(BridgeFaultsTest, APlayerThatComesAndGoesInALoopLeavesTheMemoryAsItWas) {
  StartBridge();
  auto player = Fake();
  ASSERT_TRUE(Until([&] { return m_bridge->pid() != 0; }));
  bool cycled = true;
  // Each cycle: the name is released and the handset's player goes, then it is claimed and the
  // player is back with its process and window.
  auto cycles = [&](int count) {
    for (int i = 0; i < count && cycled; ++i) {
      player->ReleaseName();
      cycled = Until([&] { return m_bridge->pid() == 0; });
      player->ClaimName();
      cycled = cycled && Until([&] { return m_bridge->pid() != 0; });
    }
  };
  std::size_t heapBefore = 0, heapAfter = 0, residentBefore = 0, residentAfter = 0;
  AsTheApplication([&] {
    cycles(200);  // the bus's and the allocator's own caches fill up first
    heapBefore = HeapInUse();
    residentBefore = ResidentBytes();
    cycles(2000);
    heapAfter = HeapInUse();
    residentAfter = ResidentBytes();
  });
  ASSERT_TRUE(cycled) << "the player did not come and go in time";
  RecordProperty("heap_growth_bytes", std::to_string(static_cast<long long>(heapAfter) -
                                                     static_cast<long long>(heapBefore)));
  RecordProperty("resident_growth_bytes",
                 std::to_string(static_cast<long long>(residentAfter) -
                                static_cast<long long>(residentBefore)));
  constexpr std::size_t kAllowed = 100 * 1024;
  EXPECT_LT(heapAfter, heapBefore + kAllowed)
      << "the heap grew from " << heapBefore << " to " << heapAfter << " bytes";
#ifndef QV_TEST_ASAN  // the sanitizer keeps freed memory for a while, in the resident set too
  EXPECT_LT(residentAfter, residentBefore + kAllowed)
      << "the resident set grew from " << residentBefore << " to " << residentAfter << " bytes";
#endif
}

TEST_F(BridgeFaultsTest, APeerThatFloodsTheBusIsNotHeardAndAPlayerThatDoesIsToldOfBriefly) {
  StartBridge("mpris:fake");
  auto player = Fake();
  FakeOptions otherOptions;
  otherOptions.name = "other";  // a player, but not one that counts
  auto other = Fake(otherOptions);
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr && m_bridge->players().size() == 2; }));
  std::size_t linesBefore = m_handset.debug_output().size();

  // A peer that is no player, and a player that does not count: nothing they send is decoded,
  // nothing of it is told.
  Flooder flooder(m_bus.address());
  flooder.Emit(400);
  other->EmitMalformedThenPlaying(400);
  flooder.ClaimName("org.mpris.MediaPlayer2.flooder");  // heard after all 400
  other->ReleaseName();                                 // the same
  ASSERT_TRUE(Until([&] {
    const std::vector<PlayerInfo>& players = m_bridge->players();
    return players.size() == 2 && players.back().busName == "org.mpris.MediaPlayer2.flooder";
  }));
  EXPECT_EQ(std::vector<std::string>{}, DebugLines("malformed"));
  EXPECT_FALSE(m_bridge->playing()) << "a peer's claim changed the chosen player's state";

  // The chosen player itself: a few lines a minute, the last one says so.
  player->EmitMalformedThenPlaying(400);
  ASSERT_TRUE(Until([&] { return m_bridge->playing(); }));
  std::vector<std::string> told = DebugLines("malformed");
  ASSERT_EQ(static_cast<std::size_t>(kNotesPerMinute), told.size());
  EXPECT_NE(std::string::npos, told.back().find("(more like it are left out for a minute)"));
  EXPECT_LT(m_handset.debug_output().size(), linesBefore + kNotesPerMinute + 5);

  // A minute later the first line says how many were left out.
  m_clock.Advance(kNoteMinuteMs);
  player->EmitMalformedThenPlaying(1);
  ASSERT_TRUE(Until([&] {
    return !DebugLines("390 more debug lines about malformed messages were left out").empty();
  }));
}

using Clock = std::chrono::steady_clock;

TEST_F(BridgeFaultsTest, ABusThatNeverAnswersIsAClearErrorWithinTheDeadline) {
  MuteSocket mute(m_bus.folder() + "/mute");
  ASSERT_TRUE(mute.ok());
  struct Case {
    const char* name;
    std::chrono::milliseconds deadline;
    bool stopped;  // the stop descriptor is readable from the start
    const char* message;
  };
  for (const Case& c : std::vector<Case>{
           {"the default deadline", dbus::kConnectDeadline, false,
            " does not answer within 3000 ms"},
           {"a stop signal", dbus::kConnectDeadline, true,
            "connecting to the session bus was stopped"},
       }) {
    int stop = eventfd(c.stopped ? 1 : 0, EFD_CLOEXEC);
    Clock::time_point start = Clock::now();
    auto bridge = TryBridge({mute.address(), c.deadline, stop});
    auto took = Clock::now() - start;
    close(stop);
    ASSERT_FALSE(bridge.ok()) << c.name;
    EXPECT_NE(std::string::npos, bridge.error().message().find(c.message))
        << c.name << ": " << bridge.error().message();
    if (c.stopped) {
      EXPECT_LT(took, std::chrono::milliseconds(500)) << c.name;
    } else {
      EXPECT_GE(took, c.deadline) << c.name;
      EXPECT_LT(took, c.deadline + std::chrono::seconds(2)) << c.name;
      EXPECT_NE(std::string::npos, bridge.error().message().find(mute.address())) << c.name;
    }
  }
  // The start-up check gives up the same way.
  Status check = dbus::CheckSessionBus({mute.address(), std::chrono::milliseconds(200)});
  ASSERT_FALSE(check.ok());
  EXPECT_EQ("the session bus at " + mute.address() + " does not answer within 200 ms",
            check.error().message());
}

TEST_F(BridgeFaultsTest, ABusThatStopsAnsweringNeitherFloodsTheLogNorHoldsAStop) {
  StartBridge();
  auto player = Fake();
  ASSERT_TRUE(Until([&] { return m_bridge->window() != nullptr; }));
  pid_t daemon = m_bus.pid();
  ASSERT_EQ(0, kill(daemon, SIGSTOP));
  constexpr int kCommands = 30;
  for (int i = 0; i < kCommands; ++i) {
    m_handset.SendToWindow(m_bridge->window(), programs::kPlayerControlMessage,
                           programs::kPlayerNext, 0);
  }
  // Each call times out on the bus thread after half a second; the log tells only the first.
  bool timedOut = Until([&] { return !DebugLines("(more like it are left out").empty(); });
  std::size_t told = DebugLines("Next to org.mpris.MediaPlayer2.fake failed").size();
  Clock::time_point start = Clock::now();
  m_bridge.reset();
  auto took = Clock::now() - start;
  kill(daemon, SIGCONT);
  EXPECT_TRUE(timedOut);
  EXPECT_EQ(static_cast<std::size_t>(kNotesPerMinute), told);
  EXPECT_LT(took, std::chrono::seconds(1)) << "stopping the bridge waited for the bus";
}

}  // namespace
}  // namespace host::mpris
