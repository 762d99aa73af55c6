// PNG files of pixel surfaces (libpng).
#pragma once

#include <optional>
#include <string>

struct SDL_Surface;

namespace host::screen {

// Writes the surface as an 8-bit RGB PNG file at path (replaced when it exists); nullopt on
// success, else what went wrong.
std::optional<std::string> WritePng(SDL_Surface* surface, const std::string& path);

}  // namespace host::screen
