// The motion lab on a corpus (quorvane-motion eval FILE... with --orientations, --flicks,
// --motion, --sweep; docs/motion.md): recordings of people's days, each turned into the ways a
// handset can be carried and given flicks of a known family with labels, evaluated per class
// (a file's name up to its first '_') and mode.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/crt/result.h"
#include "host/drivers/motion_stage.h"
#include "host/sensors/replay.h"
#include "tools/motion_eval.h"

namespace tools {

struct CorpusFile {
  std::string path;
  std::string name;   // the file's name
  std::string cls;    // the name up to its first '_' (without the extension when none)
  host::sensors::Recording recording;
};

// The recordings that paths name: each file, and each folder's *.csv files (not its
// subfolders), in name order. An error names the file and line of a recording's mistake, a
// path that does not exist, or a folder with no recordings.
host::Result<std::vector<CorpusFile>> LoadCorpus(const std::vector<std::string>& paths);

// The class of a file's name: up to its first '_', else up to its extension.
std::string ClassOf(const std::string& name);

// A way to hold the handset: which of the recording's axes (and their sign) become the
// device's x, y and z. The 24 axis-aligned rotations; 0 is the recording as it is.
using Orientation = std::array<std::array<int, 3>, 3>;
const std::vector<Orientation>& AllOrientations();
host::sensors::Recording Oriented(const host::sensors::Recording& recording,
                                  const Orientation& orientation);

// The flick family: the device's x axis ("next") or z axis ("previous"), chosen alike, gets
// +2.0 to +2.5 g for 60 to 120 ms, then -1.0 to -1.25 g for as long, added to what the
// recording holds; one every 6 to 10 s, the first 6 to 10 s after the start, each over a
// second before the recording's end. Each labelled on its first row; a flick that no row
// falls into is left out. Values are kept within +-32 g.
struct Flick {
  std::int64_t atMs = 0;
  Direction dir = Direction::kNext;
  double pushG = 0;
  double swingG = 0;
  std::int64_t lengthMs = 0;
};
std::vector<Flick> FlickTimes(std::int64_t endMs, std::uint64_t seed);
host::sensors::Recording WithFlicks(const host::sensors::Recording& recording,
                                    const std::vector<Flick>& flicks);

struct CorpusOptions {
  std::vector<host::MotionMode> modes{host::kDefaultMotionMode};
  bool allOrientations = false;
  bool flicks = false;
  std::uint64_t seed = 1;
  std::vector<int> thresholds{kDefaultThreshold};
};

// What one class did in one mode at one threshold, over its files and orientations.
struct ClassScore {
  int files = 0;
  int runs = 0;
  std::int64_t durationMs = 0;
  int labels = 0;
  int hits = 0;
  int falseCommands = 0;

  double Caught() const { return labels > 0 ? static_cast<double>(hits) / labels : 0; }
  double FalsePerHour() const;
};

struct CorpusKey {
  std::string cls;
  host::MotionMode mode;
  int threshold;
  auto operator<=>(const CorpusKey&) const = default;
};

struct CorpusResult {
  std::map<CorpusKey, ClassScore> scores;
  bool labelled = false;  // some run held labels
  std::vector<std::string> classes;  // in name order
};

// Runs every file in every orientation asked, mode and threshold. On failure of a run, the
// runner's diagnostics.
host::Result<CorpusResult> RunCorpus(const std::vector<CorpusFile>& files,
                                     const CorpusOptions& options);

}  // namespace tools
