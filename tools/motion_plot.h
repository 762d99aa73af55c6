// The picture of an evaluation (quorvane-motion eval --plot): x and z against time with the
// threshold, each command marked (next: a filled triangle pointing up above the curves,
// previous: one pointing down below them), the deaf time after start-up and after each command
// shaded, and each label marked as an outlined triangle of its direction one row further out.
// Drawn with cairo as SVG or PNG.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/sensors/replay.h"
#include "host/crt/result.h"
#include "tools/motion_eval.h"
#include "tools/picture_file.h"

namespace tools {

// Where things lie in the picture, in pixels from its top left corner.
struct PlotFrame {
  int width = 1200;
  int height = 480;
  double left = 96;    // the curves' area
  double right = 1180;
  double top = 72;
  double bottom = 400;
  std::int64_t spanMs = 1;  // the time at the right edge

  double XOf(std::int64_t ms) const;
  // A signed byte's height.
  double YOf(double value) const;
  // The centres of the command marks of each direction, and of the label marks beyond them.
  double MarkY(Direction dir) const { return dir == Direction::kNext ? top - 14 : bottom + 14; }
  double LabelY(Direction dir) const { return dir == Direction::kNext ? top - 34 : bottom + 34; }
};

// The frame for the recording's time line.
PlotFrame FrameFor(const host::sensors::Recording& recording);

// Draws the run over the recording into path (picture_file.h), with the sweep's recommended
// threshold when there is one.
host::Status WritePlot(const host::sensors::Recording& recording, const EvalRun& run,
                       std::optional<int> recommended, const std::string& path);

}  // namespace tools
