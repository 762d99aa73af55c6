// The IIO back-end's per-sample costs: mapping one raw reading to the handset's bytes (the goal:
// under 200 ns), the peak window, and one read of the three raw files (here from tmpfs files,
// which stand in for sysfs attributes). Figures in docs/performance.md.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include "host/sensors/iio_device.h"
#include "host/sensors/iio_mapping.h"
#include "host/sensors/iio_sensor.h"
#include "host/sensors/peak_window.h"
#include "tests/support/temp_folder.h"

namespace {

using host::sensors::IioCalibration;

void BM_MapRawSample(benchmark::State& state) {
  IioCalibration calibration;
  calibration.scale = {0.009576806, 0.009576806, 0.009576806};
  calibration.offset = {-3, 2, 0};
  calibration.matrix = {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}};
  std::array<long, 3> raw{12, -1300, 1024};
  for (auto _ : state) {
    benchmark::DoNotOptimize(raw);
    benchmark::DoNotOptimize(host::sensors::MapRawSample(calibration, raw));
    raw[0] = (raw[0] + 7) & 1023;
  }
}
BENCHMARK(BM_MapRawSample);

void BM_PeakWindowAddAndRead(benchmark::State& state) {
  host::sensors::PeakWindow window;
  std::int64_t t = 0;
  for (auto _ : state) {
    t += 10;
    window.Add(t, host::AccCounts{static_cast<std::int16_t>(t & 127), 0, 64});
    benchmark::DoNotOptimize(window.Peak(t));
  }
}
BENCHMARK(BM_PeakWindowAddAndRead);

void BM_ReadRawFiles(benchmark::State& state) {
  test_support::TempFolder folder("quorvane-iio");
  std::string dir = folder.string();
  for (const char* axis : {"x", "y", "z"}) {
    std::ofstream(dir + "/in_accel_" + std::string(axis) + "_raw") << "-1234\n";
  }
  host::sensors::IioRawFiles files(dir);
  std::array<long, 3> raw;
  host::sensors::IioReadFailure failure;
  for (auto _ : state) benchmark::DoNotOptimize(files.Read(raw, failure));
}
BENCHMARK(BM_ReadRawFiles);

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The process's CPU over span as a share of a core, with toggle(true) at its start and
// toggle(false) at its end.
template <class Toggle>
double CpuPercentOver(std::chrono::seconds span, Toggle toggle) {
  double before = ProcessCpuSeconds();
  auto start = std::chrono::steady_clock::now();
  toggle(true);
  std::this_thread::sleep_for(span);
  toggle(false);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return 100 * (ProcessCpuSeconds() - before) / wall;
}

// The reader thread at 100 Hz for 5 s while this thread sleeps: the share of a core it takes
// (counter cpu_percent), files on tmpfs standing in for sysfs.
void BM_ReaderThreadCpu(benchmark::State& state) {
  test_support::TempFolder folder("quorvane-iio");
  std::string dir = folder.string();
  for (const char* axis : {"x", "y", "z"}) {
    std::ofstream(dir + "/in_accel_" + std::string(axis) + "_raw") << "-1234\n";
  }
  host::RealClock clock;
  for (auto _ : state) {
    host::sensors::IioAccelerometer device;
    device.sysPath = dir;
    device.sysName = "iio:device0";
    device.raw = host::sensors::IioRawFiles(dir);
    host::sensors::IioSensor sensor(std::move(device), "", clock, {});
    state.counters["cpu_percent"] = CpuPercentOver(std::chrono::seconds(5), [&](bool start) {
      if (start) {
        sensor.Opened();
      } else {
        sensor.Closed();
      }
    });
  }
}
BENCHMARK(BM_ReaderThreadCpu)->Iterations(1)->Unit(benchmark::kSecond);

// The floor under the reader's cost on this machine: a thread that only wakes at 100 Hz.
void BM_BareWakeups100Hz(benchmark::State& state) {
  for (auto _ : state) {
    std::jthread sleeper;
    state.counters["cpu_percent"] = CpuPercentOver(std::chrono::seconds(5), [&](bool start) {
      if (!start) {
        sleeper.request_stop();
        sleeper.join();
        return;
      }
      sleeper = std::jthread([](std::stop_token stop) {
        auto next = std::chrono::steady_clock::now();
        while (!stop.stop_requested()) {
          next += std::chrono::milliseconds(10);
          std::this_thread::sleep_until(next);
        }
      });
    });
  }
}
BENCHMARK(BM_BareWakeups100Hz)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
