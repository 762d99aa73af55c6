#include "tools/motion_corpus_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "tools/picture_file.h"

namespace tools {
namespace {

std::string Row(const std::string& cls, host::MotionMode mode, int threshold,
                const ClassScore& s) {
  char caught[16] = "-";
  if (s.labels > 0) std::snprintf(caught, sizeof caught, "%.1f %%", 100.0 * s.Caught());
  char line[160];
  std::snprintf(line, sizeof line, "%-12s %-8s %9d %5d %5d %6.2f %6d %8s %6d %10.1f\n",
                cls.c_str(), host::MotionModeName(mode), threshold, s.files, s.runs,
                static_cast<double>(s.durationMs) / 3'600'000.0, s.labels, caught,
                s.falseCommands, s.FalsePerHour());
  return line;
}

constexpr char kHeader[] =
    "class        mode     threshold files  runs  hours flicks   caught  false false/hour\n";

}  // namespace

void PrintCorpusText(const CorpusReport& report, std::ostream& out) {
  const CorpusOptions& o = report.options;
  out << "orientations: " << (o.allOrientations ? "all 24" : "as recorded") << ", flicks: "
      << (o.flicks ? "added (seed " + std::to_string(o.seed) + ")" : "none") << '\n';
  out << kHeader;
  for (const std::string& cls : report.result.classes) {
    for (host::MotionMode mode : o.modes) {
      auto found = report.result.scores.find(CorpusKey{cls, mode, report.threshold});
      if (found != report.result.scores.end()) out << Row(cls, mode, report.threshold, found->second);
    }
  }
  if (o.thresholds.size() > 1) {
    out << "\nsweep\n" << kHeader;
    for (const auto& [key, score] : report.result.scores) out << Row(key.cls, key.mode, key.threshold, score);
  }
  if (!report.result.labelled) out << "(no labels: every command counts as false)\n";
}

void PrintCorpusJson(const CorpusReport& report, std::ostream& out) {
  auto entry = [](const CorpusKey& key, const ClassScore& s) {
    nlohmann::ordered_json row = {{"class", key.cls},
                                  {"mode", host::MotionModeName(key.mode)},
                                  {"threshold", key.threshold},
                                  {"files", s.files},
                                  {"runs", s.runs},
                                  {"duration_ms", s.durationMs},
                                  {"labels", s.labels},
                                  {"hits", s.hits},
                                  {"misses", s.labels - s.hits},
                                  {"false", s.falseCommands},
                                  {"false_per_hour", s.FalsePerHour()}};
    if (s.labels > 0) row["caught"] = s.Caught();
    return row;
  };
  nlohmann::ordered_json classes = nlohmann::ordered_json::array();
  nlohmann::ordered_json sweep = nlohmann::ordered_json::array();
  for (const auto& [key, score] : report.result.scores) {
    if (key.threshold == report.threshold) classes.push_back(entry(key, score));
    sweep.push_back(entry(key, score));
  }
  const CorpusOptions& o = report.options;
  nlohmann::ordered_json json = {{"orientations", o.allOrientations ? 24 : 1},
                                 {"flicks", o.flicks},
                                 {"threshold", report.threshold},
                                 {"classes", std::move(classes)}};
  if (o.flicks) json["seed"] = o.seed;
  if (o.thresholds.size() > 1) json["sweep"] = std::move(sweep);
  out << json.dump() << '\n';
}

namespace {

struct Colour {
  double r, g, b;
};
constexpr Colour kPalette[] = {{0.12, 0.47, 0.71}, {1.00, 0.50, 0.05}, {0.17, 0.63, 0.17},
                            {0.84, 0.15, 0.16}, {0.58, 0.40, 0.74}, {0.55, 0.34, 0.29}};

void Caption(cairo_t* cr, double x, double y, const std::string& text, double alignX = 0) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_move_to(cr, x - extents.x_advance * alignX, y);
  cairo_show_text(cr, text.c_str());
}

struct Panel {
  double left, right, top, bottom;
  double XOf(int threshold) const {
    return left + (right - left) * (threshold - kLowestThreshold) /
                      double(kHighestThreshold - kLowestThreshold);
  }
};

// False commands per hour on a log scale from 0.1 to 10,000 (0 drawn at the bottom).
double FalseY(const Panel& p, double perHour) {
  double decades = std::log10(std::clamp(perHour, 0.1, 10'000.0)) + 1;  // 0 .. 5
  return p.bottom - (p.bottom - p.top) * decades / 5;
}
double CaughtY(const Panel& p, double share) { return p.bottom - (p.bottom - p.top) * share; }

void DrawFrame(cairo_t* cr, const Panel& p, const std::string& title) {
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, p.left, p.top, p.right - p.left, p.bottom - p.top);
  cairo_stroke(cr);
  Caption(cr, p.left, p.top - 8, title);
  for (int t = kLowestThreshold; t <= kHighestThreshold; t += 8) {
    double x = p.XOf(t);
    cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
    cairo_move_to(cr, x, p.top);
    cairo_line_to(cr, x, p.bottom);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    char label[32];
    std::snprintf(label, sizeof label, "%d (%.2f g)", t, t / 64.0);
    Caption(cr, x, p.bottom + 16, label, 0.5);
  }
}

}  // namespace

host::Status WriteCorpusPlot(const CorpusReport& report, const std::string& path) {
  constexpr int kWidth = 1100, kHeight = 820;
  const Panel top{90, 860, 50, 360};
  const Panel bottom{90, 860, 440, 750};
  return WritePicture(path, kWidth, kHeight, [&](cairo_t* cr) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    DrawFrame(cr, top, "false commands per hour (log scale)");
    DrawFrame(cr, bottom, "flicks caught");
    Caption(cr, (top.left + top.right) / 2, kHeight - 20,
         "sensitivity (threshold, counts of 64 per g)", 0.5);
    for (double perHour : {0.1, 1.0, 10.0, 100.0, 1000.0, 10000.0}) {
      char label[32];
      std::snprintf(label, sizeof label, perHour < 1 ? "0" : "%.0f", perHour);
      Caption(cr, top.left - 6, FalseY(top, perHour) + 4, label, 1);
    }
    for (int percent = 0; percent <= 100; percent += 20) {
      Caption(cr, bottom.left - 6, CaughtY(bottom, percent / 100.0) + 4,
           std::to_string(percent) + " %", 1);
    }
    // The goal's marks: 1 false command per hour, 97 % caught; the default threshold.
    double dash[] = {5, 4};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
    cairo_move_to(cr, top.XOf(kDefaultThreshold), top.top);
    cairo_line_to(cr, top.XOf(kDefaultThreshold), top.bottom);
    cairo_move_to(cr, bottom.XOf(kDefaultThreshold), bottom.top);
    cairo_line_to(cr, bottom.XOf(kDefaultThreshold), bottom.bottom);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);

    const std::vector<host::MotionMode>& modes = report.options.modes;
    double legendY = 60;
    int line = 0;
    for (std::size_t c = 0; c < report.result.classes.size(); ++c) {
      const std::string& cls = report.result.classes[c];
      const Colour colour = kPalette[c % std::size(kPalette)];
      for (std::size_t m = 0; m < modes.size(); ++m, ++line) {
        // One dash pattern per mode: solid, dashed, dotted.
        const double dashes[3][2] = {{1, 0}, {8, 4}, {2, 3}};
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        cairo_set_line_width(cr, 2);
        if (m % 3 != 0) {
          cairo_set_dash(cr, dashes[m % 3], 2, 0);
        }
        bool anyLabels = false;
        for (int pass = 0; pass < 2; ++pass) {
          const Panel& p = pass == 0 ? top : bottom;
          bool first = true;
          for (int t : report.options.thresholds) {
            auto found = report.result.scores.find(CorpusKey{cls, modes[m], t});
            if (found == report.result.scores.end()) continue;
            if (pass == 1 && found->second.labels == 0) continue;
            anyLabels = anyLabels || pass == 1;
            double y = pass == 0 ? FalseY(p, found->second.FalsePerHour())
                                 : CaughtY(p, found->second.Caught());
            if (first) cairo_move_to(cr, p.XOf(t), y);
            else cairo_line_to(cr, p.XOf(t), y);
            first = false;
          }
          cairo_stroke(cr);
        }
        cairo_move_to(cr, 880, legendY + 20 * line);
        cairo_line_to(cr, 910, legendY + 20 * line);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        Caption(cr, 916, legendY + 20 * line + 4,
             cls + ", " + host::MotionModeName(modes[m]) + (anyLabels ? "" : " (no flicks)"));
      }
    }
  });
}

}  // namespace tools
