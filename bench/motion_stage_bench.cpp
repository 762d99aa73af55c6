// The driver's motion stage per sample (goal: under 100 ns, no allocation), and the stream a
// source adds to (stage and peak window). Figures in docs/performance.md.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "host/drivers/motion_stage.h"
#include "host/sensors/acc_stream.h"

namespace {

// A second of walking at 100 Hz, on gravity, in counts.
std::vector<host::AccCounts> Walking() {
  std::vector<host::AccCounts> samples;
  for (int i = 0; i < 100; ++i) {
    double phase = 2 * 3.14159265 * 2 * i / 100.0;
    samples.push_back({static_cast<std::int16_t>(20 * std::sin(phase)), 3,
                       static_cast<std::int16_t>(64 + 25 * std::sin(phase + 1))});
  }
  return samples;
}

void BM_MotionStage(benchmark::State& state) {
  const std::vector<host::AccCounts> samples = Walking();
  host::MotionStage stage(static_cast<host::MotionMode>(state.range(0)));
  std::int64_t t = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(stage.Apply(t, samples[static_cast<std::size_t>(t / 10 % 100)]));
    t += 10;
  }
  state.SetLabel(host::MotionModeName(stage.mode()));
}
BENCHMARK(BM_MotionStage)->Arg(0)->Arg(1)->Arg(2);

void BM_AccStreamAdd(benchmark::State& state) {
  const std::vector<host::AccCounts> samples = Walking();
  host::sensors::AccStream stream(host::kDefaultMotionMode);
  std::int64_t t = 0;
  for (auto _ : state) {
    stream.Add(t, samples[static_cast<std::size_t>(t / 10 % 100)]);
    t += 10;
  }
}
BENCHMARK(BM_AccStreamAdd);

}  // namespace

BENCHMARK_MAIN();
