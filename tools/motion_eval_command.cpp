#include "tools/motion_eval_command.h"

#include <algorithm>
#include <filesystem>

#include "tools/acc_source.h"
#include "tools/motion_corpus.h"
#include "tools/motion_corpus_report.h"
#include "tools/motion_plot.h"
#include "tools/motion_report.h"

namespace tools {
namespace {

constexpr char kProgram[] = "quorvane-motion";

int Fail(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return kEvalFailed;
}

std::vector<int> AllThresholds() {
  std::vector<int> all;
  for (int t = kLowestThreshold; t <= kHighestThreshold; ++t) all.push_back(t);
  return all;
}

int Finish(std::ostream& out, std::ostream& err) {
  out.flush();
  if (!out) return Fail(err, "cannot write the report");
  return kEvalOk;
}

// One file, one mode, as the lab always evaluated it.
int RunOne(const EvalOptions& options, std::ostream& out, std::ostream& err) {
  host::Result<host::sensors::Recording> recording = LoadReplay(options.paths.front());
  if (!recording) return Fail(err, recording.error().message());
  auto made = Evaluator::Make(std::move(*recording), options.modes.front());
  if (auto* problem = std::get_if<std::string>(&made)) return Fail(err, *problem);
  Evaluator& evaluator = *std::get<std::unique_ptr<Evaluator>>(made);

  auto run = evaluator.Run(options.threshold);
  if (auto* problem = std::get_if<std::string>(&run)) return Fail(err, *problem);
  EvalReport report;
  report.run = std::get<EvalRun>(std::move(run));
  report.score = ScoreRun(evaluator.labels(), report.run);
  report.labelled = !evaluator.labels().empty();
  std::optional<int> recommended;
  if (options.sweep) {
    auto rows = Sweep(evaluator);
    if (auto* problem = std::get_if<std::string>(&rows)) return Fail(err, *problem);
    report.sweep = std::get<std::vector<SweepRow>>(std::move(rows));
    report.recommended = Recommended(*report.sweep, report.labelled, options.falsePerHourTarget);
    recommended = report.recommended->threshold;
  }
  if (options.plotPath) {
    host::Status written =
        WritePlot(evaluator.recording(), report.run, recommended, *options.plotPath);
    if (!written) return Fail(err, written.error().message());
  }
  if (options.json) {
    PrintJson(report, out);
  } else {
    PrintText(report, out);
  }
  return Finish(out, err);
}

int RunMany(const EvalOptions& options, std::ostream& out, std::ostream& err) {
  host::Result<std::vector<CorpusFile>> files = LoadCorpus(options.paths);
  if (!files) return Fail(err, files.error().message());
  CorpusReport report;
  report.threshold = options.threshold;
  report.options.modes = options.modes;
  report.options.allOrientations = options.allOrientations;
  report.options.flicks = options.flicks;
  report.options.seed = options.seed;
  // A plot of a corpus is its sweep.
  report.options.thresholds =
      options.sweep || options.plotPath ? AllThresholds() : std::vector<int>{options.threshold};
  host::Result<CorpusResult> result = RunCorpus(*files, report.options);
  if (!result) return Fail(err, result.error().message());
  report.result = std::move(*result);
  if (options.plotPath) {
    host::Status written = WriteCorpusPlot(report, *options.plotPath);
    if (!written) return Fail(err, written.error().message());
  }
  if (options.json) {
    PrintCorpusJson(report, out);
  } else {
    PrintCorpusText(report, out);
  }
  return Finish(out, err);
}

}  // namespace

std::optional<std::vector<host::MotionMode>> MotionModesNamed(const std::string& text) {
  if (text == "all") return std::vector{host::MotionMode::kRaw, host::MotionMode::kGravity,
                                        host::MotionMode::kFlick};
  std::vector<host::MotionMode> modes;
  std::size_t from = 0;
  while (true) {
    std::size_t comma = text.find(',', from);
    std::optional<host::MotionMode> mode = host::MotionModeNamed(
        std::string_view(text).substr(from, comma == std::string::npos ? comma : comma - from));
    if (!mode) return std::nullopt;
    if (std::find(modes.begin(), modes.end(), *mode) == modes.end()) modes.push_back(*mode);
    if (comma == std::string::npos) return modes;
    from = comma + 1;
  }
}

int RunEval(const EvalOptions& options, std::ostream& out, std::ostream& err) {
  if (options.paths.empty()) return Fail(err, "eval: give a recording, or several, or a folder");
  std::error_code error;
  bool corpus = options.paths.size() > 1 || options.allOrientations || options.flicks ||
                options.modes.size() > 1 ||
                std::filesystem::is_directory(options.paths.front(), error);
  return corpus ? RunMany(options, out, err) : RunOne(options, out, err);
}

}  // namespace tools
