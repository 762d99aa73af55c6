// The MPRIS bridge's speed: from the poll tick that reaches the threshold (it calls
// SendPlayerCommand(+1), as the gesture detector does) to a player on the bus receiving Next;
// what such a tick costs the handset's thread with a hung player, with a player that answers,
// with none, and with the gesture's feedback client as well; and what a player that comes and
// goes costs, in time and in memory kept. On a private bus (dbus-daemon) with a player written
// with sdbus-c++. Figures and the command: docs/performance.md.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "host/feedback/feedback_client.h"
#include "host/kernel/handset.h"
#include "host/mpris/player_bridge.h"
#include "player/player_control.h"
#include "tests/host/mpris/fake_player.h"
#include "tests/host/mpris/handset_waiter.h"
#include "tests/host/mpris/private_bus.h"

namespace {

using host::mpris::testing_support::Behaviour;
using host::mpris::testing_support::Eventually;
using host::mpris::testing_support::FakeOptions;
using host::mpris::testing_support::FakePlayer;
using host::mpris::testing_support::HandsetWaiter;
using host::mpris::testing_support::RunsInStart;
using host::mpris::testing_support::PrivateBus;
using Clock = std::chrono::steady_clock;

// A handset with the bridge and, when asked, a player; a window whose timer tick sends Next.
class Rig {
 public:
  explicit Rig(std::optional<Behaviour> player, bool feedback = false) {
    if (!m_bus.ok()) return;
    if (feedback) {
      host::feedback::FeedbackOptions options;
      options.bus.address = m_bus.address();
      auto client = host::feedback::FeedbackClient::Start(m_handset, options);
      if (!client) return;
      m_feedback = std::move(*client);
    }
    host::mpris::BridgeOptions options;
    options.bus.address = m_bus.address();
    auto bridge = host::mpris::MprisBridge::Start(m_handset, options);
    if (!bridge) return;
    m_bridge = std::move(*bridge);
    if (player) {
      FakeOptions fake;
      fake.behaviour = *player;
      m_player = std::make_unique<FakePlayer>(m_bus.address(), fake);
      if (!Eventually([this] { return m_bridge->window() != nullptr; },
                      [this] { m_handset.RunPostedTasks(); })) {
        return;
      }
    }
    m_app = m_handset.CreateWindow(u"Bench", u"Quorvane", RECT{}, 0,
                                   [](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                                     if (msg == WM_TIMER) SendPlayerCommand(+1);
                                     return 0;
                                   });
    m_ok = true;
  }
  ~Rig() {
    m_bridge.reset();
    m_player.reset();
    m_feedback.reset();
  }

  bool ok() const { return m_ok; }
  FakePlayer& player() { return *m_player; }
  host::Handset& handset() { return m_handset; }
  host::mpris::MprisBridge& bridge() { return *m_bridge; }
  // One poll tick, then the loop's turn that hands its post to the player's window.
  void Tick() {
    m_handset.SendToWindow(m_app, WM_TIMER, 1, 0);
    MSG msg;
    m_handset.GetMessage(&msg);  // dispatches the player's message; returns as no timer runs
  }

 private:
  PrivateBus m_bus;
  host::VirtualClock m_clock;
  host::Handset m_handset{m_clock};
  std::unique_ptr<host::feedback::FeedbackClient> m_feedback;
  std::unique_ptr<host::mpris::MprisBridge> m_bridge;
  std::unique_ptr<FakePlayer> m_player;
  HWND m_app = nullptr;
  bool m_ok = false;
};

double Percentile(std::vector<double> samples, double p) {
  std::sort(samples.begin(), samples.end());
  std::size_t at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1));
  return samples[at];
}

void BM_TickToPlayerNext(benchmark::State& state) {
  Rig rig(Behaviour::kAnswers);
  if (!rig.ok()) {
    state.SkipWithError("no private bus or player");
    return;
  }
  std::vector<double> ms;
  for (auto _ : state) {
    std::size_t before = rig.player().CallCount();
    Clock::time_point start = Clock::now();
    rig.Tick();
    // Blocks, so that the waiting takes no core from the threads that carry the call.
    if (!rig.player().WaitForCalls(before + 1, std::chrono::seconds(5))) {
      state.SkipWithError("the player did not receive Next");
      return;
    }
    std::chrono::duration<double> took = rig.player().LastCallAt() - start;
    state.SetIterationTime(took.count());
    ms.push_back(took.count() * 1000);
  }
  state.counters["median_ms"] = Percentile(ms, 0.5);
  state.counters["p99_ms"] = Percentile(ms, 0.99);
}
BENCHMARK(BM_TickToPlayerNext)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// The handset thread's cost of a threshold tick: arg 0 no player, 1 a player that answers, 2 a
// player that never answers, 3 a player that answers and the feedback client (no daemon).
void BM_TickCost(benchmark::State& state) {
  std::optional<Behaviour> player;
  if (state.range(0) == 1 || state.range(0) == 3) player = Behaviour::kAnswers;
  if (state.range(0) == 2) player = Behaviour::kNeverAnswers;
  Rig rig(player, state.range(0) == 3);
  if (!rig.ok()) {
    state.SkipWithError("no private bus or player");
    return;
  }
  for (auto _ : state) rig.Tick();
}
BENCHMARK(BM_TickCost)
    ->ArgName("player")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

std::size_t HeapInUse() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// A player that releases its bus name and claims it again: the bridge ends the handset's player
// process and starts it again. Wall time per cycle, and the heap kept per cycle as a counter.
void BM_PlayerComesAndGoes(benchmark::State& state) {
  Rig rig(Behaviour::kAnswers);
  if (!rig.ok()) {
    state.SkipWithError("no private bus or player");
    return;
  }
  HandsetWaiter waiter(rig.handset());
  bool ok = true;
  auto cycle = [&] {
    rig.player().ReleaseName();
    ok = ok && waiter.Until([&] { return rig.bridge().pid() == 0; });
    rig.player().ClaimName();
    ok = ok && waiter.Until([&] { return rig.bridge().pid() != 0; });
  };
  rig.handset().StartProcess(u"\\Program Files\\Quorvane\\Quorvane.exe",
                             std::make_unique<RunsInStart>([&] {
                               for (int i = 0; i < 200; ++i) cycle();  // caches fill first
                               std::size_t before = HeapInUse();
                               for (auto _ : state) cycle();
                               state.counters["heap_bytes_per_cycle"] =
                                   (static_cast<double>(HeapInUse()) -
                                    static_cast<double>(before)) /
                                   static_cast<double>(state.iterations());
                             }));
  if (!ok) state.SkipWithError("the player did not come and go in time");
}
BENCHMARK(BM_PlayerComesAndGoes)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
