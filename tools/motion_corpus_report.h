// What quorvane-motion eval prints for a corpus: per class and mode (and per threshold with
// --sweep) the runs, hours, flicks caught and false commands per hour, as text or one JSON
// object; and the picture of a sweep, false commands per hour and the share of flicks caught
// against sensitivity, one line per class and mode.
#pragma once

#include <ostream>
#include <string>

#include "host/crt/result.h"
#include "tools/motion_corpus.h"

namespace tools {

struct CorpusReport {
  CorpusResult result;
  CorpusOptions options;
  int threshold = kDefaultThreshold;  // the threshold of the summary
};

void PrintCorpusText(const CorpusReport& report, std::ostream& out);
void PrintCorpusJson(const CorpusReport& report, std::ostream& out);

// REQUIRES: report.options.thresholds holds the sweep (two thresholds or more).
host::Status WriteCorpusPlot(const CorpusReport& report, const std::string& path);

}  // namespace tools
