// quorvane-motion eval's speed: the application run over an hour recorded at 100 Hz (goal: under
// 1 s), and the sweep's 49 runs over ten minutes. Figures in docs/performance.md.
#include <benchmark/benchmark.h>

#include <variant>

#include "tests/tools/motion_recordings.h"
#include "tools/motion_eval.h"

namespace {

using test_support::G;

// Walking for the whole time, with a labelled flick every 30 s.
std::unique_ptr<tools::Evaluator> WalkingWithFlicks(std::int64_t minutes) {
  std::int64_t endMs = minutes * 60'000;
  test_support::RecordingBuilder builder(endMs);
  builder.Walking(0, endMs);
  for (std::int64_t t = 15'000; t < endMs; t += 30'000) builder.FlickX(t, 80, G(2.0), "next");
  auto recording = host::sensors::ParseRecording(builder.Csv());
  auto made = tools::Evaluator::Make(std::move(*recording),
                                     host::MotionMode::kRaw);
  return std::get<std::unique_ptr<tools::Evaluator>>(std::move(made));
}

void BM_EvaluateHourAt100Hz(benchmark::State& state) {
  std::unique_ptr<tools::Evaluator> evaluator = WalkingWithFlicks(60);
  std::size_t commands = 0;
  for (auto _ : state) {
    auto run = evaluator->Run(tools::kDefaultThreshold);
    commands = std::get<tools::EvalRun>(run).commands.size();
  }
  state.counters["commands"] = static_cast<double>(commands);
  state.counters["ticks"] = 36'000;
}
BENCHMARK(BM_EvaluateHourAt100Hz)->Unit(benchmark::kMillisecond);

void BM_SweepTenMinutesAt100Hz(benchmark::State& state) {
  std::unique_ptr<tools::Evaluator> evaluator = WalkingWithFlicks(10);
  for (auto _ : state) {
    auto rows = tools::Sweep(*evaluator);
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_SweepTenMinutesAt100Hz)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
