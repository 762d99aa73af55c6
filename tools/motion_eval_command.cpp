#include "tools/motion_eval_command.h"

#include "tools/acc_source.h"
#include "tools/motion_plot.h"
#include "tools/motion_report.h"

namespace tools {
namespace {

constexpr char kProgram[] = "quorvane-motion";

int Fail(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return kEvalFailed;
}

}  // namespace

int RunEval(const EvalOptions& options, std::ostream& out, std::ostream& err) {
  host::Result<host::sensors::Recording> recording = LoadReplay(options.file);
  if (!recording) return Fail(err, recording.error().message());
  auto made = Evaluator::Make(std::move(*recording));
  if (auto* problem = std::get_if<std::string>(&made)) return Fail(err, *problem);
  Evaluator& evaluator = *std::get<std::unique_ptr<Evaluator>>(made);

  auto run = evaluator.Run(options.threshold);
  if (auto* problem = std::get_if<std::string>(&run)) return Fail(err, *problem);
  EvalReport report;
  report.run = std::get<EvalRun>(std::move(run));
  report.score = ScoreRun(evaluator.labels(), report.run);
  report.labelled = !evaluator.labels().empty();
  if (options.sweep) {
    auto rows = Sweep(evaluator);
    if (auto* problem = std::get_if<std::string>(&rows)) return Fail(err, *problem);
    report.sweep = std::get<std::vector<SweepRow>>(std::move(rows));
  }
  if (options.plotPath) {
    if (auto problem = WritePlot(evaluator.recording(), report.run, *options.plotPath)) {
      return Fail(err, *problem);
    }
  }
  if (options.json) {
    PrintJson(report, out);
  } else {
    PrintText(report, out);
  }
  out.flush();
  if (!out) return Fail(err, "cannot write the report");
  return kEvalOk;
}

}  // namespace tools
