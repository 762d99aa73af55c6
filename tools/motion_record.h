// quorvane-motion record: what the application would read from ACC0:, one read per row, as a
// recording that --acc replay:FILE plays back ("ms,x,y,z", ms counted from the first read).
//
// The source is opened through the application's own accelerometer layer (motion/acc_api.h) on
// a handset whose ACC0: is the source's back-end: the same driver, mapping and peak window. A
// row holds what the source measured (counts of 64 per g, also beyond -128..127), before the
// motion stage and the driver's clamp to bytes, so that eval and replay can put it through any
// stage.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace tools {

inline constexpr int kRecordOk = 0;
inline constexpr int kRecordFailed = 2;

struct RecordOptions {
  std::string acc = "iio";                // iio, iio:NAME or replay:FILE
  double rateHz = 10;                     // reads a second, 1 to 100 (the application: 10)
  std::optional<std::int64_t> count;      // rows; with neither count nor duration, until a signal
  std::optional<double> durationSeconds;  // reads for this long: rate * duration reads
  std::optional<std::string> outPath;     // default: out
};

// Records; rows go to options.outPath or out, problems to err as one line "quorvane-motion:
// ...". Returns kRecordOk, or kRecordFailed when the source or the output cannot be used.
// SIGINT, SIGTERM and SIGHUP end the recording early (its rows so far are kept).
// REQUIRES: no other thread runs yet (the signals are blocked here for the threads to come).
int RunRecord(const RecordOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tools
