// quorvane-motion: the handset's motion, measured from the host's command line.
//
//   quorvane-motion record [--acc SOURCE] [--rate HZ] [--count N | --duration S] [--out FILE]
//
// Each command is a subcommand of its own (docs/sensors.md). Exit status 0 on success, 2 when
// the options or the source cannot be used.
#include <CLI/CLI.hpp>

#include <iostream>

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

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"quorvane-motion: the handset's motion from the host's command line.",
               "quorvane-motion"};
  app.require_subcommand(1);
  tools::RecordOptions record;
  AddRecord(app, record);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kUsageError;
  }
  if (app.got_subcommand("record")) return tools::RunRecord(record, std::cout, std::cerr);
  return kUsageError;
}
