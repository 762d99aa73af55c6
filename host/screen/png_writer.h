// PNG files of pixel surfaces (libpng).
#pragma once

#include <string>

#include "host/crt/result.h"

struct SDL_Surface;

namespace host::screen {

// Writes the surface as an 8-bit RGB PNG file at path (replaced when it exists).
Status WritePng(SDL_Surface* surface, const std::string& path);

}  // namespace host::screen
