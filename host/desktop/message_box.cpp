#include "host/desktop/message_box.h"

#include <SDL.h>

namespace host::desktop {

void ShowProblem(const std::string& title, const std::string& text) {
  // No parent window: it is shown before the window opens or after it has closed. Without a
  // display it fails, and stderr has said it already.
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

}  // namespace host::desktop
