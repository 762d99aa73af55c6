// Apart from the other files of the desktop mode (no unity build): SDL_syswm.h brings Xlib.h,
// whose macros (None, Status, Bool...) would clash with their names.
#include "host/desktop/display_connection.h"

#include <SDL_syswm.h>

namespace host::desktop {

int DisplayConnection(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11 &&
      info.info.x11.display != nullptr) {
    return ConnectionNumber(info.info.x11.display);
  }
#endif
  (void)window;
  return -1;
}

}  // namespace host::desktop
