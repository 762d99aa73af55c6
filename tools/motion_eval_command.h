// quorvane-motion eval FILE [--threshold N] [--json] [--sweep] [--plot OUT.svg|OUT.png]
// (docs/motion.md): the front end over motion_eval.h, motion_report.h and motion_plot.h.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "tools/motion_eval.h"

namespace tools {

inline constexpr int kEvalOk = 0;
inline constexpr int kEvalFailed = 2;

struct EvalOptions {
  std::string file;
  int threshold = kDefaultThreshold;  // kLowestThreshold to kHighestThreshold
  bool json = false;
  bool sweep = false;
  std::optional<std::string> plotPath;
};

// Evaluates; the report goes to out, problems to err as one line "quorvane-motion: ..." (a
// recording's mistake as "FILE:LINE: message"). Returns kEvalOk, or kEvalFailed when the
// recording or the plot cannot be used.
int RunEval(const EvalOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tools
