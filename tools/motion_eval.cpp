#include "tools/motion_eval.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "host/files/root_folder.h"
#include "host/kernel/clock.h"
#include "host/kernel/handset.h"
#include "host/programs/music_player.h"
#include "host/programs/songs.h"
#include "host/scenario/commands.h"
#include "host/scenario/runner.h"
#include "tools/quorvane_program.h"

namespace tools {
namespace {

using host::sensors::GestureLabel;
using host::sensors::Recording;

// The recording behind ACC0:, counting the reads the application makes.
class CountingSensor final : public host::AccelerometerSensor {
 public:
  CountingSensor(const Recording& recording, const host::Clock& clock)
      : m_replay(recording, clock) {}
  bool Present() const override { return true; }
  std::optional<host::AccSample> Read() override {
    ++m_reads;
    return m_replay.Read();
  }
  std::optional<host::AccCounts> ReadCounts(host::AccTap tap) override {
    ++m_reads;
    return m_replay.ReadCounts(tap);
  }
  bool SetMotionMode(host::MotionMode mode) override { return m_replay.SetMotionMode(mode); }
  std::int64_t reads() const { return m_reads; }

 private:
  host::sensors::ReplaySensor m_replay;
  std::int64_t m_reads = 0;
};

// Script waits of endMs in all, each within what a script's wait takes.
std::string Waits(std::int64_t endMs) {
  constexpr std::int64_t kLongestWait = 2'147'483'647;
  std::string waits;
  do {
    std::int64_t wait = std::min(endMs, kLongestWait);
    waits += "wait " + std::to_string(wait) + "\n";
    endMs -= wait;
  } while (endMs > 0);
  return waits;
}

// What went wrong with a run, without the lines of the script that drives it: the
// diagnostics' first line, past "eval:LINE: ".
std::string RunProblem(const std::string& diagnostics) {
  std::string line = diagnostics.substr(0, diagnostics.find('\n'));
  if (line.rfind("eval:", 0) == 0) {
    std::size_t colon = line.find(": ");
    if (colon != std::string::npos) line = line.substr(colon + 2);
  }
  return "the application could not be run over the recording (" + line + ")";
}

// The settings the run starts from: gesture control on, both thresholds at threshold, and
// nothing that would hide windows or toggle playback on its own.
std::string EvalScript(int threshold, std::int64_t endMs) {
  std::string n = std::to_string(threshold);
  return "write \"\\Program Files\\Quorvane\\config.ini\" \"[Powered By Zelbin]\" \"  minacc_x=" +
         n + "\" \"  minacc_y=" + n + "\" \"  minacc_z=" + n +
         "\" \"  autoacc=1\" \"  autohide=0\" \"  autorun=0\" \"  autoplay=0\"\n"
         "start\n" + Waits(endMs);
}

}  // namespace

const char* DirectionName(Direction direction) {
  return direction == Direction::kNext ? "next" : "previous";
}

std::vector<Label> LabelsOf(const Recording& recording) {
  std::vector<Label> labels;
  for (const host::sensors::RecordedSample& row : recording.samples) {
    if (row.label == GestureLabel::kNone) continue;
    labels.push_back(
        {row.atMs, row.label == GestureLabel::kNext ? Direction::kNext : Direction::kPrevious});
  }
  return labels;
}

Score ScoreRun(const std::vector<Label>& labels, const EvalRun& run) {
  Score score;
  score.labels = static_cast<int>(labels.size());
  // Labels and commands are in time order: per direction, the commands before the next one
  // to answer are taken or too early for every later label. Linear in both.
  std::size_t next[2] = {0, 0};
  const std::vector<PlayerCommand>& commands = run.commands;
  for (const Label& label : labels) {
    std::size_t& i = next[label.dir == Direction::kNext ? 0 : 1];
    while (i < commands.size() && (commands[i].dir != label.dir || commands[i].ms < label.ms)) ++i;
    if (i < commands.size() && commands[i].ms <= label.ms + kHitWindowMs) {
      ++score.hits;
      ++i;
    }
  }
  score.misses = score.labels - score.hits;
  score.falseCommands = static_cast<int>(run.commands.size()) - score.hits;
  if (run.durationMs > 0) {
    score.falsePerHour = score.falseCommands * 3'600'000.0 / static_cast<double>(run.durationMs);
  }
  return score;
}

struct Evaluator::Root {
  std::unique_ptr<host::RootFolder> folder;
};

std::variant<std::unique_ptr<Evaluator>, std::string> Evaluator::Make(Recording recording,
                                                                     host::MotionMode mode) {
  host::Result<std::unique_ptr<host::RootFolder>> made = host::RootFolder::Make(std::nullopt);
  if (!made) return made.error().message();
  auto root = std::make_unique<Root>(Root{std::move(*made)});
  return std::unique_ptr<Evaluator>(new Evaluator(std::move(recording), mode, std::move(root)));
}

Evaluator::Evaluator(Recording recording, host::MotionMode mode, std::unique_ptr<Root> root)
    : m_recording(std::move(recording)),
      m_mode(mode),
      m_labels(LabelsOf(m_recording)),
      m_root(std::move(root)) {}

void Evaluator::Use(Recording recording, host::MotionMode mode) {
  m_recording = std::move(recording);
  m_mode = mode;
  m_labels = LabelsOf(m_recording);
}

Evaluator::~Evaluator() = default;

std::variant<EvalRun, std::string> Evaluator::Run(int threshold) {
  EvalRun run;
  run.threshold = threshold;
  run.ticks = m_recording.samples.back().atMs / kPollMs;
  run.durationMs = run.ticks * kPollMs;
  host::Result<std::vector<host::scenario::Command>> script =
      host::scenario::ParseScript(EvalScript(threshold, run.durationMs));
  if (!script) return RunProblem(script.error().message());

  std::ostringstream diagnostics;
  host::VirtualClock clock;
  host::Handset handset(clock, m_root->folder->path());
  host::scenario::Runner runner(handset, *std::move(script), "eval",
                                QuorvaneExecutable(), diagnostics);
  // ACC0: plays the recording; the player is the built-in one, running from the start.
  CountingSensor sensor(m_recording, clock);
  sensor.SetMotionMode(m_mode);
  host::AccelerometerDriver driver(sensor);
  handset.RegisterDevice(host::kAccelerometerName, &driver);
  host::programs::MusicPlayerService player(handset, host::programs::BuiltInSongs());
  player.AddListener([&](const host::programs::PlayerChange& change) {
    using host::programs::PlayerEvent;
    if (change.event == PlayerEvent::kNext) run.commands.push_back({clock.NowMs(), Direction::kNext});
    if (change.event == PlayerEvent::kPrevious) {
      run.commands.push_back({clock.NowMs(), Direction::kPrevious});
    }
  });
  handset.Launch(host::programs::kMusicPlayerPath);
  host::scenario::RunStatus status = runner.Run();
  handset.RegisterDevice(host::kAccelerometerName, nullptr);
  if (status != host::scenario::RunStatus::kCompleted) return RunProblem(diagnostics.str());
  run.reads = sensor.reads();
  return run;
}

std::variant<std::vector<SweepRow>, std::string> Sweep(Evaluator& evaluator) {
  std::vector<SweepRow> rows;
  for (int threshold = kLowestThreshold; threshold <= kHighestThreshold; ++threshold) {
    std::variant<EvalRun, std::string> run = evaluator.Run(threshold);
    if (auto* problem = std::get_if<std::string>(&run)) return *problem;
    EvalRun& done = std::get<EvalRun>(run);
    Score score = ScoreRun(evaluator.labels(), done);
    rows.push_back({std::move(done), score});
  }
  return rows;
}

Recommendation Recommended(const std::vector<SweepRow>& rows, bool labelled,
                           double falsePerHourTarget) {
  std::vector<const SweepRow*> usable;
  for (const SweepRow& row : rows) {
    if (row.run.threshold < kHighestThreshold) usable.push_back(&row);
  }
  if (usable.empty()) usable.push_back(&rows.front());
  auto fixed = [](double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return std::string(text);
  };
  if (labelled) {
    const SweepRow* best = usable.front();
    for (const SweepRow* row : usable) {
      int merit = row->score.hits - row->score.falseCommands;
      int bestMerit = best->score.hits - best->score.falseCommands;
      if (merit > bestMerit || (merit == bestMerit && row->run.threshold > best->run.threshold)) {
        best = row;
      }
    }
    return {best->run.threshold, "the most hits less false commands; of equals, the highest"};
  }
  for (const SweepRow* row : usable) {
    if (row->score.falsePerHour <= falsePerHourTarget) {
      return {row->run.threshold, "the lowest with at most " + fixed(falsePerHourTarget) +
                                      " false commands per hour"};
    }
  }
  const SweepRow* fewest = usable.front();
  for (const SweepRow* row : usable) {
    if (row->score.falseCommands <= fewest->score.falseCommands) fewest = row;
  }
  return {fewest->run.threshold, "none has at most " + fixed(falsePerHourTarget) +
                                     " false commands per hour: the fewest; of equals, the "
                                     "highest"};
}

}  // namespace tools
