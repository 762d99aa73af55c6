// Replaying a recorded tilt: an accelerometer back-end that plays a recording against the
// handset's clock, in real time, over and over.
//
// A recording is CSV text, one sample a line: "milliseconds,x,y,z", the time from the start of
// the recording and three values in counts of 64 per g, as the sensor measured them, within
// +-kMaxAccCounts (32 g), e.g. "2500,125,0,-3" or "2500,190,0,-3" (a read clamps it to bytes). Spaces around the
// fields are allowed. Blank lines and lines whose first non-blank character is '#' are skipped;
// the first other line may be a header (its first field holds no digit, e.g. "ms,x,y,z"). Times
// ascend strictly. An optional fifth field labels the row where a person began an intended
// gesture: "next" or "previous" (empty: no label); replaying ignores it, an evaluation scores
// against it (docs/motion.md). Each sample holds from its time until the next line's; the last one for
// kLastSampleMs, and then the recording starts again from its beginning. Before the first
// line's time the handset lies at rest (0, 0, 0). Times go up to kMaxRecordedMs; a file may
// hold up to kMaxRecordingBytes.
//
// The lines are the samples of a stream (acc_stream.h): the motion stage sees each line at its
// time, and a read returns the peak window over its output, per axis the highest value of the
// lines of the last 100 ms, else the sample held. A read after a long pause (more than
// kReplayCatchUpMs of recording) starts the stage afresh kReplayWarmUpMs before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/crt/result.h"
#include "host/drivers/accelerometer.h"
#include "host/kernel/clock.h"
#include "host/sensors/acc_stream.h"

namespace host::sensors {

// How long the last sample of a recording holds: one poll of the application.
inline constexpr std::int64_t kLastSampleMs = 100;
// The latest time a sample may have: about 31 years, so that the length of a round stays far
// from overflowing.
inline constexpr std::int64_t kMaxRecordedMs = 1'000'000'000'000;
// The largest recording file (1 GiB); a larger one, or an endless device, is refused.
inline constexpr std::size_t kMaxRecordingBytes = std::size_t{1} << 30;
inline constexpr std::int64_t kReplayCatchUpMs = 60'000;
inline constexpr std::int64_t kReplayWarmUpMs = 10'000;

// The gesture a person meant to make, as a recording's fifth field names it.
enum class GestureLabel { kNone, kNext, kPrevious };

struct RecordedSample {
  std::int64_t atMs = 0;
  AccCounts sample;
  GestureLabel label = GestureLabel::kNone;
  bool operator==(const RecordedSample&) const = default;
};

struct Recording {
  std::vector<RecordedSample> samples;  // not empty; times strictly ascending

  // From 0 to the end of the last sample; one round of the loop.
  std::int64_t LengthMs() const { return samples.back().atMs + kLastSampleMs; }
  // The sample at ms into one round (0 <= ms < LengthMs()).
  AccCounts At(std::int64_t ms) const;
};

// The recording, or what is wrong with it and at which line (Error::line(); 0 when it concerns
// no one line).
host::Result<Recording> ParseRecording(std::string_view text);
// Reads and parses the file; a file that cannot be read is an error at no line.
host::Result<Recording> LoadRecording(const std::string& path);

class ReplaySensor final : public AccelerometerSensor {
 public:
  // Plays the recording from startMs on the clock (the handset's start by default).
  // REQUIRES: clock outlives the sensor.
  ReplaySensor(Recording recording, const Clock& clock, std::int64_t startMs = 0)
      : m_recording(std::move(recording)), m_clock(&clock), m_startMs(startMs) {}
  // Plays the recording from the start of whichever handset is current when it is read (at
  // rest while there is none), for a sensor made before its handset.
  explicit ReplaySensor(Recording recording) : m_recording(std::move(recording)) {}

  bool Present() const override { return true; }
  std::optional<AccSample> Read() override { return ClampedToBytes(Peak()); }
  std::optional<AccCounts> ReadCounts(AccTap tap) override { return Peak(tap); }
  // The stage's mode (raw until set); the stage starts afresh.
  bool SetMotionMode(MotionMode mode) override;
  std::optional<MotionMode> motion_mode() const override { return m_stream.mode(); }

  // The sample held at the clock's time now.
  AccCounts Sample() const;
  // What a read returns now, before the clamp: the peak window over the lines of the last
  // 100 ms, after the motion stage (kStaged) or as recorded (kSource).
  AccCounts Peak(AccTap tap = AccTap::kStaged);

 private:
  // The clock's time in the recording (negative before its start); nullopt without a clock.
  std::optional<std::int64_t> Since() const;
  // Adds the lines up to since (in the recording's time, looped) to the stream.
  void FeedUntil(std::int64_t since);
  // Starts the stream afresh at fromMs, with the sample held then.
  void Restart(std::int64_t fromMs);

  Recording m_recording;
  const Clock* m_clock = nullptr;  // null: the current handset's
  std::int64_t m_startMs = 0;

  AccStream m_stream;
  // The next line to add: its round of the loop and its index; whether the round's start at
  // rest was added; the latest time added (nullopt: nothing yet).
  std::int64_t m_round = 0;
  std::size_t m_row = 0;
  bool m_roundStarted = false;
  std::optional<std::int64_t> m_fedMs;
};

}  // namespace host::sensors
