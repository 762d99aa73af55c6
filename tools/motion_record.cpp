#include "tools/motion_record.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <variant>

#include "host/drivers/accelerometer.h"
#include "host/kernel/ending_signals.h"
#include "host/kernel/handset.h"
#include "motion/acc_api.h"
#include "tools/acc_source.h"

namespace tools {
namespace {

constexpr const char* kProgram = "quorvane-motion";

int Fail(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return kRecordFailed;
}

}  // namespace

int RunRecord(const RecordOptions& options, std::ostream& out, std::ostream& err) {
  if (!(options.rateHz >= 1 && options.rateHz <= 100)) {
    return Fail(err, "--rate: give 1 to 100 reads a second");
  }
  const std::optional<std::int64_t> rows = options.count;
  if (rows && *rows < 1) return Fail(err, "--count: give 1 or more rows");
  // A duration counts reads, also those that failed while the device was away.
  std::optional<std::int64_t> ticks;
  if (options.durationSeconds) {
    if (!(*options.durationSeconds > 0 && *options.durationSeconds <= 86'400)) {
      return Fail(err, "--duration: give more than 0 and at most 86400 seconds");
    }
    ticks = std::max<std::int64_t>(1, std::llround(*options.durationSeconds * options.rateHz));
  }

  // Before the sensor's reader thread starts: an ending signal ends the recording, its rows so
  // far kept (host/kernel/ending_signals.h).
  host::Result<std::unique_ptr<host::EndingSignals>> signals = host::EndingSignals::Open();
  if (!signals) return Fail(err, signals.error().message());
  host::EndingSignals& stop = **signals;
  host::SignalClock clock(&stop);
  std::unique_ptr<host::AccelerometerSensor> sensor;
  host::Result<AccSource> source = ParseAccSource(options.acc);
  if (!source) return Fail(err, "--acc " + options.acc + ": give iio, iio:NAME or replay:FILE");
  if (source->kind == AccSource::Kind::kIio) {
    auto opened = OpenIioSensor(source->detail, kProgram, err);
    if (!opened) return Fail(err, opened.error().message());
    sensor = std::move(*opened);
  } else if (source->kind == AccSource::Kind::kReplay) {
    host::Result<host::sensors::Recording> recording = LoadReplay(source->detail);
    if (!recording) return Fail(err, recording.error().message());
    sensor = std::make_unique<host::sensors::ReplaySensor>(std::move(*recording), clock);
  } else {
    return Fail(err, "--acc sim is tilted by hand in the window; record iio[:NAME] or replay:FILE");
  }

  std::ofstream file;
  if (options.outPath) {
    file.open(*options.outPath, std::ios::binary | std::ios::trunc);
    if (!file) return Fail(err, "cannot write " + *options.outPath);
  }
  std::ostream& rowsOut = options.outPath ? file : out;

  host::Handset handset(clock);
  host::AccelerometerDriver driver(*sensor);
  handset.RegisterDevice(host::kAccelerometerName, &driver);
  if (AccApiOpen() == 0) {
    handset.RegisterDevice(host::kAccelerometerName, nullptr);
    return Fail(err, "cannot open the accelerometer of --acc " + options.acc);
  }

  rowsOut << "ms,x,y,z\n" << std::flush;
  const double periodMs = 1000.0 / options.rateHz;
  const std::int64_t start = clock.NowMs();
  std::optional<std::int64_t> firstMs;
  std::int64_t written = 0;
  std::int64_t lastMs = 0;
  for (std::int64_t tick = 0;
       stop.Take() == 0 && (!rows || written < *rows) && (!ticks || tick < *ticks) && rowsOut;
       ++tick) {
    std::int64_t due = start + std::llround(tick * periodMs);
    // Behind: the periods missed are skipped, so times keep ascending.
    if (due < clock.NowMs()) continue;
    clock.WaitUntil(due);
    if (stop.received() != 0) break;
    // What the source measured, before the driver's clamp to bytes.
    std::optional<host::AccCounts> counts = sensor->ReadCounts(host::AccTap::kSource);
    if (!counts) continue;  // the device is away: no row
    std::int64_t now = clock.NowMs();
    if (!firstMs) firstMs = now;
    if (written > 0 && now - *firstMs <= lastMs) continue;  // one row a millisecond at most
    lastMs = now - *firstMs;
    rowsOut << lastMs << ',' << counts->x << ',' << counts->y << ',' << counts->z << '\n'
            << std::flush;
    ++written;
  }
  AccApiClose();
  handset.RegisterDevice(host::kAccelerometerName, nullptr);
  if (!rowsOut) {
    return Fail(err, "cannot write " + (options.outPath ? *options.outPath : "the rows"));
  }
  return kRecordOk;
}

}  // namespace tools
