// The cost of time passing: the message loop's ticks and the script mode in virtual time
// (docs/performance.md, "Virtual time and the message loop").
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/kernel/trace.h"
#include "host/scenario/script_mode.h"
#include "tests/support/temp_folder.h"
#include "tools/quorvane_program.h"

namespace {

namespace fs = std::filesystem;

constexpr UINT kPollPeriodMs = 100;
constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
constexpr std::int64_t kTicksPerDay = kDayMs / kPollPeriodMs;

// A deaf tick: the loop hands a due WM_TIMER to a window whose procedure does what the
// application does while deaf (counts the tick). The clock jumps to each due time.
void BM_DeafTick(benchmark::State& state) {
  host::VirtualClock clock;
  host::Handset handset(clock);
  int ticks = 0;
  HWND hwnd = handset.CreateWindow(u"", u"w", RECT{0, 0, 480, 720}, 0,
                                   [&ticks](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
                                     if (msg == WM_TIMER) ++ticks;
                                     return 0;
                                   });
  handset.SetTimer(hwnd, 1, kPollPeriodMs);
  MSG msg;
  for (auto _ : state) {
    handset.GetMessage(&msg);
    handset.DispatchMessage(msg);
  }
  benchmark::DoNotOptimize(ticks);
}
BENCHMARK(BM_DeafTick);

// Turns the application's loop one tick per benchmark iteration: every wait lets the clock
// jump to the next due timer; when the benchmark has run enough, the application is ended.
class TickPerIteration final : public host::InputSource {
 public:
  TickPerIteration(host::VirtualClock& clock, benchmark::State& state)
      : m_clock(clock), m_state(state) {}
  bool Idle(std::int64_t wakeAtMs) override {
    // The start-up's one-shot timers run before the measurement: the poll runs alone then.
    if (m_clock.NowMs() < kWarmUpMs) {
      m_clock.AdvanceTo(std::max(wakeAtMs, m_clock.NowMs()));
      return wakeAtMs >= 0;
    }
    if (wakeAtMs < 0 || !m_state.KeepRunning()) return false;
    if (wakeAtMs > m_clock.NowMs()) m_clock.AdvanceTo(wakeAtMs);
    return true;
  }

 private:
  static constexpr std::int64_t kWarmUpMs = 10'000;
  host::VirtualClock& m_clock;
  benchmark::State& m_state;
};

// Discards the trace's lines, as a trace to /dev/null would, without the kernel.
class NullBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A listening tick of the real application with the simulated accelerometer at rest and no
// drawing: the loop, one device read, the status text, the invalidation. state.range(0): 1
// with a JSON Lines trace written to nothing, 0 with none.
void BM_ListeningTick(benchmark::State& state) {
  test_support::TempFolder root("qv-loop-bench");
  host::VirtualClock clock;
  host::Handset handset(clock, root.string());
  NullBuffer discard;
  std::ostream out(&discard);
  host::JsonLinesTrace trace(out);
  if (state.range(0) != 0) handset.set_trace(&trace);
  host::SimulatedAccelerometer sensor;
  host::AccelerometerDriver driver(sensor);
  handset.RegisterDevice(host::kAccelerometerName, &driver);
  TickPerIteration input(clock, state);
  handset.set_input(&input);
  host::launch::Executable application = QuorvaneExecutable();
  host::launch::RunToExit(handset, application.make(), application.path);
  handset.set_input(nullptr);
  handset.set_trace(nullptr);
  handset.RegisterDevice(host::kAccelerometerName, nullptr);
}
BENCHMARK(BM_ListeningTick)->ArgName("trace")->Arg(0)->Arg(1);

// quorvane --script over a day of virtual time with gesture control on (864,000 poll ticks):
// the whole run, start-up and exit processing included. state.range(0): 0 no trace, 1 a trace
// to a file. Counter ticks_per_s: poll ticks per second of CPU.
void BM_ScriptDay(benchmark::State& state) {
  test_support::TempFolder folder("qv-loop-bench");
  host::scenario::ScriptModeOptions options;
  options.scriptPath = folder.string() + "/day.qvs";
  std::ofstream(options.scriptPath) << "start\nwait " << kDayMs << "\n";
  options.root = folder.string() + "/root";
  if (state.range(0) != 0) options.tracePath = folder.string() + "/trace.jsonl";
  std::ostringstream out;
  std::ostringstream err;
  for (auto _ : state) {
    if (host::scenario::RunScriptMode(options, QuorvaneExecutable(), out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      break;
    }
  }
  state.counters["ticks_per_s"] = benchmark::Counter(
      static_cast<double>(kTicksPerDay), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ScriptDay)->ArgName("trace")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The largest resident set this process has had so far, in bytes. The peak, not the resident set
// now: what a run keeps growing (a vector doubling its capacity) is freed at its end, and large
// blocks go back to the system then.
double PeakResidentBytes() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

// Writes the script "player running, tilted past the threshold, start, wait ms" into folder:
// the application tells the player "next" every time its deaf time ends (every 2.1 s).
host::scenario::ScriptModeOptions CommandsScript(const std::string& folder, std::int64_t ms) {
  host::scenario::ScriptModeOptions options;
  options.scriptPath = folder + "/commands-" + std::to_string(ms) + ".qvs";
  std::ofstream(options.scriptPath) << "player running\nsample 127 0 0\nstart\nwait " << ms << "\n";
  options.root = folder + "/root";
  return options;
}

// A day of commands (about 41,000 "next"). An hour of them runs first, unmeasured, so the
// memory a run needs has been used already. Counter rss_growth: how many bytes the peak resident
// set grew during the day after that (what the day needs beyond what an hour needs).
void BM_ScriptDayOfCommands(benchmark::State& state) {
  test_support::TempFolder folder("qv-loop-bench");
  std::ostringstream out;
  std::ostringstream err;
  host::scenario::RunScriptMode(CommandsScript(folder.string(), kDayMs / 24), QuorvaneExecutable(),
                                out, err);
  host::scenario::ScriptModeOptions day = CommandsScript(folder.string(), kDayMs);
  double growth = 0;
  for (auto _ : state) {
    double before = PeakResidentBytes();
    if (host::scenario::RunScriptMode(day, QuorvaneExecutable(), out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      break;
    }
    growth = PeakResidentBytes() - before;
  }
  state.counters["rss_growth"] = growth;
}
BENCHMARK(BM_ScriptDayOfCommands)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
