#include "tools/motion_plot.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>


namespace tools {
namespace {

using host::sensors::Recording;

// The detector reads again 20 ticks after a command.
constexpr std::int64_t kDeafMs = 20 * kPollMs;
constexpr double kOneG = 64;  // the driver's bytes per g

struct Rgb {
  double r, g, b;
};
constexpr Rgb kXColour{0.12, 0.47, 0.71};
constexpr Rgb kZColour{1.00, 0.50, 0.05};
constexpr Rgb kThresholdColour{0.84, 0.15, 0.16};
constexpr Rgb kRecommendedColour{0.55, 0.34, 0.29};
constexpr Rgb kNextColour{0.17, 0.63, 0.17};
constexpr Rgb kPreviousColour{0.58, 0.40, 0.74};
constexpr Rgb kGrid{0.85, 0.85, 0.85};
constexpr Rgb kText{0.2, 0.2, 0.2};

void SetColour(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void Text(cairo_t* cr, double x, double y, const std::string& text, double alignX = 0) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_move_to(cr, x - extents.x_advance * alignX, y);
  cairo_show_text(cr, text.c_str());
}

// A triangle around (x, y) pointing up for next, down for previous; filled or outlined.
enum class Fill { kSolid, kOutline };
void Triangle(cairo_t* cr, double x, double y, Direction dir, Fill fill) {
  double tip = dir == Direction::kNext ? -7 : 7;
  cairo_move_to(cr, x, y + tip);
  cairo_line_to(cr, x - 6, y - tip);
  cairo_line_to(cr, x + 6, y - tip);
  cairo_close_path(cr);
  SetColour(cr, dir == Direction::kNext ? kNextColour : kPreviousColour);
  if (fill == Fill::kSolid) {
    cairo_fill(cr);
  } else {
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
  }
}

// A tick every 1, 2 or 5 times a power of ten seconds, about ten across.
std::int64_t TimeStepMs(std::int64_t spanMs) {
  static constexpr std::int64_t kFactors[] = {1, 2, 5};
  for (std::int64_t power = 1000;; power *= 10) {
    for (std::int64_t factor : kFactors) {
      if (spanMs / (power * factor) <= 10) return power * factor;
    }
  }
}

void DrawAxes(cairo_t* cr, const PlotFrame& f) {
  cairo_set_font_size(cr, 12);
  cairo_set_line_width(cr, 1);
  for (int g = -2; g <= 2; ++g) {
    double y = f.YOf(std::clamp(g * kOneG, -128.0, 127.0));
    SetColour(cr, kGrid);
    cairo_move_to(cr, f.left, y);
    cairo_line_to(cr, f.right, y);
    cairo_stroke(cr);
    SetColour(cr, kText);
    // The slider's units beside g: counts of 64 per g.
    Text(cr, f.left - 6, y + 4,
         std::to_string(g) + " g (" + std::to_string(static_cast<int>(std::clamp(g * kOneG, -128.0, 127.0))) + ")", 1);
  }
  std::int64_t step = TimeStepMs(f.spanMs);
  for (std::int64_t ms = 0; ms <= f.spanMs; ms += step) {
    double x = f.XOf(ms);
    SetColour(cr, kGrid);
    cairo_move_to(cr, x, f.top);
    cairo_line_to(cr, x, f.bottom);
    cairo_stroke(cr);
    SetColour(cr, kText);
    Text(cr, x, f.bottom + 62, std::to_string(ms / 1000) + " s", 0.5);
  }
}

void DrawDeafTimes(cairo_t* cr, const PlotFrame& f, const EvalRun& run) {
  cairo_set_source_rgb(cr, 0.92, 0.92, 0.92);
  auto shade = [&](std::int64_t fromMs, std::int64_t toMs) {
    double x0 = f.XOf(fromMs);
    double x1 = f.XOf(std::min(toMs, f.spanMs));
    cairo_rectangle(cr, x0, f.top, std::max(x1 - x0, 1.0), f.bottom - f.top);
  };
  // After start-up the first read is on the 21st tick; after a command, on the 20th.
  shade(0, kDeafMs + kPollMs);
  for (const PlayerCommand& command : run.commands) shade(command.ms, command.ms + kDeafMs);
  cairo_fill(cr);
}

// Each row holds until the next one.
void StepPath(cairo_t* cr, const PlotFrame& f, const Recording& recording,
              std::int16_t host::AccCounts::*axis) {
  double y = f.YOf(0);  // at rest before the first row
  cairo_move_to(cr, f.XOf(0), y);
  for (const host::sensors::RecordedSample& row : recording.samples) {
    cairo_line_to(cr, f.XOf(row.atMs), y);
    y = f.YOf(row.sample.*axis);
    cairo_line_to(cr, f.XOf(row.atMs), y);
  }
}

// Rows denser than the pixels: per pixel column a line from the lowest to the highest value,
// so that a long recording stays a small picture and no peak is lost.
void EnvelopePath(cairo_t* cr, const PlotFrame& f, const Recording& recording,
                  std::int16_t host::AccCounts::*axis) {
  long column = -1;
  double low = 0, high = 0;
  auto flush = [&] {
    if (column < 0) return;
    cairo_line_to(cr, static_cast<double>(column), low);
    cairo_line_to(cr, static_cast<double>(column), high);
  };
  cairo_move_to(cr, f.XOf(0), f.YOf(0));
  for (const host::sensors::RecordedSample& row : recording.samples) {
    long at = std::lround(f.XOf(row.atMs));
    double y = f.YOf(row.sample.*axis);
    if (at != column) {
      flush();
      column = at;
      low = high = y;
    }
    low = std::min(low, y);
    high = std::max(high, y);
  }
  flush();
}

void DrawAxis(cairo_t* cr, const PlotFrame& f, const Recording& recording,
              std::int16_t host::AccCounts::*axis, Rgb colour) {
  SetColour(cr, colour);
  cairo_set_line_width(cr, 1.2);
  if (static_cast<double>(recording.samples.size()) > 2 * (f.right - f.left)) {
    EnvelopePath(cr, f, recording, axis);
  } else {
    StepPath(cr, f, recording, axis);
  }
  cairo_stroke(cr);
}

void DrawThreshold(cairo_t* cr, const PlotFrame& f, int threshold, Rgb colour) {
  double dash[] = {6, 4};
  cairo_set_dash(cr, dash, 2, 0);
  SetColour(cr, colour);
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, f.left, f.YOf(threshold));
  cairo_line_to(cr, f.right, f.YOf(threshold));
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

void DrawMarks(cairo_t* cr, const PlotFrame& f, const std::vector<Label>& labels,
               const EvalRun& run) {
  for (const Label& label : labels) {
    Triangle(cr, f.XOf(label.ms), f.LabelY(label.dir), label.dir, Fill::kOutline);
  }
  for (const PlayerCommand& command : run.commands) {
    double x = f.XOf(command.ms);
    SetColour(cr, command.dir == Direction::kNext ? kNextColour : kPreviousColour);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x, f.top);
    cairo_line_to(cr, x, f.bottom);
    cairo_stroke(cr);
    Triangle(cr, x, f.MarkY(command.dir), command.dir, Fill::kSolid);
  }
}

void DrawLegend(cairo_t* cr, const PlotFrame& f, const EvalRun& run,
                std::optional<int> recommended) {
  cairo_set_font_size(cr, 13);
  double x = f.left;
  auto swatch = [&](Rgb colour, const std::string& text) {
    SetColour(cr, colour);
    cairo_rectangle(cr, x, 14, 16, 4);
    cairo_fill(cr);
    SetColour(cr, kText);
    Text(cr, x + 22, 21, text);
    x += 34 + 7.5 * static_cast<double>(text.size());
  };
  swatch(kXColour, "x (next)");
  swatch(kZColour, "z (previous)");
  swatch(kThresholdColour, "threshold " + std::to_string(run.threshold));
  if (recommended && *recommended != run.threshold) {
    swatch(kRecommendedColour, "recommended " + std::to_string(*recommended));
  }
  cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
  cairo_rectangle(cr, x, 10, 16, 12);
  cairo_fill(cr);
  SetColour(cr, kText);
  Text(cr, x + 22, 21, "deaf 2 s");
  Text(cr, f.right, 21,
       "filled: command, outlined: label; up: next, down: previous; " +
           std::to_string(run.commands.size()) + " commands",
       1);
}

void Draw(cairo_t* cr, const PlotFrame& f, const Recording& recording, const EvalRun& run,
          std::optional<int> recommended) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  DrawDeafTimes(cr, f, run);
  DrawAxes(cr, f);
  cairo_save(cr);
  cairo_rectangle(cr, f.left, f.top, f.right - f.left, f.bottom - f.top);
  cairo_clip(cr);
  DrawAxis(cr, f, recording, &host::AccCounts::x, kXColour);
  DrawAxis(cr, f, recording, &host::AccCounts::z, kZColour);
  DrawThreshold(cr, f, run.threshold, kThresholdColour);
  if (recommended && *recommended != run.threshold) {
    DrawThreshold(cr, f, *recommended, kRecommendedColour);
  }
  cairo_restore(cr);
  DrawMarks(cr, f, LabelsOf(recording), run);
  DrawLegend(cr, f, run, recommended);
}

}  // namespace

double PlotFrame::XOf(std::int64_t ms) const {
  return left + (right - left) * static_cast<double>(ms) / static_cast<double>(spanMs);
}

double PlotFrame::YOf(double value) const {
  // -130 at the bottom, 130 at the top: the whole byte range with a little room.
  return bottom - (bottom - top) * (value + 130) / 260;
}

PlotFrame FrameFor(const Recording& recording) {
  PlotFrame frame;
  frame.spanMs = std::max<std::int64_t>(recording.samples.back().atMs, 1);
  return frame;
}

host::Status WritePlot(const Recording& recording, const EvalRun& run,
                       std::optional<int> recommended, const std::string& path) {
  PlotFrame frame = FrameFor(recording);
  return WritePicture(path, frame.width, frame.height, [&](cairo_t* cr) {
    Draw(cr, frame, recording, run, recommended);
  });
}

}  // namespace tools
