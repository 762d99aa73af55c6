#include "tools/motion_corpus.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "tools/acc_source.h"

namespace tools {
namespace {

namespace fs = std::filesystem;
using host::sensors::Recording;

// SplitMix64: a small generator whose sequence is the same on every machine.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [low, high).
  double Between(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }

 private:
  std::uint64_t m_state;
};

std::uint64_t NameHash(const std::string& name) {
  std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
  for (unsigned char c : name) hash = (hash ^ c) * 0x100000001B3ull;
  return hash;
}

std::vector<Orientation> MakeOrientations() {
  std::vector<Orientation> all;
  std::array<int, 3> axes = {0, 1, 2};
  do {
    for (int signs = 0; signs < 8; ++signs) {
      Orientation m{};
      for (int row = 0; row < 3; ++row) m[row][axes[row]] = (signs >> row & 1) ? -1 : 1;
      int det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
      if (det == 1) all.push_back(m);
    }
  } while (std::next_permutation(axes.begin(), axes.end()));
  return all;
}

std::int16_t Within32G(long value) {
  return static_cast<std::int16_t>(std::clamp<long>(value, -host::kMaxAccCounts,
                                                    host::kMaxAccCounts));
}

host::Status AddFile(const fs::path& path, std::vector<CorpusFile>& files) {
  host::Result<Recording> recording = LoadReplay(path.string());
  if (!recording) return recording.error();
  std::string name = path.filename().string();
  files.push_back({path.string(), name, ClassOf(name), std::move(*recording)});
  return host::Ok();
}

}  // namespace

std::string ClassOf(const std::string& name) {
  std::size_t underscore = name.find('_');
  if (underscore != std::string::npos) return name.substr(0, underscore);
  return fs::path(name).stem().string();
}

host::Result<std::vector<CorpusFile>> LoadCorpus(const std::vector<std::string>& paths) {
  std::vector<CorpusFile> files;
  for (const std::string& path : paths) {
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) {
      return host::Error(path + ": no such file or folder");
    }
    if (!fs::is_directory(status)) {
      if (host::Status added = AddFile(path, files); !added) return added.error();
      continue;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
      if (entry.path().extension() == ".csv" && entry.is_regular_file()) {
        found.push_back(entry.path());
      }
    }
    if (error) return host::Error::FromErrno(path, error.value());
    if (found.empty()) return host::Error(path + ": the folder holds no recordings (*.csv)");
    std::sort(found.begin(), found.end());
    for (const fs::path& file : found) {
      if (host::Status added = AddFile(file, files); !added) return added.error();
    }
  }
  return files;
}

const std::vector<Orientation>& AllOrientations() {
  static const std::vector<Orientation> all = MakeOrientations();
  return all;
}

Recording Oriented(const Recording& recording, const Orientation& m) {
  Recording turned = recording;
  for (host::sensors::RecordedSample& row : turned.samples) {
    const long v[3] = {row.sample.x, row.sample.y, row.sample.z};
    long out[3];
    for (int axis = 0; axis < 3; ++axis) {
      out[axis] = m[axis][0] * v[0] + m[axis][1] * v[1] + m[axis][2] * v[2];
    }
    row.sample = host::AccCounts{Within32G(out[0]), Within32G(out[1]), Within32G(out[2])};
  }
  return turned;
}

std::vector<Flick> FlickTimes(std::int64_t endMs, std::uint64_t seed) {
  Random random(seed);
  std::vector<Flick> flicks;
  for (double at = random.Between(6000, 10000); at + kHitWindowMs <= static_cast<double>(endMs);
       at += random.Between(6000, 10000)) {
    Flick flick;
    flick.atMs = static_cast<std::int64_t>(at);
    flick.dir = (random.Next() >> 63) != 0 ? Direction::kPrevious : Direction::kNext;
    flick.pushG = random.Between(2.0, 2.5);
    flick.swingG = random.Between(1.0, 1.25);
    flick.lengthMs = static_cast<std::int64_t>(random.Between(60, 120));
    flicks.push_back(flick);
  }
  return flicks;
}

Recording WithFlicks(const Recording& recording, const std::vector<Flick>& flicks) {
  Recording flicked = recording;
  for (host::sensors::RecordedSample& row : flicked.samples) row.label = {};
  std::vector<host::sensors::RecordedSample>& rows = flicked.samples;
  for (const Flick& flick : flicks) {
    auto first = std::lower_bound(
        rows.begin(), rows.end(), flick.atMs,
        [](const host::sensors::RecordedSample& s, std::int64_t t) { return s.atMs < t; });
    bool labelled = false;
    for (auto row = first; row != rows.end() && row->atMs < flick.atMs + 2 * flick.lengthMs;
         ++row) {
      bool push = row->atMs < flick.atMs + flick.lengthMs;
      long add = std::lround(host::kAccCountsPerG * (push ? flick.pushG : -flick.swingG));
      std::int16_t& axis = flick.dir == Direction::kNext ? row->sample.x : row->sample.z;
      axis = Within32G(axis + add);
      if (push && !labelled) {
        row->label = flick.dir == Direction::kNext ? host::sensors::GestureLabel::kNext
                                                   : host::sensors::GestureLabel::kPrevious;
        labelled = true;
      }
    }
  }
  return flicked;
}

double ClassScore::FalsePerHour() const {
  return durationMs > 0 ? falseCommands * 3'600'000.0 / static_cast<double>(durationMs) : 0;
}

host::Result<CorpusResult> RunCorpus(const std::vector<CorpusFile>& files,
                                     const CorpusOptions& options) {
  CorpusResult result;
  std::unique_ptr<Evaluator> evaluator;
  const std::vector<Orientation> identity = {AllOrientations().front()};
  const std::vector<Orientation>& orientations =
      options.allOrientations ? AllOrientations() : identity;
  for (const CorpusFile& file : files) {
    if (std::find(result.classes.begin(), result.classes.end(), file.cls) ==
        result.classes.end()) {
      result.classes.push_back(file.cls);
    }
    for (std::size_t turn = 0; turn < orientations.size(); ++turn) {
      Recording recording = Oriented(file.recording, orientations[turn]);
      if (options.flicks) {
        std::uint64_t seed = options.seed ^ NameHash(file.name) ^ (turn * 0x9E3779B97F4A7C15ull);
        recording = WithFlicks(recording, FlickTimes(recording.samples.back().atMs, seed));
      }
      for (host::MotionMode mode : options.modes) {
        if (evaluator == nullptr) {
          auto made = Evaluator::Make(recording, mode);
          if (auto* problem = std::get_if<std::string>(&made)) return host::Error(*problem);
          evaluator = std::get<std::unique_ptr<Evaluator>>(std::move(made));
        } else {
          evaluator->Use(recording, mode);
        }
        result.labelled = result.labelled || !evaluator->labels().empty();
        for (int threshold : options.thresholds) {
          auto run = evaluator->Run(threshold);
          if (auto* problem = std::get_if<std::string>(&run)) {
            return host::Error(file.path + ": " + *problem);
          }
          const EvalRun& done = std::get<EvalRun>(run);
          Score score = ScoreRun(evaluator->labels(), done);
          ClassScore& sum = result.scores[CorpusKey{file.cls, mode, threshold}];
          if (turn == 0) ++sum.files;
          ++sum.runs;
          sum.durationMs += done.durationMs;
          sum.labels += score.labels;
          sum.hits += score.hits;
          sum.falseCommands += score.falseCommands;
        }
      }
    }
  }
  return result;
}

}  // namespace tools
