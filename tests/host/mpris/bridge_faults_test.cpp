// The bridge against peers that misbehave on the bus, written with sdbus-c++ on a bus of the
// test's own: a player that comes and goes in a loop, a peer that floods the bus with signals,
// and a bus that accepts connections but never answers.
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/crt/utf.h"
#include "host/mpris/player_bridge.h"
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

using testing_support::FakeOptions;
using testing_support::FakePlayer;
using testing_support::HandsetWaiter;
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

// Runs a function as its start: the application, inside whose start everything else happens.
class RunsInStart final : public Program {
 public:
  explicit RunsInStart(std::function<void()> run) : m_run(std::move(run)) {}
  void Start(DWORD) override { m_run(); }

 private:
  std::function<void()> m_run;
};

class BridgeFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_bus.ok()) << m_bus.error(); }
  void TearDown() override { m_bridge.reset(); }

  void StartBridge(const std::string& filter = "mpris") {
    BridgeOptions options;
    options.filter = *PlayerFilter::Parse(filter);
    options.busAddress = m_bus.address();
    auto bridge = MprisBridge::Start(m_handset, options);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<MprisBridge>>(bridge))
        << std::get<std::string>(bridge);
    m_bridge = std::move(std::get<std::unique_ptr<MprisBridge>>(bridge));
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

}  // namespace
}  // namespace host::mpris
