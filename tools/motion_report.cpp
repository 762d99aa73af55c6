#include "tools/motion_report.h"

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace tools {
namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

void PrintScore(const Score& score, std::ostream& out) {
  out << "labels: " << score.labels << ", hits " << score.hits << ", misses " << score.misses
      << ", false commands " << score.falseCommands << " (" << Fixed(score.falsePerHour, 1)
      << " per hour)\n";
}

void PrintSweep(const std::vector<SweepRow>& rows, const Recommendation& best,
                std::ostream& out) {
  out << "\nthreshold  commands  hits  misses  false  false/hour\n";
  for (const SweepRow& row : rows) {
    char line[96];
    std::snprintf(line, sizeof line, "%9d  %8zu  %4d  %6d  %5d  %10s\n", row.run.threshold,
                  row.run.commands.size(), row.score.hits, row.score.misses,
                  row.score.falseCommands, Fixed(row.score.falsePerHour, 1).c_str());
    out << line;
  }
  const Score& score =
      rows[static_cast<std::size_t>(best.threshold - rows.front().run.threshold)].score;
  out << "recommended sensitivity: " << best.threshold << " (hits " << score.hits
      << ", false commands " << score.falseCommands << "; " << best.rule << ")\n";
}

nlohmann::ordered_json ScoreJson(const Score& score) {
  return {{"labels", score.labels},
          {"hits", score.hits},
          {"misses", score.misses},
          {"false", score.falseCommands},
          {"false_per_hour", score.falsePerHour}};
}

}  // namespace

double PerMinute(const EvalRun& run) {
  if (run.durationMs <= 0) return 0;
  return static_cast<double>(run.commands.size()) * 60'000.0 / static_cast<double>(run.durationMs);
}

void PrintText(const EvalReport& report, std::ostream& out) {
  const EvalRun& run = report.run;
  for (const PlayerCommand& command : run.commands) {
    out << command.ms << " ms  " << DirectionName(command.dir) << '\n';
  }
  out << "commands: " << run.commands.size() << " (" << Fixed(PerMinute(run), 2)
      << " per minute) in " << Fixed(static_cast<double>(run.durationMs) / 1000.0, 1) << " s ("
      << run.ticks << " ticks, " << run.reads << " reads), threshold " << run.threshold << '\n';
  if (report.labelled) PrintScore(report.score, out);
  if (report.sweep) {
    PrintSweep(*report.sweep, *report.recommended, out);
    if (!report.labelled) out << "(the recording holds no labels: every command counts as false)\n";
  }
}

void PrintJson(const EvalReport& report, std::ostream& out) {
  const EvalRun& run = report.run;
  nlohmann::ordered_json commands = nlohmann::ordered_json::array();
  for (const PlayerCommand& command : run.commands) {
    commands.push_back({{"ms", command.ms}, {"dir", DirectionName(command.dir)}});
  }
  nlohmann::ordered_json json = {{"commands", std::move(commands)},
                                 {"ticks", run.ticks},
                                 {"reads", run.reads},
                                 {"duration_ms", run.durationMs},
                                 {"per_minute", PerMinute(run)},
                                 {"threshold", run.threshold}};
  if (report.labelled) json.update(ScoreJson(report.score));
  if (report.sweep) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const SweepRow& row : *report.sweep) {
      nlohmann::ordered_json entry = {{"threshold", row.run.threshold},
                                      {"commands", row.run.commands.size()}};
      entry.update(ScoreJson(row.score));
      rows.push_back(std::move(entry));
    }
    json["sweep"] = std::move(rows);
    json["recommended"] = report.recommended->threshold;
    json["recommended_rule"] = report.recommended->rule;
  }
  out << json.dump() << '\n';
}

}  // namespace tools
