// What quorvane-motion eval prints: the commands of one run with a summary, the sweep's table
// and its recommendation, as text for a person or as one JSON object.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "tools/motion_eval.h"

namespace tools {

struct EvalReport {
  EvalRun run;
  Score score;
  bool labelled = false;                   // the recording holds labels
  std::optional<std::vector<SweepRow>> sweep;  // with --sweep
  std::optional<Recommendation> recommended;   // with --sweep
};

// Commands per minute of the run's duration (0 for an empty one).
double PerMinute(const EvalRun& run);

void PrintText(const EvalReport& report, std::ostream& out);
void PrintJson(const EvalReport& report, std::ostream& out);

}  // namespace tools
