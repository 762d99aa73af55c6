// quorvane-motion eval: what the application does with a recording. The application itself runs
// over it (the scenario runner on a fresh handset in virtual time, the recording behind ACC0: with
// its peak window, the built-in player running, gesture control on, both thresholds at one
// value), and the commands it gives the player are scored against the recording's labels.
//
// ms 0 of the recording is the application's start; the recording does not loop: the run ends
// with the last poll tick at or before the recording's last row.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/drivers/motion_stage.h"
#include "host/sensors/replay.h"

namespace tools {

// The sensitivity slider's range, and its default (the settings' default thresholds).
inline constexpr int kLowestThreshold = 80;
inline constexpr int kHighestThreshold = 128;
inline constexpr int kDefaultThreshold = 120;
// The application's poll period.
inline constexpr std::int64_t kPollMs = 100;
// A command of the label's direction this long after the label (inclusive) answers it.
inline constexpr std::int64_t kHitWindowMs = 1000;

enum class Direction { kNext, kPrevious };

// "next" or "previous".
const char* DirectionName(Direction direction);

struct PlayerCommand {
  std::int64_t ms = 0;  // the poll tick's time
  Direction dir = Direction::kNext;
  bool operator==(const PlayerCommand&) const = default;
};

struct EvalRun {
  int threshold = kDefaultThreshold;
  std::vector<PlayerCommand> commands;  // in time order
  std::int64_t ticks = 0;       // poll ticks from the start to the end
  std::int64_t reads = 0;       // of them, those that read a sample (the others were deaf)
  std::int64_t durationMs = 0;  // the last tick's time
};

struct Score {
  int labels = 0;
  int hits = 0;    // labels answered by a command
  int misses = 0;  // labels not answered
  int falseCommands = 0;  // commands that answer no label
  double falsePerHour = 0;
};

struct Label {
  std::int64_t ms = 0;
  Direction dir = Direction::kNext;
};

// The recording's labels, in time order.
std::vector<Label> LabelsOf(const host::sensors::Recording& recording);

// Matches each label with the first command of its direction within kHitWindowMs after it that
// no earlier label took. A command answers one label at most. Linear in labels and commands.
// REQUIRES: labels and run.commands in time order.
Score ScoreRun(const std::vector<Label>& labels, const EvalRun& run);

// Runs the application over one recording, as often as asked, with the recording's samples
// through the driver's motion stage of one mode. Holds a temporary handset root for its runs.
class Evaluator {
 public:
  // The Evaluator or what went wrong (the root folder), in one line.
  static std::variant<std::unique_ptr<Evaluator>, std::string> Make(
      host::sensors::Recording recording, host::MotionMode mode);
  ~Evaluator();
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  // One run of the application with minacc_x, minacc_y and minacc_z at threshold
  // (kLowestThreshold to kHighestThreshold). On failure of the run, the runner's diagnostics.
  std::variant<EvalRun, std::string> Run(int threshold);

  const host::sensors::Recording& recording() const { return m_recording; }
  const std::vector<Label>& labels() const { return m_labels; }
  host::MotionMode mode() const { return m_mode; }
  // Later runs use this recording and mode (the same root).
  void Use(host::sensors::Recording recording, host::MotionMode mode);

 private:
  struct Root;
  Evaluator(host::sensors::Recording recording, host::MotionMode mode, std::unique_ptr<Root> root);

  host::sensors::Recording m_recording;
  host::MotionMode m_mode;
  std::vector<Label> m_labels;
  std::unique_ptr<Root> m_root;
};

struct SweepRow {
  EvalRun run;
  Score score;
};

// Every threshold of the slider's range, lowest first; or the first failure.
std::variant<std::vector<SweepRow>, std::string> Sweep(Evaluator& evaluator);

// How often everyday movement may change the song, by default, when a recording without labels
// chooses the sensitivity.
inline constexpr double kDefaultFalsePerHourTarget = 1.0;

struct Recommendation {
  int threshold = kDefaultThreshold;
  std::string rule;  // which rule chose it, for a person
};

// The sweep's choice, never a threshold at which nothing can trigger (kHighestThreshold).
// With labels: the most hits minus false commands; of equals, the highest. Without: the lowest
// threshold whose false commands per hour are at most falsePerHourTarget; when none is, the
// one with the fewest (of equals, the highest).
// REQUIRES: rows not empty, in threshold order.
Recommendation Recommended(const std::vector<SweepRow>& rows, bool labelled,
                           double falsePerHourTarget = kDefaultFalsePerHourTarget);

}  // namespace tools
