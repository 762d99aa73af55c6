// quorvane-motion: the handset's motion, measured from the host's command line.
//
//   quorvane-motion record [--acc SOURCE] [--rate HZ] [--count N | --duration S] [--out FILE]
//   quorvane-motion eval FILE... [--threshold N] [--motion MODE[,MODE...]|all]
//       [--orientations all] [--flicks [--seed N]] [--sweep [--false-per-hour F]] [--json]
//       [--plot OUT.svg|OUT.png]
//
// Each command is a subcommand of its own (docs/sensors.md, docs/motion.md). Exit status 0 on
// success, 2 when the options, the source or the recording cannot be used.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "tools/motion_eval_command.h"
#include "tools/motion_plot.h"
#include "tools/motion_record.h"

namespace {

constexpr int kUsageError = 2;

void AddRecord(CLI::App& app, tools::RecordOptions& options) {
  CLI::App* record = app.add_subcommand(
      "record",
      "Read the accelerometer as the application does (the same driver, mapping and peak "
      "window) and write one CSV row \"ms,x,y,z\" per read, a recording that --acc "
      "replay:FILE plays back.");
  record->add_option("--acc", options.acc,
                     "Where the samples come from: iio (the first IIO accelerometer), iio:NAME "
                     "(by its name attribute or sysfs name), or replay:FILE. Default: iio.")
      ->type_name("SOURCE");
  record->add_option("--rate", options.rateHz,
                     "Reads a second, 1 to 100. Default: 10, as the application polls.")
      ->type_name("HZ");
  CLI::Option* count =
      record->add_option("--count", options.count, "Stop after N rows.")->type_name("N");
  record->add_option("--duration", options.durationSeconds, "Stop after S seconds of reads.")
      ->type_name("S")
      ->excludes(count);
  record->add_option("--out", options.outPath, "Write the rows to FILE. Default: standard output.")
      ->type_name("FILE");
}

void AddEval(CLI::App& app, tools::EvalOptions& options, std::string& motion,
             std::string& orientations) {
  CLI::App* eval = app.add_subcommand(
      "eval",
      "Run the application over a recording in virtual time (the recording behind ACC0:, a "
      "player running, gesture control on) and report the commands it gives, scored against "
      "the recording's labels.");
  eval->add_option("FILE", options.paths,
                   "The recordings (ms,x,y,z[,label] rows), or folders of them (their *.csv). "
                   "Several files or a folder are a corpus: the report is per class (a file's "
                   "name up to its first '_') and mode.")
      ->required()
      ->type_name("FILE...");
  eval->add_option("--motion", motion,
                   "The driver's motion stage: raw, gravity or flick (docs/motion.md), several "
                   "separated by commas, or all. Default: " +
                       std::string(host::MotionModeName(host::kDefaultMotionMode)) + ".")
      ->type_name("MODE");
  eval->add_option("--orientations", orientations,
                   "all: evaluate each recording in the 24 axis-aligned ways to hold the "
                   "handset.")
      ->type_name("all")
      ->check(CLI::IsMember({"all"}));
  CLI::Option* flicks = eval->add_flag(
      "--flicks", options.flicks,
      "Add labelled flicks of the lab's family (docs/motion.md) at random times.");
  eval->add_option("--seed", options.seed, "The seed of --flicks' random times. Default: 1.")
      ->type_name("N")
      ->needs(flicks);
  eval->add_option("--threshold", options.threshold,
                   "Both thresholds, as the sensitivity slider sets them. Default: 120.")
      ->type_name("N")
      ->check(CLI::Range(tools::kLowestThreshold, tools::kHighestThreshold));
  eval->add_flag("--json", options.json, "Print one JSON object instead of text.");
  CLI::Option* sweep = eval->add_flag(
      "--sweep", options.sweep,
      "Also evaluate every threshold from 80 to 128 (per mode) and recommend one.");
  eval->add_option("--false-per-hour", options.falsePerHourTarget,
                   "With --sweep of a recording without labels: recommend the lowest threshold "
                   "with at most F false commands per hour. Default: 1.")
      ->type_name("F")
      ->check(CLI::NonNegativeNumber)
      ->needs(sweep);
  eval->add_option("--plot", options.plotPath,
                   "Draw x and z, the threshold, the commands, deaf times and labels into "
                   "OUT.svg or OUT.png; for a corpus, its sweep: false commands per hour and "
                   "flicks caught against the threshold, per class and mode.")
      ->type_name("OUT")
      ->check([](const std::string& path) {
        return tools::PlotFormatOf(path) ? std::string() : "the name must end in .svg or .png";
      });
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"quorvane-motion: the handset's motion from the host's command line.",
               "quorvane-motion"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("quorvane-motion ") + QV_VERSION);
  tools::RecordOptions record;
  AddRecord(app, record);
  tools::EvalOptions eval;
  std::string motion = host::MotionModeName(host::kDefaultMotionMode);
  std::string orientations;
  AddEval(app, eval, motion, orientations);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kUsageError;
  }
  if (app.got_subcommand("record")) return tools::RunRecord(record, std::cout, std::cerr);
  if (app.got_subcommand("eval")) {
    std::optional<std::vector<host::MotionMode>> modes = tools::MotionModesNamed(motion);
    if (!modes) {
      std::cerr << "quorvane-motion: --motion " << motion << ": give "
                << host::MotionModeNames() << " (several separated by commas), or all\n";
      return kUsageError;
    }
    eval.modes = *modes;
    eval.allOrientations = orientations == "all";
    return tools::RunEval(eval, std::cout, std::cerr);
  }
  return kUsageError;
}
