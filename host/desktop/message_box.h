// What a person who started the window from a menu must see when it cannot open or cannot hand
// the root back: a launcher shows no standard error, so the reason goes into a message box
// too (SDL's simple message box, which needs no initialised video).
#pragma once

#include <string>

namespace host::desktop {

// Shows an error box with title and text and waits until the person closes it. Does nothing
// when there is no display to show it on.
void ShowProblem(const std::string& title, const std::string& text);

}  // namespace host::desktop
