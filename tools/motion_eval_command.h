// quorvane-motion eval FILE... [--threshold N] [--motion MODE[,MODE...]|all]
//     [--orientations all] [--flicks [--seed N]] [--sweep [--false-per-hour F]] [--json]
//     [--plot OUT.svg|OUT.png]
// (docs/motion.md): the front end over motion_eval.h, motion_corpus.h, the reports and plots.
// One file without the corpus options is evaluated as before: its commands and their score.
// Several files, a folder, --orientations, --flicks or several modes make a corpus: the
// report per class and mode.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/motion_eval.h"

namespace tools {

inline constexpr int kEvalOk = 0;
inline constexpr int kEvalFailed = 2;

struct EvalOptions {
  std::vector<std::string> paths;  // recordings, or folders of them
  int threshold = kDefaultThreshold;  // kLowestThreshold to kHighestThreshold
  std::vector<host::MotionMode> modes{host::kDefaultMotionMode};
  bool allOrientations = false;
  bool flicks = false;
  std::uint64_t seed = 1;
  bool json = false;
  bool sweep = false;
  double falsePerHourTarget = kDefaultFalsePerHourTarget;
  std::optional<std::string> plotPath;
};

// "--motion" as given: MODE, MODE,MODE... or all; nullopt for an unknown mode.
std::optional<std::vector<host::MotionMode>> MotionModesNamed(const std::string& text);

// Evaluates; the report goes to out, problems to err as one line "quorvane-motion: ..." (a
// recording's mistake as "FILE:LINE: message"). Returns kEvalOk, or kEvalFailed when the
// recording or the plot cannot be used.
int RunEval(const EvalOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tools
