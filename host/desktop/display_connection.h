// The descriptor of the window's connection to its display, for a loop that waits on it itself
// instead of in SDL's wait (host/desktop/desktop_input.h).
#pragma once

#include <SDL.h>

namespace host::desktop {

// The X connection's descriptor, or -1 when the window is not on X (Wayland, SDL's dummy driver).
int DisplayConnection(SDL_Window* window);

}  // namespace host::desktop
