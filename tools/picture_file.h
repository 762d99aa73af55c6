// Writing a picture drawn with cairo to a file as a person expects of a save: through a
// temporary file in the same folder, renamed over the path only when it is whole, so that a
// failure (a missing folder, a folder at the path, a full disk) leaves what was there; the
// error names the path and the system's reason.
#pragma once

#include <cairo.h>

#include <functional>
#include <optional>
#include <string>

#include "host/crt/result.h"

namespace tools {

enum class PlotFormat { kSvg, kPng };

// By the name's ending, .svg or .png (ASCII case ignored); nullopt for others.
std::optional<PlotFormat> PlotFormatOf(const std::string& path);

// Draws a width x height picture with draw and writes it to path in the path's format.
host::Status WritePicture(const std::string& path, int width, int height,
                          const std::function<void(cairo_t*)>& draw);

}  // namespace tools
